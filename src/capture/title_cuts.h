#pragma once

// Cutting item title, item number and end time out of the two title forms:
// the direct window title "eBay … 1234567890 (Endet 12.03.07 18:30:00 MEZ) -
// Item …" and the fallback page title "eBay: Item (Artikel 1234567890 endet
// 12.03.07 18:30:00 MEZ)".

#include "capture/auction.h"
#include "core/datetime.h"
#include "platform/time_zone.h"

#include <QString>

namespace kiebitz::capture {

// The end time of an end clause's last three words (date, time, zone) with
// its five-character end phrase, in the PC's local time; the zero date when
// the site's notation or the zone word is not known. Throws
// core::RuntimeError(9) when the clause has fewer than three words.
core::DateValue endTimeOfClause(const QString& endClause, const QString& endPhrase, const platform::TimeZone& tz);

struct DirectCut {
    QString itemTitle;
    QString itemNumber;
    core::DateValue end = core::kZeroDate;  // local; zero: unreadable
};

// Cut of a direct-scan title text. Throws core::RuntimeError when a
// delimiter is missing so that a piece would start before the text.
DirectCut cutDirectTitle(const QString& titleText, const platform::TimeZone& tz);

// Cut of a fallback page title into `record`: AuctionTitle and ItemNumber
// are stored as soon as each is cut, then the end time is returned (local;
// the zero date when unreadable). `marker` tells how far the cut got: 130
// while title and number are cut, 60 from the end clause on. Throws
// core::RuntimeError when a delimiter is missing so that a length becomes
// negative or a piece would start before the text, or when the end clause
// has fewer than three words.
core::DateValue cutFallbackTitle(const QString& pageTitle, AuctionRecord& record, int& marker,
                                 const platform::TimeZone& tz);

}  // namespace kiebitz::capture
