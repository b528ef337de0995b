#pragma once

// The PC's time-zone rules: how far local time is from UTC, and whether
// daylight-saving time is in force, at any given moment.

#include <cstdint>

namespace kiebitz::platform {

struct ZoneState {
    // Local time minus UTC, in seconds (3600 for CET, 7200 for CEST).
    std::int64_t offsetSeconds = 0;
    // Daylight-saving time is in force; false also for a zone without seasons.
    bool daylight = false;
};

class TimeZone {
public:
    virtual ~TimeZone() = default;
    // State of the local zone at the moment `utcSeconds` (seconds since
    // 1970-01-01 00:00 UTC). Asked per moment, not once for "now": a moment
    // after the next daylight-saving change has that change's offset.
    virtual ZoneState stateAt(std::int64_t utcSeconds) const = 0;
};

}  // namespace kiebitz::platform
