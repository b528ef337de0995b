#include "core/read_datetime.h"

#include "core/text.h"

#include <array>

namespace kiebitz::core {

DateValue read_DateTime(const QString& text)
{
    struct Piece {
        qsizetype start, length;
    };
    // day, month, year, hour, minute, second
    constexpr std::array<Piece, 6> pieces{{{1, 2}, {4, 2}, {7, 4}, {12, 2}, {15, 2}, {18, 2}}};
    std::array<int, 6> v{};
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const auto n = toInt16(Mid(text, pieces[i].start, pieces[i].length));
        if (!n)
            return kZeroDate;
        v[i] = *n;
    }
    return dateTimeSerial(v[2], v[1], v[0], v[3], v[4], v[5]).value_or(kZeroDate);
}

}  // namespace kiebitz::core
