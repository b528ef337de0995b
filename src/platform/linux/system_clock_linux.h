#pragma once

#include "platform/system_clock.h"

#include <QDBusConnection>

#include <optional>

namespace kiebitz::platform {

// The system's real-time clock. Setting it needs CAP_SYS_TIME; a process
// without it asks systemd-timedated over D-Bus instead, which may ask the
// user for authorisation (polkit) and refuses while network time sync is on.
class SystemClockLinux : public SystemClock {
public:
    // Interactive authorisation may keep the user at a password prompt.
    static constexpr int kDefaultTimeServiceTimeoutMs = 120'000;

    // timedated on the system bus, connected when first needed.
    SystemClockLinux() = default;
    // `timeService` is the bus on which timedated answers (tests pass a
    // private one). With `setDirectly` false the clock is never set by this
    // process itself, even with the capability.
    SystemClockLinux(QDBusConnection timeService, bool setDirectly, int timeServiceTimeoutMs);

    QDateTime now() const override;
    bool setTimeOfDay(const QTime& time) override;
    bool setDate(const QDate& date) override;

    // The clock's reading as UTC microseconds since 1970.
    static qint64 realtimeMicroseconds();

    // Whether this process holds CAP_SYS_TIME in its effective set. Only
    // asks the kernel; the clock is not touched.
    static bool maySetClockDirectly();

    // A local wall-clock date and time as UTC microseconds since 1970;
    // empty for an invalid date or time.
    static std::optional<qint64> localToEpochMicroseconds(const QDate& date, const QTime& time);

private:
    bool setClock(qint64 epochMicroseconds);
    bool setClockViaTimeService(qint64 epochMicroseconds);

    std::optional<QDBusConnection> m_timeService;
    bool m_setDirectly = true;
    int m_timeoutMs = kDefaultTimeServiceTimeoutMs;
};

}  // namespace kiebitz::platform
