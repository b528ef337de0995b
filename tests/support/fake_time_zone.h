#pragma once

// A time zone with fixed rules, so that conversions test the same on any
// machine: either one offset all year, or the European Union's rule (summer
// time from the last Sunday of March, 01:00 UTC, to the last Sunday of
// October, 01:00 UTC).

#include "platform/time_zone.h"

#include <QDateTime>
#include <QTimeZone>

namespace kiebitz::test {

class FakeTimeZone : public platform::TimeZone {
public:
    // One offset all year, no seasons (`daylight` marks the state as summer time).
    static FakeTimeZone fixed(int offsetMinutes, bool daylight = false) { return {offsetMinutes, daylight, false}; }
    // A PC set to Central European time in winter: UTC+1 all year.
    static FakeTimeZone centralEuropeWinter() { return fixed(60); }
    // A PC in Central European summer time all year: UTC+2, daylight.
    static FakeTimeZone centralEuropeSummer() { return fixed(120, true); }
    // Central European time with both seasons, switching by the EU rule.
    static FakeTimeZone centralEurope() { return {60, false, true}; }

    platform::ZoneState stateAt(std::int64_t utcSeconds) const override
    {
        const int year = QDateTime::fromSecsSinceEpoch(utcSeconds, QTimeZone::utc()).date().year();
        const bool summer = m_euRule && utcSeconds >= changeAt(year, 3) && utcSeconds < changeAt(year, 10);
        return {std::int64_t(m_minutes + (summer ? 60 : 0)) * 60, m_daylight || summer};
    }
    // UTC seconds of 01:00 UTC on the last Sunday of `month`.
    static std::int64_t changeAt(int year, int month)
    {
        const QDate last(year, month, QDate(year, month, 1).daysInMonth());
        return QDateTime(last.addDays(-(last.dayOfWeek() % 7)), QTime(1, 0), QTimeZone::utc()).toSecsSinceEpoch();
    }

private:
    FakeTimeZone(int minutes, bool daylight, bool euRule) : m_minutes(minutes), m_daylight(daylight), m_euRule(euRule)
    {}
    int m_minutes;
    bool m_daylight, m_euRule;
};

}  // namespace kiebitz::test
