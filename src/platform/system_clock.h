#pragma once

#include <QDateTime>

namespace kiebitz::platform {

// The PC's clock. now() is the local wall-clock time with milliseconds.
class SystemClock {
public:
    virtual ~SystemClock() = default;
    virtual QDateTime now() const = 0;
};

}  // namespace kiebitz::platform
