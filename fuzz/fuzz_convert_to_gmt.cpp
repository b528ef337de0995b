#include "fuzz_input.h"
#include "platform/linux/time_zone_posix.h"
#include "support/fake_time_zone.h"
#include "timing/time_zones.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kiebitz;
    static const bool zoneSet = [] {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        return true;
    }();
    (void)zoneSet;
    static const platform::TimeZonePosix posix;
    static const test::FakeTimeZone rules = test::FakeTimeZone::centralEurope();

    fuzz::Input in(data, size);
    const std::uint8_t which = in.byte();
    const double value = in.number();
    const QString zone = in.text(true);
    const platform::TimeZone& tz = which % 2 ? static_cast<const platform::TimeZone&>(posix) : rules;

    const core::DateValue gmt = timing::convert_ToGMT(value, zone, tz);
    fuzz::check(std::isfinite(gmt));
    const auto hours = timing::zoneHoursToGMT(value, zone, tz);
    if (gmt != core::kZeroDate) {
        fuzz::check(hours.has_value());
        // Whole hours only, never more than half a day.
        const std::int64_t moved = core::secondsBetween(value, gmt);
        fuzz::check(moved % 3600 == 0 && std::llabs(moved) <= 12 * 3600);
    }
    const core::DateValue local = timing::convert_ToLocal(gmt, tz);
    fuzz::check(std::isfinite(local));
    (void)timing::convert_ToLocal(value, tz);
    return 0;
}
