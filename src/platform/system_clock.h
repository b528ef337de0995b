#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace kiebitz::platform {

// The PC's clock. now() is the local wall-clock time with milliseconds.
class SystemClock {
public:
    virtual ~SystemClock() = default;
    virtual QDateTime now() const = 0;
    // Set the local time of day, keeping today's date, or the local date,
    // keeping the time of day. False when the clock could not be set (no
    // right to do so, or the request was refused).
    virtual bool setTimeOfDay(const QTime& time) = 0;
    virtual bool setDate(const QDate& date) = 0;
};

}  // namespace kiebitz::platform
