#pragma once

// Text helpers with the classic BASIC semantics the program's title cuts
// rely on: 1-based positions, results that get shorter (never fail) when a
// range runs past the end, blank-only trimming, the `*`/`#` title patterns,
// and the number <-> text conversions of the stored settings.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace kiebitz::core {

// Characters from 1-based `start`, at most `length` of them (all when
// length < 0 is not given). Past the end the result is shorter or empty.
// Throws RuntimeError(5) when start < 1 or length < -1, as the cuts expect.
QString Mid(const QString& text, qsizetype start, qsizetype length = -1);
QString Left(const QString& text, qsizetype length);   // throws 5 when length < 0
QString Right(const QString& text, qsizetype length);  // throws 5 when length < 0

// 1-based position of `find` in `text` at or after `start`; 0 when absent.
// Throws RuntimeError(5) when start < 1.
qsizetype InStr(qsizetype start, const QString& text, const QString& find);
inline qsizetype InStr(const QString& text, const QString& find) { return InStr(1, text, find); }

// 1-based position of the last `find` that starts at or before `start`
// (-1: the end of the text); 0 when absent. Throws 5 when start is 0 or < -1.
qsizetype InStrRev(const QString& text, const QString& find, qsizetype start = -1);

// Removes U+0020 blanks only; a NUL, tab or line end is kept.
QString LTrim(const QString& text);
QString RTrim(const QString& text);
QString Trim(const QString& text);

// Whole-text pattern match: `*` any run (also empty), `#` one digit 0-9,
// every other character itself, case-sensitively.
bool Like(const QString& text, const QString& pattern);

// Number as text with a leading blank when not negative (" 13", "-5").
QString Str(long long number);

// Text to a 16-bit signed integer: blanks around allowed, an optional sign,
// digits with an optional fraction and exponent; a fraction rounds to the
// nearest integer, an exact half to the even one. Empty or no value when the
// text is not a number or the value lies outside -32768..32767.
std::optional<std::int16_t> toInt16(const QString& text);

// The same conversion as toInt16, failing the classic way: RuntimeError(13)
// for text that is not a number, RuntimeError(6) for a value out of range.
std::int16_t CInt(const QString& text);

// Text to a double with the same number syntax; empty when not a number.
std::optional<double> toDouble(const QString& text);

// Number-to-text of a double as the classic conversion writes it: plain
// decimal, no exponent for ordinary values, up to 15 significant digits,
// no trailing zeros ("1500", "0.5", "-12.25").
QString numberText(double value);

// The single-byte code page (Windows-1252) the window titles, the log and
// the link encoding use. A character it cannot hold becomes '?'.
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);
// Code of one character in the code page, '?' (63) when it has none.
unsigned char ansiCode(QChar ch);

}  // namespace kiebitz::core
