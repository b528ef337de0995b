#include "platform/linux/system_clock_linux.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <utility>

namespace kiebitz::platform {

SystemClockLinux::SystemClockLinux(QDBusConnection timeService, bool setDirectly, int timeServiceTimeoutMs)
    : m_timeService(std::move(timeService)), m_setDirectly(setDirectly), m_timeoutMs(timeServiceTimeoutMs)
{}

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

qint64 SystemClockLinux::realtimeMicroseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
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
    if (m_setDirectly && maySetClockDirectly()) {
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
    return setClockViaTimeService(epochMicroseconds);
}

bool SystemClockLinux::setClockViaTimeService(qint64 epochMicroseconds)
{
    if (!m_timeService)
        m_timeService = QDBusConnection::systemBus();
    if (!m_timeService->isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    // SetTime(x usec_utc, b relative, b interactive). The correction goes as
    // an offset: timedated adds it to the clock when it sets it, so the time
    // the user spends at a password prompt does not put the clock behind.
    call << qlonglong(epochMicroseconds - realtimeMicroseconds()) << true << true;
    call.setInteractiveAuthorizationAllowed(true);

    // The window stays live while the prompt is open; the wait ends with the
    // answer, the time-out, or the program quitting.
    QDBusPendingCallWatcher watcher(m_timeService->asyncCall(call, m_timeoutMs));
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!watcher.isFinished())
        loop.exec();
    return watcher.isFinished() && !watcher.isError() && watcher.reply().type() == QDBusMessage::ReplyMessage;
}

}  // namespace kiebitz::platform
