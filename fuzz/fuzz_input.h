#pragma once

// Turns a fuzzer's bytes into texts. Each text starts with a mode byte and a
// length byte: raw UTF-16 units (NULs, lone surrogates), UTF-8 (with the
// decoder's replacements) or one byte per character (Latin-1), so that every
// kind of QString a title can become is reached. The last text takes the rest.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kiebitz::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t byte()
    {
        if (m_size == 0)
            return 0;
        --m_size;
        return *m_data++;
    }

    double number()
    {
        double value = 0;
        const std::size_t n = m_size < sizeof value ? m_size : sizeof value;
        std::memcpy(&value, m_data, n);
        m_data += n;
        m_size -= n;
        return value;
    }

    // A text of at most `length byte` units; `rest` takes all that is left.
    QString text(bool rest = false)
    {
        const std::uint8_t mode = byte() % 3;
        std::size_t bytes = rest ? m_size : byte();
        if (mode == 0)
            bytes *= 2;
        if (bytes > m_size)
            bytes = m_size;
        const auto* p = reinterpret_cast<const char*>(m_data);
        m_data += bytes;
        m_size -= bytes;
        switch (mode) {
        case 0: {
            QString s(qsizetype(bytes / 2), Qt::Uninitialized);
            std::memcpy(s.data(), p, (bytes / 2) * 2);
            return s;
        }
        case 1:
            return QString::fromUtf8(p, qsizetype(bytes));
        default:
            return QString::fromLatin1(p, qsizetype(bytes));
        }
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// A broken promise of the code under test: stop the run with a report.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace kiebitz::fuzz
