#include "core/datetime.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace kiebitz::core {

namespace {

constexpr std::int64_t kDay = 86400;
constexpr qint64 kEpochJulianDay = 2415019;  // 30.12.1899

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// First and last second of the representable range, 01.01.0100 00:00:00 and
// 31.12.9999 23:59:59.
const std::int64_t kMinSeconds = (QDate(100, 1, 1).toJulianDay() - kEpochJulianDay) * kDay;
const std::int64_t kMaxSeconds = (QDate(9999, 12, 31).toJulianDay() - kEpochJulianDay) * kDay + kDay - 1;

}  // namespace

std::int64_t toSeconds(DateValue value)
{
    const double whole = value < 0 ? std::ceil(value) : std::floor(value);
    const double fraction = std::fabs(value - whole);
    return static_cast<std::int64_t>(whole) * kDay + static_cast<std::int64_t>(std::llround(fraction * kDay));
}

DateValue fromSeconds(std::int64_t seconds)
{
    const std::int64_t days = floorDiv(seconds, kDay);
    const std::int64_t rest = seconds - days * kDay;
    const double fraction = double(rest) / double(kDay);
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

std::optional<DateValue> dateSerial(int year, int month, int day)
{
    if (year < 0)
        return std::nullopt;
    if (year < 100)
        year += year < 30 ? 2000 : 1900;
    const std::int64_t months = std::int64_t(year) * 12 + (month - 1);
    const std::int64_t y = floorDiv(months, 12);
    const int m = int(months - y * 12) + 1;
    if (y < 100 || y > 9999)
        return std::nullopt;
    const std::int64_t days = QDate(int(y), m, 1).toJulianDay() - kEpochJulianDay + (std::int64_t(day) - 1);
    const std::int64_t seconds = days * kDay;
    if (seconds < kMinSeconds || seconds > kMaxSeconds)
        return std::nullopt;
    return fromSeconds(seconds);
}

std::optional<DateValue> dateTimeSerial(int year, int month, int day, int hour, int minute, int second)
{
    const auto date = dateSerial(year, month, day);
    if (!date)
        return std::nullopt;
    const std::int64_t seconds = toSeconds(*date) + timeSerialSeconds(hour, minute, second);
    if (seconds < kMinSeconds || seconds > kMaxSeconds)
        return std::nullopt;
    return fromSeconds(seconds);
}

DateValue addSeconds(DateValue value, std::int64_t seconds) { return fromSeconds(toSeconds(value) + seconds); }

std::int64_t secondsBetween(DateValue from, DateValue to) { return toSeconds(to) - toSeconds(from); }

std::int64_t daysBetween(DateValue from, DateValue to)
{
    return floorDiv(toSeconds(to), kDay) - floorDiv(toSeconds(from), kDay);
}

CivilTime toCivil(DateValue value)
{
    const std::int64_t s = toSeconds(value);
    const std::int64_t days = floorDiv(s, kDay);
    const std::int64_t rest = s - days * kDay;
    const QDate date = QDate::fromJulianDay(kEpochJulianDay + days);
    CivilTime c;
    c.year = date.year();
    c.month = date.month();
    c.day = date.day();
    c.hour = int(rest / 3600);
    c.minute = int(rest / 60 % 60);
    c.second = int(rest % 60);
    return c;
}

std::optional<DateValue> fromCivil(const CivilTime& c)
{
    if (c.year < 100 || c.year > 9999 || !QDate::isValid(c.year, c.month, c.day) || c.hour < 0 || c.hour > 23 ||
        c.minute < 0 || c.minute > 59 || c.second < 0 || c.second > 59)
        return std::nullopt;
    return dateTimeSerial(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

DateValue fromQDateTime(const QDateTime& dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    return fromSeconds((d.toJulianDay() - kEpochJulianDay) * kDay + t.hour() * 3600 + t.minute() * 60 + t.second());
}

QDateTime toQDateTime(DateValue value)
{
    const CivilTime c = toCivil(value);
    return QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second));
}

QString generalDateText(DateValue value)
{
    const CivilTime c = toCivil(value);
    QString text = QStringLiteral("%1.%2.%3")
                       .arg(c.day, 2, 10, QChar(u'0'))
                       .arg(c.month, 2, 10, QChar(u'0'))
                       .arg(c.year, 4, 10, QChar(u'0'));
    if (c.hour != 0 || c.minute != 0 || c.second != 0) {
        text += QStringLiteral(" %1:%2:%3")
                    .arg(c.hour, 2, 10, QChar(u'0'))
                    .arg(c.minute, 2, 10, QChar(u'0'))
                    .arg(c.second, 2, 10, QChar(u'0'));
    }
    return text;
}

}  // namespace kiebitz::core
