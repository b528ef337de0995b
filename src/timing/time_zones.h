#pragma once

// Moving an end time from the zone of an eBay site to GMT by the site's zone
// word, and from GMT to the PC's local time by the PC's own zone rules.

#include "core/datetime.h"
#include "platform/time_zone.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace kiebitz::timing {

// Hours to add to a time in the zone `zoneWord` (any letter case) to reach
// GMT, as the zone table lists them; "H.ESP" and "PARIS" name no season and
// take the PC zone's season at the moment `value` (-2 in summer time, else -1).
// Empty for a word that is not in the table.
std::optional<int> zoneHoursToGMT(core::DateValue value, const QString& zoneWord, const platform::TimeZone& tz);

// `value` in the zone `zoneWord` as GMT; the zero date for a zone word that
// is not in the table, for the zero date and for a value outside the years
// 100..9999 (or not a number).
core::DateValue convert_ToGMT(core::DateValue value, const QString& zoneWord, const platform::TimeZone& tz);

// The moment `gmt` in the PC's local time, with the offset the PC's zone has
// at that moment (so an end after the next daylight-saving change is shown
// in that change's time). The zero date and unusable values stay zero.
core::DateValue convert_ToLocal(core::DateValue gmt, const platform::TimeZone& tz);

// Date value <-> seconds since 1970-01-01 00:00 (the value's wall-clock
// fields read as UTC).
std::int64_t toUnixSeconds(core::DateValue value);
core::DateValue fromUnixSeconds(std::int64_t seconds);

}  // namespace kiebitz::timing
