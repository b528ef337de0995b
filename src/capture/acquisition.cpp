#include "capture/auction.h"

#include "capture/browser_query.h"
#include "capture/title_cuts.h"
#include "capture/window_scan.h"
#include "core/browser_names.h"
#include "core/runtime_error.h"
#include "diagnostics/error_report.h"

namespace kiebitz::capture {

namespace {

// The page title of the auction from the fallback's three discovery steps;
// empty when none finds one.
QString discoverPageTitle(const CaptureContext& context, const Desktop& desktop)
{
    const platform::Platform& p = context.platform;
    const FallbackScan scan = scanAuctionWindow(desktop, context.mainWindow, context.windowStyleMask);
    if (scan.verdict.isEmpty())
        return {};

    QString page = shellPageTitle(*p.shellWindows, desktop, scan.matchedWindow, scan.cutWindowTitle);
    for (const QString& browser : kDdeBrowsers) {
        if (!page.isEmpty())
            break;
        page = ask_Browser(*p.dde, browser);
    }
    return page;
}

// The direct cut of `title` (a title text) into `found`; false when the
// title cannot be read.
bool takeDirectTitle(const QString& title, const platform::TimeZone& zone, AuctionRecord& found)
{
    // A title whose delimiters do not fit counts as unreadable, like one
    // with an unknown end notation.
    DirectCut cut;
    try {
        cut = cutDirectTitle(title, zone);
    } catch (const core::RuntimeError&) {
        return false;
    }
    if (cut.end == core::kZeroDate)
        return false;
    found.AuctionTitle = cut.itemTitle;
    found.ItemNumber = cut.itemNumber;
    found.AuctionEnd = cut.end;
    return true;
}

// When the window titles and the browsers' current pages hold no auction:
// the first item page of the browsers' page list, background tabs included.
void takeFromPageList(const CaptureContext& context, const Desktop& desktop, AuctionRecord& found)
{
    const platform::Platform& p = context.platform;
    const QString page = itemPageOfList(*p.shellWindows, desktop);
    if (!page.isEmpty() && !page.contains(QStringLiteral("eBay: ")))
        takeDirectTitle(titleText(page), *p.timeZone, found);
}

}  // namespace

void find_Auction(const CaptureContext& context, const Desktop& desktop, AuctionRecord& record)
{
    const QString page = discoverPageTitle(context, desktop);
    if (page.isEmpty())
        return;
    int marker = 130;
    try {
        const core::DateValue end = cutFallbackTitle(page, record, marker, *context.platform.timeZone);
        if (end != core::kZeroDate)
            record.AuctionEnd = end;
    } catch (const core::RuntimeError& e) {
        diagnostics::report_Error(*context.platform.messages, {e.number(), e.description(), {}},
                                  QStringLiteral("find_Auction"), marker);
    }
}

void take_Auction(const CaptureContext& context, AuctionRecord& record, AuctionDisplay& display)
{
    display.show_NoAuction();

    // The outcome is worked out on a copy and written to the record once:
    // until then the record holds the auction followed so far.
    AuctionRecord found = record;
    found.AuctionEnd = core::kZeroDate;

    // One read of the desktop's windows serves every step of this action.
    const platform::Platform& p = context.platform;
    const Desktop desktop = p.windows->windows();
    std::optional<QString> title =
        scan_ItemWindow(desktop, context.mainWindow, context.windowStyleMask, found.InstanceCount);

    // The browser's own name at the end of the window title never becomes
    // part of the item title.
    if (title) {
        if (const auto page = core::withoutBrowserName(title->chopped(1)))
            title = titleText(*page);
    }

    // The "eBay: " form is only cut from the page title.
    // An unreadable direct title leaves the no-item state, and no fallback.
    const bool direct = title && !title->contains(QStringLiteral("eBay: "));
    if (direct) {
        takeDirectTitle(*title, *p.timeZone, found);
    } else {
        find_Auction(context, desktop, found);
        if (found.AuctionEnd == core::kZeroDate)
            takeFromPageList(context, desktop, found);
    }

    record = found;
    if (record.AuctionEnd != core::kZeroDate)
        display.show_Auction(record.AuctionEnd);
    else if (!direct)
        display.show_NoAuction();
}

}  // namespace kiebitz::capture
