#pragma once

// What the countdown shows for a number of remaining seconds: the band, the
// tick rate, the text and its look. Pure arithmetic, no widgets.

#include <QString>

#include <cstdint>

namespace kiebitz::app {

enum class Band { End, FinalMinute, Minutes, Hours, Days };

struct CountdownFrame {
    Band band = Band::End;
    bool timerEnabled = false;
    int intervalMs = 0;  // meaningful while timerEnabled
    QString text;        // lines joined by CR LF
    double fontPt = 12;
    std::uint32_t color = 0;    // 0xRRGGBB
    bool updateAlways = false;  // else only when the text changed
    QString secondText;
};

// Floor division towards minus infinity.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

CountdownFrame countdownFrame(std::int64_t remaining);

// The warning plays when it is switched on (exactly 1) and exactly the
// configured number of seconds remains.
constexpr bool warningDue(std::int64_t remaining, std::int16_t warnton, std::int16_t warntonsek)
{
    return warnton == 1 && remaining == warntonsek;
}

}  // namespace kiebitz::app
