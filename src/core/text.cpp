#include "core/text.h"

#include "core/runtime_error.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kiebitz::core {

RuntimeError RuntimeError::invalidArgument()
{
    return RuntimeError(5, QStringLiteral("Ungültiger Prozeduraufruf oder ungültiges Argument"));
}

RuntimeError RuntimeError::overflow() { return RuntimeError(6, QStringLiteral("Überlauf")); }

RuntimeError RuntimeError::subscriptOutOfRange()
{
    return RuntimeError(9, QStringLiteral("Index außerhalb des gültigen Bereichs"));
}

RuntimeError RuntimeError::typeMismatch() { return RuntimeError(13, QStringLiteral("Typen unverträglich")); }

QString Mid(const QString& text, qsizetype start, qsizetype length)
{
    if (start < 1 || length < -1)
        throw RuntimeError::invalidArgument();
    if (start > text.size())
        return {};
    return text.mid(start - 1, length);
}

QString Left(const QString& text, qsizetype length)
{
    if (length < 0)
        throw RuntimeError::invalidArgument();
    return text.left(length);
}

QString Right(const QString& text, qsizetype length)
{
    if (length < 0)
        throw RuntimeError::invalidArgument();
    return text.right(length);
}

qsizetype InStr(qsizetype start, const QString& text, const QString& find)
{
    if (start < 1)
        throw RuntimeError::invalidArgument();
    if (start > text.size())
        return 0;
    if (find.isEmpty())
        return start;
    return text.indexOf(find, start - 1, Qt::CaseSensitive) + 1;
}

qsizetype InStrRev(const QString& text, const QString& find, qsizetype start)
{
    if (start == 0 || start < -1)
        throw RuntimeError::invalidArgument();
    if (start == -1)
        start = text.size();
    if (start > text.size())
        return 0;
    if (find.isEmpty())
        return start;
    // The match must lie wholly within the first `start` characters.
    const qsizetype from = start - find.size();
    if (from < 0)
        return 0;
    return text.lastIndexOf(find, from, Qt::CaseSensitive) + 1;
}

QString LTrim(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    return text.mid(i);
}

QString RTrim(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    return text.left(n);
}

QString Trim(const QString& text) { return LTrim(RTrim(text)); }

bool Like(const QString& text, const QString& pattern)
{
    // Greedy wildcard match with one backtrack point: every token but `*`
    // consumes exactly one character, so retrying the last `*` one character
    // further is enough and the match stays O(text x pattern).
    qsizetype t = 0, p = 0;
    qsizetype starP = -1, starT = 0;
    auto matchesOne = [](QChar pc, QChar tc) {
        if (pc == u'#')
            return tc >= u'0' && tc <= u'9';
        return pc == tc;
    };
    while (t < text.size()) {
        if (p < pattern.size() && pattern.at(p) == u'*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && matchesOne(pattern.at(p), text.at(t))) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == u'*')
        ++p;
    return p == pattern.size();
}

QString Str(long long number)
{
    return number < 0 ? QString::number(number) : QStringLiteral(" ") + QString::number(number);
}

std::optional<double> toDouble(const QString& text)
{
    const QString s = Trim(text);
    // Validate the syntax ourselves: strtod alone would accept "inf", "nan",
    // hex floats and leading white space of other kinds.
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto digits = [&] {
        qsizetype d = 0;
        while (i < n && s.at(i) >= u'0' && s.at(i) <= u'9') {
            ++i;
            ++d;
        }
        return d;
    };
    if (i < n && (s.at(i) == u'+' || s.at(i) == u'-'))
        ++i;
    qsizetype mantissa = digits();
    if (i < n && s.at(i) == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::nullopt;
    if (i < n && (s.at(i) == u'e' || s.at(i) == u'E')) {
        ++i;
        if (i < n && (s.at(i) == u'+' || s.at(i) == u'-'))
            ++i;
        if (digits() == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    const std::string ascii = s.toStdString();
    const double value = std::strtod(ascii.c_str(), nullptr);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

enum class IntResult { Ok, NotANumber, OutOfRange };

IntResult convertInt16(const QString& text, std::int16_t& out)
{
    const auto value = toDouble(text);
    if (!value)
        return IntResult::NotANumber;
    const double rounded = std::nearbyint(*value);  // default mode: half to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return IntResult::OutOfRange;
    out = static_cast<std::int16_t>(rounded);
    return IntResult::Ok;
}

}  // namespace

std::optional<std::int16_t> toInt16(const QString& text)
{
    std::int16_t v = 0;
    if (convertInt16(text, v) != IntResult::Ok)
        return std::nullopt;
    return v;
}

std::int16_t CInt(const QString& text)
{
    std::int16_t v = 0;
    switch (convertInt16(text, v)) {
    case IntResult::Ok:
        return v;
    case IntResult::NotANumber:
        throw RuntimeError::typeMismatch();
    case IntResult::OutOfRange:
        break;
    }
    throw RuntimeError::overflow();
}

QString numberText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");
    return QString::number(value, 'g', 15).toUpper();
}

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five unassigned codes.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

unsigned char ansiCode(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    for (std::size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] == u || (kHighTable[i] == 0 && u == 0x80 + i))
            return static_cast<unsigned char>(0x80 + i);
    }
    return '?';
}

QByteArray toAnsi(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        // A surrogate pair is one character the code page cannot hold.
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out.append(static_cast<char>(ch.isSurrogate() ? '?' : ansiCode(ch)));
    }
    return out;
}

QString fromAnsi(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F) {
            const char16_t u = kHighTable[b - 0x80];
            // Unassigned codes map to the C1 control of the same value, as
            // the system's conversion does.
            out.append(QChar(u != 0 ? u : char16_t(b)));
        } else {
            out.append(QChar(char16_t(b)));
        }
    }
    return out;
}

}  // namespace kiebitz::core
