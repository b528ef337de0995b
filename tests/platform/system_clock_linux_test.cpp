// The Linux clock without ever setting it: the kernel's capability account,
// local times to epoch values, and the hand-over to the desktop's time
// service on a private bus, where a stand-in for timedated takes its time
// as a password prompt would.

#include "platform/linux/system_clock_linux.h"
#include "support/private_bus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <ctime>
#include <optional>

namespace kiebitz::platform {
namespace {

qint64 realtimeMicroseconds() { return SystemClockLinux::realtimeMicroseconds(); }

// Answers SetTime only after `promptMs`, as after an authorisation prompt,
// and works out where the clock would then stand, without touching it.
class FakeTimeService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.timedate1")
public:
    FakeTimeService(QDBusConnection bus, int promptMs) : m_bus(std::move(bus)), m_promptMs(promptMs) {}

    std::optional<qint64> clockAfterwards;  // microseconds since 1970
    bool relative = false;
    bool interactive = false;

public slots:
    void SetTime(qlonglong usec, bool isRelative, bool isInteractive, const QDBusMessage& message)
    {
        message.setDelayedReply(true);
        relative = isRelative;
        interactive = isInteractive;
        QTimer::singleShot(m_promptMs, this, [this, usec, isRelative, message] {
            clockAfterwards = isRelative ? realtimeMicroseconds() + usec : usec;
            m_bus.send(message.createReply());
        });
    }

private:
    QDBusConnection m_bus;
    int m_promptMs;
};

// The correction goes to the time service as an offset, so the clock ends
// up right however long the user takes at the prompt, and the window keeps
// handling its events meanwhile.
TEST(SystemClockLinux, TimeServiceGetsAnOffsetAndTheWindowStaysLive)
{
    test::PrivateBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "no dbus-daemon";
    QDBusConnection serviceSide = bus.connect(QStringLiteral("service"));
    FakeTimeService service(serviceSide, 1500);
    ASSERT_TRUE(serviceSide.registerObject(QStringLiteral("/org/freedesktop/timedate1"), &service,
                                           QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceSide.registerService(QStringLiteral("org.freedesktop.timedate1")));
    SystemClockLinux clock(bus.connect(QStringLiteral("client")), false, 30'000);

    struct Row {
        const char* name;
        qint64 offsetSeconds;  // how far the wanted time lies from now
        bool dateOnly;
    };
    const Row rows[] = {
        {"time of day ahead", 37, false}, {"time of day behind", -3600, false}, {"date ahead", 86'400, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        service.clockAfterwards.reset();
        const QDateTime wanted = QDateTime::currentDateTime().addSecs(row.offsetSeconds);
        int ticks = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(100);
        const qint64 asked = realtimeMicroseconds();
        ASSERT_TRUE(row.dateOnly ? clock.setDate(wanted.date()) : clock.setTimeOfDay(wanted.time()));
        const qint64 answered = realtimeMicroseconds();
        tick.stop();

        ASSERT_TRUE(service.clockAfterwards.has_value());
        EXPECT_TRUE(service.relative);
        EXPECT_TRUE(service.interactive);
        EXPECT_GE(answered - asked, 1'400'000);
        EXPECT_GE(ticks, 5) << "events ran while the prompt was open";
        // Where the clock stands after the prompt, against where it should:
        // the wanted time plus the time spent waiting. Whole seconds, as set.
        const qint64 expected = wanted.toMSecsSinceEpoch() * 1000 + (answered - asked);
        const qint64 precision = row.dateOnly ? 1'000'000 : 1'000'000 + 300'000;
        EXPECT_NEAR(double(*service.clockAfterwards), double(expected), double(precision));
    }
}

TEST(SystemClockLinux, CapabilityTestAgreesWithTheKernelsAccount)
{
    QFile status(QStringLiteral("/proc/self/status"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    std::optional<bool> capSysTime;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("CapEff:"))
            capSysTime = (line.mid(7).trimmed().toULongLong(nullptr, 16) >> 25) & 1;  // CAP_SYS_TIME = 25
    ASSERT_TRUE(capSysTime.has_value());
    EXPECT_EQ(SystemClockLinux::maySetClockDirectly(), *capSysTime);
}

TEST(SystemClockLinux, LocalTimeToEpochInMicroseconds)
{
    const QDate day(2026, 12, 6);
    EXPECT_EQ(*SystemClockLinux::localToEpochMicroseconds(day, QTime(12, 0, 5)) -
                  *SystemClockLinux::localToEpochMicroseconds(day, QTime(12, 0)),
              5'000'000);
    EXPECT_EQ(*SystemClockLinux::localToEpochMicroseconds(day.addDays(1), QTime(12, 0)) -
                  *SystemClockLinux::localToEpochMicroseconds(day, QTime(12, 0)),
              86'400'000'000);
    EXPECT_FALSE(SystemClockLinux::localToEpochMicroseconds(QDate(2026, 2, 30), QTime(12, 0)));
    EXPECT_FALSE(SystemClockLinux::localToEpochMicroseconds(QDate(2026, 2, 3), QTime()));
}

}  // namespace
}  // namespace kiebitz::platform

#include "system_clock_linux_test.moc"
