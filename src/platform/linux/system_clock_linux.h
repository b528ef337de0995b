#pragma once

#include "platform/system_clock.h"

#include <optional>

namespace kiebitz::platform {

// The system's real-time clock. Setting it needs CAP_SYS_TIME; a process
// without it asks systemd-timedated over D-Bus instead, which may ask the
// user for authorisation (polkit) and refuses while network time sync is on.
class SystemClockLinux : public SystemClock {
public:
    QDateTime now() const override;
    bool setTimeOfDay(const QTime& time) override;
    bool setDate(const QDate& date) override;

    // Whether this process holds CAP_SYS_TIME in its effective set. Only
    // asks the kernel; the clock is not touched.
    static bool maySetClockDirectly();

    // A local wall-clock date and time as UTC microseconds since 1970;
    // empty for an invalid date or time.
    static std::optional<qint64> localToEpochMicroseconds(const QDate& date, const QTime& time);

private:
    static bool setClock(qint64 epochMicroseconds);
    static bool setClockViaTimedated(qint64 epochMicroseconds);
};

}  // namespace kiebitz::platform
