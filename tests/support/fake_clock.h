#pragma once

#include "platform/system_clock.h"

#include <vector>

namespace kiebitz::test {

// A clock that only moves when the test moves it.
class FakeClock : public platform::SystemClock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0))) : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& t) { m_now = t; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }
    void advanceSeconds(qint64 s) { m_now = m_now.addSecs(s); }

    // Setting records each call; a successful one moves the clock as the
    // real one would. `refuseSetting` makes both setters fail.
    bool setTimeOfDay(const QTime& time) override
    {
        timesSet.push_back(time);
        if (refuseSetting)
            return false;
        m_now = QDateTime(m_now.date(), time);
        return true;
    }
    bool setDate(const QDate& date) override
    {
        datesSet.push_back(date);
        if (refuseSetting)
            return false;
        m_now = QDateTime(date, m_now.time());
        return true;
    }
    std::vector<QTime> timesSet;
    std::vector<QDate> datesSet;
    bool refuseSetting = false;

private:
    QDateTime m_now;
};

}  // namespace kiebitz::test
