#pragma once

// A time zone with fixed rules, so that conversions test the same on any
// machine: either one offset all year, or the European Union's rule (summer
// time from the last Sunday of March, 01:00 UTC, to the last Sunday of
// October, 01:00 UTC).

#include "platform/time_zone.h"

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include <cstdint>

namespace kiebitz::test {

class FakeTimeZone : public platform::TimeZone {
public:
    // One offset all year, no seasons (`daylight` marks the state as summer time).
    static FakeTimeZone fixed(int offsetMinutes, bool daylight = false)
    {
        FakeTimeZone z;
        z.m_standardMinutes = offsetMinutes;
        z.m_daylight = daylight;
        return z;
    }
    // A PC set to Central European time in winter: UTC+1 all year.
    static FakeTimeZone centralEuropeWinter() { return fixed(60); }
    // A PC in Central European summer time all year: UTC+2, daylight.
    static FakeTimeZone centralEuropeSummer() { return fixed(120, true); }
    // Central European time with both seasons, switching by the EU rule.
    static FakeTimeZone centralEurope()
    {
        FakeTimeZone z;
        z.m_standardMinutes = 60;
        z.m_summerMinutes = 120;
        z.m_euRule = true;
        return z;
    }

    platform::ZoneState stateAt(std::int64_t utcSeconds) const override
    {
        ++calls;
        if (!m_euRule)
            return {std::int64_t(m_standardMinutes) * 60, m_daylight};
        const int year = QDateTime::fromSecsSinceEpoch(utcSeconds, QTimeZone::utc()).date().year();
        const bool summer = utcSeconds >= changeAt(year, 3) && utcSeconds < changeAt(year, 10);
        return {std::int64_t(summer ? m_summerMinutes : m_standardMinutes) * 60, summer};
    }

    // UTC seconds of 01:00 UTC on the last Sunday of `month`.
    static std::int64_t changeAt(int year, int month)
    {
        QDate d(year, month, QDate(year, month, 1).daysInMonth());
        d = d.addDays(-(d.dayOfWeek() % 7));  // dayOfWeek: Monday 1 .. Sunday 7
        return QDateTime(d, QTime(1, 0), QTimeZone::utc()).toSecsSinceEpoch();
    }

    mutable int calls = 0;

private:
    int m_standardMinutes = 0;
    int m_summerMinutes = 0;
    bool m_daylight = false;
    bool m_euRule = false;
};

}  // namespace kiebitz::test
