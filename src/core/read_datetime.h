#pragma once

#include "core/datetime.h"

#include <QString>

namespace kiebitz::core {

// Reads "dd.mm.yyyy hh:mm:ss" at its fixed positions (the separators are not
// looked at); out-of-range fields roll over. Any unreadable piece gives the
// zero date.
DateValue read_DateTime(const QString& text);

}  // namespace kiebitz::core
