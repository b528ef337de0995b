#include "app/countdown_timer.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

using namespace kiebitz;

TEST(CountdownTimer, AlignsEveryRateToTheClocksSecond)
{
    test::FakeClock clock(QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0, 0)));
    app::CountdownTimer timer(clock);
    const int margin = app::CountdownTimer::kAlignMarginMs;
    struct Row {
        int msec, interval, delay;
    };
    const Row rows[] = {
        {0, 1000, 1000 + margin}, {1, 1000, 999 + margin},  {500, 1000, 500 + margin}, {999, 1000, 1 + margin},
        {999, 200, 1 + margin},   {123, 500, 377 + margin}, {0, 200, 200 + margin},    {2, 500, 500},
        {650, 200, 150 + margin}, {640, 300, 300},  // a rate that does not divide the second runs free
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.msec << " ms, interval " << r.interval);
        clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0, r.msec)));
        timer.setInterval(r.interval);
        EXPECT_EQ(timer.nextDelayMs(), r.delay);
    }
    timer.setEnabled(false);
    EXPECT_EQ(timer.nextDelayMs(), -1);
    int fired = 0;
    QObject::connect(&timer, &app::CountdownTimer::timeout, [&] { ++fired; });
    timer.fire();  // a disabled timer does not tick
    EXPECT_EQ(fired, 0);
}
