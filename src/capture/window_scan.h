#pragma once

// The two walks over the desktop's top-level windows that look for an eBay
// item page: the direct scan and the stricter fallback scan.

#include "platform/window_list.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace kiebitz::capture {

// Title patterns of an item page: the direct scan's and the fallback's.
inline const QString kItemWindowPattern = QStringLiteral("*eBay*##########*");
inline const QString kAuctionWindowPattern = QStringLiteral("*eBay* (* ##########*");

// A window's title as the cuts see it: the visible title and one NUL.
inline QString titleText(const QString& title) { return title + QChar(u'\0'); }

// Walks the application windows (style holds every bit of `mask`) from the
// top of the Z order, passing over `mainWindow` and windows with an empty
// title; returns the title text of the first that matches the item-window
// pattern. `instanceCount` counts the windows above it (and it) whose title
// ends with "Kiebitz".
std::optional<QString> scan_ItemWindow(const std::vector<platform::WindowEntry>& windows,
                                       platform::WindowId mainWindow, std::uint32_t mask,
                                       std::int16_t& instanceCount);

// Outcome of the fallback scan.
struct FallbackScan {
    // Empty: nothing found, the fallback ends. Otherwise the matched title
    // text or "skip".
    QString verdict;
    platform::WindowId matchedWindow = 0;
    QString cutWindowTitle;  // the matched title text without its last 31 characters
};

// Walks the application windows (empty titles included) for the first title
// that matches the auction-window pattern; every window passed over sets the
// verdict to "" when its title begins with "eBay", else to "skip".
FallbackScan scanAuctionWindow(const std::vector<platform::WindowEntry>& windows, platform::WindowId mainWindow,
                               std::uint32_t mask);

}  // namespace kiebitz::capture
