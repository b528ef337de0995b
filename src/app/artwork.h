#pragma once

#include <QCursor>
#include <QIcon>

namespace kiebitz::app {

// The hand cursor of the link labels: 32 x 32, hot spot at the finger tip
// (column 12, row 1).
QCursor handCursor();

// The program icon: the desktop's icon of the installed program, else a
// stopwatch drawn here.
QIcon programIcon();

}  // namespace kiebitz::app
