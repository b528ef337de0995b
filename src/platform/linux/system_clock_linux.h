#pragma once

#include "platform/system_clock.h"

namespace kiebitz::platform {

class SystemClockLinux : public SystemClock {
public:
    QDateTime now() const override;
};

}  // namespace kiebitz::platform
