#pragma once

// Taking the auction over from the browser: the current-auction record, the
// display the acquisition drives, and the operations of this part.

#include "core/datetime.h"

#include <QString>

#include <cstdint>

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
    // Shows the auction of AuctionTitle/ItemNumber ending at `end` and sets
    // AuctionEnd to it.
    virtual void show_Auction(core::DateValue end) = 0;
};

}  // namespace kiebitz::capture
