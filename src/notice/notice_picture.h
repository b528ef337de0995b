#pragma once

#include <QPixmap>

namespace kiebitz::notice {

// The notice window's picture: a lapwing on a meadow under a stopwatch sun,
// `side` logical pixels square, drawn sharp for the given device pixel ratio.
QPixmap lapwingPicture(int side, qreal devicePixelRatio = 1.0);

}  // namespace kiebitz::notice
