#pragma once

#include "platform/time_zone.h"

namespace kiebitz::platform {

// The C library's zone rules (tzfile database), honouring TZ: the variable is
// re-read at every call, so a change of TZ takes effect at once.
class TimeZonePosix : public TimeZone {
public:
    ZoneState stateAt(std::int64_t utcSeconds) const override;
};

}  // namespace kiebitz::platform
