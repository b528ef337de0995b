#pragma once

// The date-time value of the program: days since 30.12.1899 00:00:00 as a
// double, the fraction being the time of day; 0 (the zero date) means "no
// value". Before the epoch the whole part counts days backwards while the
// fraction still counts the time forward (-1.25 is 29.12.1899 06:00).
//
// All arithmetic goes through whole seconds (int64), so adding or counting
// seconds never drifts the way repeated floating-point sums do.

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace kiebitz::core {

using DateValue = double;

constexpr DateValue kZeroDate = 0.0;

struct CivilTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// Seconds since the epoch <-> date value (the value is rounded to the second).
std::int64_t toSeconds(DateValue value);
DateValue fromSeconds(std::int64_t seconds);

// Date of year, month, day with rollover (month 13 is January of the next
// year, day 0 the last day of the month before). A year 0..99 is a two-digit
// year: 0..29 -> 2000s, 30..99 -> 1900s. Empty when the result lies outside
// the years 100..9999.
std::optional<DateValue> dateSerial(int year, int month, int day);

// Time of day as whole seconds; hours, minutes and seconds roll over
// (hour 24 is one whole day, minute -1 one minute back).
constexpr std::int64_t timeSerialSeconds(int hour, int minute, int second)
{
    return std::int64_t(hour) * 3600 + std::int64_t(minute) * 60 + second;
}

// Date of dateSerial plus time of timeSerialSeconds, exact to the second;
// empty when either the date or the sum lies outside the years 100..9999.
std::optional<DateValue> dateTimeSerial(int year, int month, int day, int hour, int minute, int second);

DateValue addSeconds(DateValue value, std::int64_t seconds);
inline DateValue addMinutes(DateValue v, std::int64_t m) { return addSeconds(v, m * 60); }
inline DateValue addHours(DateValue v, std::int64_t h) { return addSeconds(v, h * 3600); }

// Whole seconds / calendar days from `from` to `to` (negative when to < from).
std::int64_t secondsBetween(DateValue from, DateValue to);
std::int64_t daysBetween(DateValue from, DateValue to);

CivilTime toCivil(DateValue value);
// Empty outside the years 100..9999 or for fields out of range.
std::optional<DateValue> fromCivil(const CivilTime& civil);

// Wall-clock fields of a QDateTime (milliseconds dropped) and back; the
// QDateTime made carries no zone information (Qt::LocalTime fields).
DateValue fromQDateTime(const QDateTime& dt);
QDateTime toQDateTime(DateValue value);

// General date form on German settings: "12.03.2007 18:30:00", the time
// left out when it is exactly midnight.
QString generalDateText(DateValue value);

}  // namespace kiebitz::core
