// Zone words to GMT and GMT to local time, with fixed-rule zones and with
// the C library's rules under a chosen TZ.

#include "timing/time_zones.h"

#include "platform/linux/time_zone_posix.h"
#include "support/fake_time_zone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

namespace kiebitz::timing {
namespace {

using core::CivilTime;
using test::FakeTimeZone;

core::DateValue at(int y, int mo, int d, int h, int mi, int s = 0)
{
    return *core::dateTimeSerial(y, mo, d, h, mi, s);
}

std::string text(core::DateValue v) { return core::generalDateText(v).toStdString(); }

// Sets TZ for the lifetime of the object and puts the old value back.
class TzScope {
public:
    explicit TzScope(const char* zone)
        : m_old(std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TzScope()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

TEST(ConvertToGMT, ZoneTable)
{
    const FakeTimeZone winter = FakeTimeZone::centralEuropeWinter();
    struct Row {
        const char* zone;
        core::DateValue value;
        core::DateValue expect;
    };
    const core::DateValue v = at(2006, 3, 12, 18, 30);
    const Row rows[] = {
        {"MEZ", v, at(2006, 3, 12, 17, 30)},
        {"CET", v, at(2006, 3, 12, 17, 30)},
        {"MESZ", v, at(2006, 3, 12, 16, 30)},
        {"CEST", v, at(2006, 3, 12, 16, 30)},
        {"PST", v, at(2006, 3, 13, 2, 30)},
        {"pdt", v, at(2006, 3, 13, 1, 30)},
        {"EST", v, at(2006, 3, 12, 23, 30)},
        {"EDT", v, at(2006, 3, 12, 22, 30)},
        {"GMT", v, v},
        {"BST", v, at(2006, 3, 12, 17, 30)},
        {"MYT", v, at(2006, 3, 12, 10, 30)},
        {"PHT", v, at(2006, 3, 12, 10, 30)},
        {"SGT", v, at(2006, 3, 12, 10, 30)},
        {"AEST", v, at(2006, 3, 12, 8, 30)},
        {"AEDST", at(2007, 1, 1, 9, 0), at(2006, 12, 31, 22, 0)},
        {"PST", at(2006, 12, 31, 20, 0), at(2007, 1, 1, 4, 0)},
        {"JST", v, core::kZeroDate},
        {"", v, core::kZeroDate},
        {"MEZ ", v, core::kZeroDate},
        {"GMTX", v, core::kZeroDate},
        // No value, or no usable one, stays no value.
        {"GMT", core::kZeroDate, core::kZeroDate},
        {"MEZ", core::kZeroDate, core::kZeroDate},
        {"MEZ", std::numeric_limits<double>::quiet_NaN(), core::kZeroDate},
        {"MEZ", std::numeric_limits<double>::infinity(), core::kZeroDate},
        {"MEZ", 1e300, core::kZeroDate},
        {"MEZ", -1e300, core::kZeroDate},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.zone) + " " + text(r.value));
        EXPECT_EQ(convert_ToGMT(r.value, QString::fromLatin1(r.zone), winter), r.expect)
            << text(convert_ToGMT(r.value, QString::fromLatin1(r.zone), winter));
    }
}

// The Spanish and French zone words take the season of the PC's zone at the
// moment converted, not at the moment of the call.
TEST(ConvertToGMT, SpanishAndFrenchSeasonAtTheMoment)
{
    const FakeTimeZone noSeasons = FakeTimeZone::fixed(60);
    const FakeTimeZone summer = FakeTimeZone::centralEuropeSummer();
    const FakeTimeZone rules = FakeTimeZone::centralEurope();
    struct Row {
        const char* zone;
        const FakeTimeZone* tz;
        core::DateValue value;
        int hours;
    };
    const Row rows[] = {
        {"H.ESP", &summer, at(2006, 7, 1, 12, 0), -2},
        {"PARIS", &summer, at(2006, 7, 1, 12, 0), -2},
        {"h.esp", &noSeasons, at(2006, 7, 1, 12, 0), -1},
        {"paris", &noSeasons, at(2006, 7, 1, 12, 0), -1},
        {"PARIS", &rules, at(2026, 7, 1, 12, 0), -2},
        {"PARIS", &rules, at(2026, 1, 15, 12, 0), -1},
        // 29.03.2026 02:00 CET is the change; 01:59 is still winter.
        {"H.ESP", &rules, at(2026, 3, 29, 1, 59), -1},
        {"H.ESP", &rules, at(2026, 3, 29, 3, 0), -2},
        {"PARIS", &rules, at(2026, 10, 25, 1, 59), -2},
        {"PARIS", &rules, at(2026, 10, 25, 2, 0), -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.zone) + " " + text(r.value));
        EXPECT_EQ(convert_ToGMT(r.value, QString::fromLatin1(r.zone), *r.tz), core::addHours(r.value, r.hours));
    }
}

// The C library's rules, one zone per row, around real changes of 2026: an
// end after the next change is shown in that change's time. No value stays
// no value.
TEST(ConvertToLocal, RealZoneRulesAcrossTransitions)
{
    const platform::TimeZonePosix posix;
    struct Row {
        const char* tz;
        core::DateValue gmt;
        core::DateValue local;
        bool daylight;
    };
    const Row rows[] = {
        {"Europe/Berlin", at(2026, 1, 15, 12, 0), at(2026, 1, 15, 13, 0), false},
        {"Europe/Berlin", at(2026, 3, 29, 0, 59, 59), at(2026, 3, 29, 1, 59, 59), false},
        {"Europe/Berlin", at(2026, 3, 29, 1, 0, 0), at(2026, 3, 29, 3, 0, 0), true},
        {"Europe/Berlin", at(2026, 10, 25, 0, 59, 59), at(2026, 10, 25, 2, 59, 59), true},
        {"Europe/Berlin", at(2026, 10, 25, 1, 0, 0), at(2026, 10, 25, 2, 0, 0), false},
        {"America/Los_Angeles", at(2026, 3, 8, 9, 59, 59), at(2026, 3, 8, 1, 59, 59), false},
        {"America/Los_Angeles", at(2026, 3, 8, 10, 0, 0), at(2026, 3, 8, 3, 0, 0), true},
        {"America/Los_Angeles", at(2026, 11, 1, 9, 0, 0), at(2026, 11, 1, 1, 0, 0), false},
        {"Australia/Sydney", at(2026, 4, 4, 15, 59, 59), at(2026, 4, 5, 2, 59, 59), true},
        {"Australia/Sydney", at(2026, 4, 4, 16, 0, 0), at(2026, 4, 5, 2, 0, 0), false},
        {"Australia/Sydney", at(2026, 10, 3, 16, 0, 0), at(2026, 10, 4, 3, 0, 0), true},
        {"UTC", at(2026, 7, 1, 12, 0), at(2026, 7, 1, 12, 0), false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.tz) + " " + text(r.gmt));
        const TzScope scope(r.tz);
        EXPECT_EQ(convert_ToLocal(r.gmt, posix), r.local) << text(convert_ToLocal(r.gmt, posix));
        EXPECT_EQ(posix.stateAt(toUnixSeconds(r.gmt)).daylight, r.daylight);
    }
    EXPECT_EQ(convert_ToLocal(core::kZeroDate, posix), core::kZeroDate);
    EXPECT_EQ(convert_ToLocal(std::numeric_limits<double>::quiet_NaN(), posix), core::kZeroDate);
}

