#include "capture/read_datetime.h"

#include "core/text.h"

#include <array>

namespace kiebitz::capture {

core::DateValue read_DateTime(const QString& text)
{
    struct Piece {
        qsizetype start, length;
    };
    // day, month, year, hour, minute, second
    constexpr std::array<Piece, 6> pieces{{{1, 2}, {4, 2}, {7, 4}, {12, 2}, {15, 2}, {18, 2}}};
    std::array<int, 6> v{};
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const auto n = core::toInt16(core::Mid(text, pieces[i].start, pieces[i].length));
        if (!n)
            return core::kZeroDate;
        v[i] = *n;
    }
    return core::dateTimeSerial(v[2], v[1], v[0], v[3], v[4], v[5]).value_or(core::kZeroDate);
}

}  // namespace kiebitz::capture
