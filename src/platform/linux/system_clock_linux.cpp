#include "platform/linux/system_clock_linux.h"

namespace kiebitz::platform {

QDateTime SystemClockLinux::now() const { return QDateTime::currentDateTime(); }

}  // namespace kiebitz::platform
