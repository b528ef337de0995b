// The BASIC-style text helpers, number conversions, the code page, the
// browser names at the end of window titles, and the date value.

#include "core/browser_names.h"
#include "core/datetime.h"
#include "core/runtime_error.h"
#include "core/text.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kiebitz::core;
using namespace Qt::StringLiterals;

namespace {

// Positions are 1-based; a range past the end gives a shorter result, a
// start before the text fails. A reverse match must end within
// start. Trimming takes blanks only. "*" is any run, "#" one digit.
TEST(Text, PositionsTrimAndPatterns)
{
    const QString s = u"eBay (x)"_s, t = u"a (b) (c)"_s;
    EXPECT_EQ(Mid(s, 8) + Mid(s, 9, 2), ")");
    EXPECT_THROW(Mid(s, 0, 1), RuntimeError);
    EXPECT_EQ((std::vector<qsizetype>{InStr(t, " ("), InStr(3, t, " ("), InStr(t, "B"), InStr(100, t, "a"),
                                      InStr(9, t, ")"), InStrRev(t, ")"), InStrRev(t, ")", 8), InStrRev(t, "(c)", 8),
                                      InStrRev(t, "a (b", 4)}),
              (std::vector<qsizetype>{2, 6, 0, 0, 9, 9, 5, 0, 1}));
    EXPECT_EQ((QStringList{Trim("  ab c  "), Trim("\tab\t"), Trim(u" ab\0"_s), LTrim("  a "), RTrim("  a ")}),
              (QStringList{"ab c", "\tab\t", u"ab\0"_s, "a ", "  a"}));

    const QString item = u"*eBay*##########*"_s;
    const std::tuple<const char*, QString, bool> rows[] = {
        {"eBay x 1234567890 (E)", item, true}, {"xeBay", "eBay*", false},
        {"ebay x 1234567890", item, false},    {"a?b[c]", "a?b[c]", true},
        {"eBay 123456789 x", item, false},     {"axb", "a?b", false},
        {"1234567890 x eBay", item, false},    {"", "*", true},
        {"Title Kiebitz", "*Kiebitz", true},   {"eBay: C (A 1234567890 e)", "*eBay* (* ##########*", true},
    };
    for (const auto& [text, pattern, match] : rows)
        EXPECT_EQ(Like(text, pattern), match) << text << " ~ " << pattern.toStdString();
    // Long titles match without exponential backtracking.
    EXPECT_TRUE(Like(u"eBay"_s + QString(20000, u'9'), item));
    EXPECT_FALSE(Like(QString(65000, u'1'), item));
}

// Blanks around, a sign, a fraction (rounded half to even) and an exponent;
// nothing else, and only values of 16 bits. The code page is Windows-1252:
// a character it cannot hold, a surrogate pair included, is one "?".
TEST(Text, NumbersAndCodePage)
{
    const std::optional<std::int16_t> no;
    const std::pair<const char*, std::optional<std::int16_t>> rows[] = {
        {"  60  ", 60}, {"-1", -1},         {"+7", 7},     {"1.5", 2}, {"2.5", 2},    {"-2.5", -2},  {"32767", 32767},
        {"1E+2", 100},  {"-32768", -32768}, {"32768", no}, {"", no},   {".", no},     {"12abc", no}, {"\t5", no},
        {"inf", no},    {"nan", no},        {"0x10", no},  {"1e", no}, {"1e400", no},
    };
    for (const auto& [text, value] : rows)
        EXPECT_EQ(toInt16(text), value) << text;
    EXPECT_EQ((QStringList{Str(13), Str(0), Str(-5), numberText(-12.25), numberText(0), numberText(1e20),
                           numberText(1234567.5)}),
              (QStringList{" 13", " 0", "-5", "-12.25", "0", "1E+20", "1234567.5"}));
    EXPECT_EQ(toAnsi(u"ä€ßΩ\U0001F600"_s + QChar(0xD800)), QByteArray("\xE4\x80\xDF???"));
    EXPECT_EQ(fromAnsi("f\xE9vr \x80\x81"), u"févr €\u0081"_s);
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(toAnsi(fromAnsi(all)), all);
}

// A browser's own name at the end of a window title is cut off, in the
// browser's own spelling, the longest name included.
TEST(Text, BrowserNames)
{
    const std::pair<QString, QString> cut[] = {
        {"eBay: Canon (1) - Mozilla Firefox", "eBay: Canon (1)"},    {"eBay \u2014 Mozilla Firefox", "eBay"},
        {"Seite - Firefox - Mozilla Firefox", "Seite - Firefox"},    {"Seite \u2013 Opera", "Seite"},
        {"A \u2014 Chromium - Firefox", "A \u2014 Chromium"},        {"x - Mozilla Firefox Private Browsing", "x"},
        {QString(70000, u'x') + " - Vivaldi", QString(70000, u'x')}, {" - Mozilla Firefox", ""},
    };
    for (const auto& [window, page] : cut)
        EXPECT_EQ(withoutBrowserName(window), page) << window.left(60).toStdString();
    for (const char* window :
         {"Mozilla Firefox", "Seite - mozilla firefox", "Seite - Mozilla Firefox ", "Seite -- Opera", ""})
        EXPECT_EQ(withoutBrowserName(window), std::nullopt) << window;
}

// Dates roll over, two-digit years fall in 1930..2029, only the years
// 100..9999 exist; the time counts forward before the epoch, and the
// general date text leaves it out only at exactly midnight. Arithmetic goes
// through whole seconds, so it never drifts; days are calendar days.
TEST(DateValue, SerialsTextAndSeconds)
{
    const auto text = [](std::optional<DateValue> v) { return v ? generalDateText(*v) : u"(none)"_s; };
    const std::tuple<int, int, int, const char*> dates[] = {
        {2007, 2, 31, "03.03.2007"}, {2008, 3, 0, "29.02.2008"},   {2007, 0, 1, "01.12.2006"},
        {29, 1, 1, "01.01.2029"},    {30, 1, 1, "01.01.1930"},     {99, 12, 31, "31.12.1999"},
        {100, 1, 1, "01.01.0100"},   {9999, 12, 31, "31.12.9999"}, {1800, 6, 15, "15.06.1800"},
        {9999, 13, 1, "(none)"},     {-1, 1, 1, "(none)"},         {100, 1, 0, "(none)"},
    };
    for (const auto& [y, m, d, expect] : dates)
        EXPECT_EQ(text(dateSerial(y, m, d)), expect) << y << "-" << m << "-" << d;
    EXPECT_EQ(
        (std::vector{*dateSerial(1899, 12, 30), *dateSerial(1899, 12, 29), *dateTimeSerial(1899, 12, 29, 6, 0, 0)}),
        (std::vector{0.0, -1.0, -1.25}));
    const std::tuple<CivilTime, const char*> times[] = {
        {{2007, 1, 1, 0, -1, 0}, "31.12.2006 23:59:00"},     {{2007, 3, 12, 24, 0, 0}, "13.03.2007"},
        {{1899, 12, 29, 6, 7, 8}, "29.12.1899 06:07:08"},    {{9999, 12, 31, 24, 0, 0}, "(none)"},
        {{9999, 12, 31, 23, 59, 59}, "31.12.9999 23:59:59"}, {{100, 1, 1, 0, 0, -1}, "(none)"},
        {{2007, 1, 1, 0, 0, 5}, "01.01.2007 00:00:05"},      {{2007, 1, 1, 0, 7, 0}, "01.01.2007 00:07:00"},
    };
    for (const auto& [c, expect] : times)
        EXPECT_EQ(text(dateTimeSerial(c.year, c.month, c.day, c.hour, c.minute, c.second)), expect);
    for (const CivilTime& bad :
         {CivilTime{2007, 2, 29, 0, 0, 0}, CivilTime{2007, 3, 12, 0, 0, 60}, CivilTime{99, 3, 12, 0, 0, 0}})
        EXPECT_FALSE(fromCivil(bad).has_value());

    const DateValue start = *dateTimeSerial(2026, 12, 6, 12, 0, 0), before = *dateTimeSerial(1899, 12, 29, 23, 0, 0);
    DateValue v = start;
    for (int i = 0; i < 100000; ++i)
        v = addSeconds(v, 1);
    EXPECT_EQ(std::pair(secondsBetween(start, v), secondsBetween(v, start)), std::pair(100000L, -100000L));
    EXPECT_EQ(generalDateText(v) + ", " + generalDateText(addHours(start, -36)) + ", " +
                  generalDateText(addMinutes(start, 90)),
              "07.12.2026 15:46:40, 05.12.2026, 06.12.2026 13:30:00");
    EXPECT_EQ(daysBetween(*dateTimeSerial(2026, 12, 6, 23, 59, 59), *dateTimeSerial(2026, 12, 7, 0, 0, 0)), 1);
    EXPECT_EQ(daysBetween(before, *dateTimeSerial(1899, 12, 28, 1, 0, 0)), -1);
    EXPECT_EQ(generalDateText(addSeconds(before, 7200)), "30.12.1899 01:00:00");
    EXPECT_EQ(toQDateTime(fromQDateTime(QDateTime(QDate(2007, 3, 12), QTime(18, 30, 0, 999)))),
              QDateTime(QDate(2007, 3, 12), QTime(18, 30)));
}

}  // namespace