TEST(ConvertToGMT, RealZoneSeasonForSpainAndFrance)
{
    const platform::TimeZonePosix posix;
    {
        const TzScope scope("Europe/Berlin");
        EXPECT_EQ(convert_ToGMT(at(2026, 7, 1, 12, 0), QStringLiteral("H.ESP"), posix), at(2026, 7, 1, 10, 0));
        EXPECT_EQ(convert_ToGMT(at(2026, 12, 1, 12, 0), QStringLiteral("PARIS"), posix), at(2026, 12, 1, 11, 0));
        // A French end after the spring change, end to end: local summer time.
        const core::DateValue end = at(2026, 3, 29, 18, 30);
        EXPECT_EQ(convert_ToLocal(convert_ToGMT(end, QStringLiteral("PARIS"), posix), posix), end);
        // An American end seen in Germany: nine hours later in July.
        EXPECT_EQ(convert_ToLocal(convert_ToGMT(at(2026, 7, 1, 10, 0), QStringLiteral("PDT"), posix), posix),
                  at(2026, 7, 1, 19, 0));
    }
    const TzScope scope("UTC");
    EXPECT_EQ(convert_ToGMT(at(2026, 7, 1, 12, 0), QStringLiteral("PARIS"), posix), at(2026, 7, 1, 11, 0));
}

}  // namespace
}  // namespace kiebitz::timing
