#include "timing/time_zones.h"

#include <array>
#include <cmath>

namespace kiebitz::timing {

namespace {

// 01.01.1970 as a date value.
constexpr std::int64_t kUnixEpochDays = 25569;
constexpr std::int64_t kDay = 86400;

// 01.01.0100 00:00:00 and the end of 31.12.9999, the range the date values
// of the program cover.
constexpr double kFirstValue = -657434.0;
constexpr double kLastValue = 2958466.0;

bool usable(core::DateValue value)
{
    return value != core::kZeroDate && std::isfinite(value) && value >= kFirstValue && value < kLastValue;
}

// Zone words whose season the PC's zone decides.
constexpr int kSeasonal = 99;

struct ZoneRow {
    const char16_t* word;
    int hours;
};

// In the order in which it is searched.
constexpr std::array<ZoneRow, 17> kZones{{
    {u"MEZ", -1},
    {u"CET", -1},
    {u"H.ESP", kSeasonal},
    {u"PARIS", kSeasonal},
    {u"MESZ", -2},
    {u"CEST", -2},
    {u"PST", 8},
    {u"PDT", 7},
    {u"EST", 5},
    {u"EDT", 4},
    {u"GMT", 0},
    {u"BST", -1},
    {u"MYT", -8},
    {u"PHT", -8},
    {u"SGT", -8},
    {u"AEST", -10},
    {u"AEDST", -11},
}};

}  // namespace

std::int64_t toUnixSeconds(core::DateValue value) { return core::toSeconds(value) - kUnixEpochDays * kDay; }

core::DateValue fromUnixSeconds(std::int64_t seconds) { return core::fromSeconds(seconds + kUnixEpochDays * kDay); }

std::optional<int> zoneHoursToGMT(core::DateValue value, const QString& zoneWord, const platform::TimeZone& tz)
{
    // No zone word is longer than five characters; longer text cannot match
    // and need not be upper-cased.
    if (zoneWord.size() > 5)
        return std::nullopt;
    const QString upper = zoneWord.toUpper();
    for (const ZoneRow& row : kZones) {
        if (upper != QStringView(row.word))
            continue;
        if (row.hours != kSeasonal)
            return row.hours;
        // The Spanish and French sites keep Central European time; the PC's
        // own zone tells the season, at the moment converted (taken as
        // standard time, one hour ahead of GMT).
        if (!usable(value))
            return -1;
        return tz.stateAt(toUnixSeconds(value) - 3600).daylight ? -2 : -1;
    }
    return std::nullopt;
}

core::DateValue convert_ToGMT(core::DateValue value, const QString& zoneWord, const platform::TimeZone& tz)
{
    if (!usable(value))
        return core::kZeroDate;
    const auto hours = zoneHoursToGMT(value, zoneWord, tz);
    if (!hours)
        return core::kZeroDate;
    if (*hours == 0)
        return value;
    return core::addHours(value, *hours);
}

core::DateValue convert_ToLocal(core::DateValue gmt, const platform::TimeZone& tz)
{
    if (!usable(gmt))
        return core::kZeroDate;
    const platform::ZoneState state = tz.stateAt(toUnixSeconds(gmt));
    return core::addSeconds(gmt, state.offsetSeconds);
}

}  // namespace kiebitz::timing
