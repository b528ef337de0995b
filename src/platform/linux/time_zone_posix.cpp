#include "platform/linux/time_zone_posix.h"

#include <ctime>
#include <limits>

namespace kiebitz::platform {

ZoneState TimeZonePosix::stateAt(std::int64_t utcSeconds) const
{
    if (utcSeconds < std::numeric_limits<time_t>::min() || utcSeconds > std::numeric_limits<time_t>::max())
        return {};
    // localtime_r need not look at TZ again (POSIX); tzset makes it do so.
    tzset();
    const time_t t = static_cast<time_t>(utcSeconds);
    struct tm local {};
    if (!localtime_r(&t, &local))
        return {};
    const bool daylight = local.tm_isdst > 0;
    // The broken-down local time read back as if it were UTC is the moment
    // shifted by the zone's offset (timegm also clears tm_isdst, hence above).
    const time_t shifted = timegm(&local);
    if (shifted == static_cast<time_t>(-1) && local.tm_year != 69)
        return {};
    return {static_cast<std::int64_t>(shifted) - utcSeconds, daylight};
}

}  // namespace kiebitz::platform
