#include "core/browser_names.h"

#include <QSet>

#include <algorithm>

namespace kiebitz::core {

namespace {

const QSet<QString>& browserNames()
{
    static const QSet<QString> names = {
        QStringLiteral("Mozilla Firefox Private Browsing"),
        QStringLiteral("Mozilla Firefox"),
        QStringLiteral("Firefox Developer Edition"),
        QStringLiteral("Firefox"),
        QStringLiteral("Chromium"),
        QStringLiteral("Google Chrome"),
        QStringLiteral("Opera"),
        QStringLiteral("Vivaldi"),
        QStringLiteral("Brave"),
        QStringLiteral("Microsoft Edge"),
        QStringLiteral("Microsoft\u200b Edge"),
        QStringLiteral("Konqueror"),
        QStringLiteral("Falkon"),
        QStringLiteral("SeaMonkey"),
        QStringLiteral("Pale Moon"),
        QStringLiteral("LibreWolf"),
        QStringLiteral("Waterfox"),
        QStringLiteral("Iceweasel"),
        QStringLiteral("Netscape"),
        QStringLiteral("Epiphany"),
        QStringLiteral("Midori"),
        QStringLiteral("qutebrowser"),
    };
    return names;
}

qsizetype longestName()
{
    static const qsizetype longest = [] {
        qsizetype n = 0;
        for (const QString& name : browserNames())
            n = std::max(n, name.size());
        return n;
    }();
    return longest;
}

bool isDash(QChar c) { return c == u'-' || c == u'\u2013' || c == u'\u2014'; }

}  // namespace

std::optional<QString> withoutBrowserName(const QString& windowTitle)
{
    // Only separators near the end can introduce a name; from the last one
    // back, the first whose rest is a known name wins.
    const qsizetype last = windowTitle.size() - 3;
    const qsizetype first = std::max<qsizetype>(0, last - longestName());
    for (qsizetype i = last; i >= first; --i) {
        if (windowTitle[i] != u' ' || !isDash(windowTitle[i + 1]) || windowTitle[i + 2] != u' ')
            continue;
        if (browserNames().contains(windowTitle.mid(i + 3)))
            return windowTitle.left(i);
    }
    return std::nullopt;
}

}  // namespace kiebitz::core
