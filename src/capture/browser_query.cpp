#include "capture/browser_query.h"

#include "capture/window_scan.h"
#include "core/text.h"

#include <array>

namespace kiebitz::capture {

QString ddeReplyPageTitle(const QString& reply)
{
    std::array<QString, 4> fields;
    bool inQuotes = false;
    std::size_t field = 1;
    for (const QChar c : reply) {
        if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (c == u',') {
            if (!inQuotes && ++field > 3)
                break;
        } else if (inQuotes) {
            fields[field] += core::fromAnsi(QByteArray(1, char(core::ansiCode(c))));
        }
    }
    return fields[2];
}

QString ask_Browser(platform::DdeClient& dde, const QString& browser)
{
    const std::optional<QString> reply = dde.request(browser, kDdeTopic, kDdeItem);
    if (!reply || reply->size() > kMaxDdeReply)
        return {};
    return ddeReplyPageTitle(*reply);
}

QString shellPageTitle(platform::ShellWindows& shell, const std::vector<platform::WindowEntry>& desktop,
                       platform::WindowId matchedWindow, const QString& cutWindowTitle)
{
    const auto list = shell.browserWindows(desktop);
    if (!list)
        return {};
    QStringList candidates;
    for (const platform::ShellBrowserEntry& e : *list) {
        if (!e.answers)
            return {};  // an entry that does not answer ends the step
        if (e.locationUrl.startsWith(QStringLiteral("http"), Qt::CaseSensitive) && e.window == matchedWindow)
            candidates << e.documentTitle;
    }
    if (candidates.size() == 1)
        return candidates.front();
    for (const QString& c : candidates)
        if (c.contains(cutWindowTitle, Qt::CaseSensitive))
            return c;
    return {};
}

QString itemPageOfList(platform::ShellWindows& shell, const std::vector<platform::WindowEntry>& desktop)
{
    const auto list = shell.browserWindows(desktop);
    if (!list)
        return {};
    for (const bool selected : {true, false})
        for (const platform::ShellBrowserEntry& e : *list)
            if (e.selected == selected && core::Like(titleText(e.documentTitle), kItemWindowPattern))
                return e.documentTitle;
    return {};
}

}  // namespace kiebitz::capture
