#include "capture/window_scan.h"

#include "capture/window_test.h"
#include "core/text.h"

#include <limits>

namespace kiebitz::capture {

namespace {

const QString kProductEnd = QStringLiteral("Kiebitz") + QChar(u'\0');

bool examined(const platform::WindowEntry& w, platform::WindowId mainWindow, std::uint32_t mask)
{
    return w.id != 0 && w.id != mainWindow && is_TaskWindow(w.style, mask);
}

}  // namespace

std::optional<QString> scan_ItemWindow(const std::vector<platform::WindowEntry>& windows,
                                       platform::WindowId mainWindow, std::uint32_t mask, std::int16_t& instanceCount)
{
    instanceCount = 0;
    for (const platform::WindowEntry& w : windows) {
        if (!examined(w, mainWindow, mask) || w.title.isEmpty())
            continue;
        const QString text = titleText(w.title);
        // Counting stops at the top of the 16-bit range instead of overflowing.
        if (text.endsWith(kProductEnd) && instanceCount < std::numeric_limits<std::int16_t>::max())
            ++instanceCount;
        if (core::Like(text, kItemWindowPattern))
            return text;
    }
    return std::nullopt;
}

FallbackScan scanAuctionWindow(const std::vector<platform::WindowEntry>& windows, platform::WindowId mainWindow,
                               std::uint32_t mask)
{
    FallbackScan scan;
    for (const platform::WindowEntry& w : windows) {
        if (!examined(w, mainWindow, mask))
            continue;
        const QString text = titleText(w.title);
        if (core::Like(text, kAuctionWindowPattern)) {
            scan.matchedWindow = w.id;
            // A title too short to lose 31 characters has no cut; it only
            // serves to choose among several pages of one window.
            scan.cutWindowTitle = text.size() > 31 ? text.left(text.size() - 31) : QString();
            scan.verdict = text;
            return scan;
        }
        scan.verdict = core::Like(text, QStringLiteral("eBay*")) ? QString() : QStringLiteral("skip");
    }
    return scan;
}

}  // namespace kiebitz::capture
