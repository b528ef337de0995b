#include "platform/linux/system_clock_linux.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace kiebitz::platform {

namespace {

// Interactive authorisation may keep the user at a password prompt.
constexpr int kTimedatedTimeoutMs = 120'000;

}  // namespace

QDateTime SystemClockLinux::now() const { return QDateTime::currentDateTime(); }

bool SystemClockLinux::setTimeOfDay(const QTime& time)
{
    const auto usec = localToEpochMicroseconds(QDate::currentDate(), time);
    return usec && setClock(*usec);
}

bool SystemClockLinux::setDate(const QDate& date)
{
    const auto usec = localToEpochMicroseconds(date, QTime::currentTime());
    return usec && setClock(*usec);
}

bool SystemClockLinux::maySetClockDirectly()
{
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;  // this process
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[CAP_TO_INDEX(CAP_SYS_TIME)].effective & CAP_TO_MASK(CAP_SYS_TIME)) != 0;
}

std::optional<qint64> SystemClockLinux::localToEpochMicroseconds(const QDate& date, const QTime& time)
{
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime local(date, time, Qt::LocalTime);
    if (!local.isValid())
        return std::nullopt;
    return local.toMSecsSinceEpoch() * 1000;
}

bool SystemClockLinux::setClock(qint64 epochMicroseconds)
{
    if (maySetClockDirectly()) {
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(epochMicroseconds / 1'000'000);
        ts.tv_nsec = static_cast<long>(epochMicroseconds % 1'000'000) * 1000;
        if (ts.tv_nsec < 0) {
            ts.tv_nsec += 1'000'000'000;
            --ts.tv_sec;
        }
        if (clock_settime(CLOCK_REALTIME, &ts) == 0)
            return true;
        // A sandbox may withhold the call despite the capability.
        if (errno != EPERM)
            return false;
    }
    return setClockViaTimedated(epochMicroseconds);
}

bool SystemClockLinux::setClockViaTimedated(qint64 epochMicroseconds)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    // SetTime(x usec_utc, b relative, b interactive)
    call << qlonglong(epochMicroseconds) << false << true;
    call.setInteractiveAuthorizationAllowed(true);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimedatedTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace kiebitz::platform
