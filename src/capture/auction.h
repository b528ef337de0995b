#pragma once

// Taking the auction over from the browser: the current-auction record, the
// display the acquisition drives, and the operations of this part.

#include "core/datetime.h"
#include "platform/platform.h"
#include "platform/window_list.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace kiebitz::capture {

// The auction the program follows. AuctionEnd is local time; the zero date
// means that no auction is followed.
struct AuctionRecord {
    core::DateValue AuctionEnd = core::kZeroDate;
    QString AuctionTitle;
    QString ItemNumber;
    std::int16_t InstanceCount = 0;  // other instances seen by the last direct scan
};

// The two display states of the main window, as the acquisition sets them.
class AuctionDisplay {
public:
    virtual ~AuctionDisplay() = default;
    virtual void show_NoAuction() = 0;
    // Shows the auction of AuctionTitle/ItemNumber ending at `end` (the
    // record's AuctionEnd, which the acquisition has set) and starts the
    // countdown; the record is not written here.
    virtual void show_Auction(core::DateValue end) = 0;
};

// The desktop's top-level windows as one action reads them.
using Desktop = std::vector<platform::WindowEntry>;

// What one acquisition works with: the desktop's facilities (windows,
// shellWindows, dde, timeZone and messages are used), the main window to
// pass over and the application-window mask.
struct CaptureContext {
    platform::Platform platform;
    platform::WindowId mainWindow = 0;
    std::uint32_t windowStyleMask = 0;
};

// Takes over the auction the browser shows: the direct scan and its cut,
// else the fallback. Shows the no-item state first; writes the record once,
// when the outcome is known (InstanceCount included), and then shows the
// auction on success. Does not refresh the countdown.
void take_Auction(const CaptureContext& context, AuctionRecord& record, AuctionDisplay& display);

// The fallback: the stricter window scan, the browser list, the browsers
// over DDE, then the cut of the page title found, into `record`. Ends
// silently when nothing is found; a failed cut is reported ("find_Auction",
// with how far the cut got) and leaves AuctionEnd as it was.
// `desktop` is the window list as read at the start of the acquisition.
void find_Auction(const CaptureContext& context, const Desktop& desktop, AuctionRecord& record);

}  // namespace kiebitz::capture
