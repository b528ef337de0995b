#include "core/runtime_error.h"
#include "core/text.h"

#include <gtest/gtest.h>

using namespace kiebitz::core;

TEST(Text, PositionsAreOneBasedAndShortenPastTheEnd)
{
    const QString s = QStringLiteral("eBay (x)");
    EXPECT_EQ(Mid(s, 1, 4), QStringLiteral("eBay"));
    EXPECT_EQ(Mid(s, 6), QStringLiteral("(x)"));
    EXPECT_EQ(Mid(s, 7, 100), QStringLiteral("x)"));
    EXPECT_EQ(Mid(s, 9, 2), QString());
    EXPECT_EQ(Mid(s, 500), QString());
    EXPECT_EQ(Left(s, 99), s);
    EXPECT_EQ(Right(s, 3), QStringLiteral("(x)"));
    EXPECT_THROW(Mid(s, 0, 1), RuntimeError);
    EXPECT_THROW(Mid(s, 1, -2), RuntimeError);
    EXPECT_THROW(Left(s, -1), RuntimeError);
    try {
        Mid(s, -3, 2);
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 5);
    }
}

TEST(Text, SearchForwardAndBackward)
{
    const QString s = QStringLiteral("a (b) (c)");
    EXPECT_EQ(InStr(s, QStringLiteral(" (")), 2);
    EXPECT_EQ(InStr(3, s, QStringLiteral(" (")), 6);
    EXPECT_EQ(InStr(s, QStringLiteral("z")), 0);
    EXPECT_EQ(InStr(s, QStringLiteral("B")), 0);  // exact case
    EXPECT_EQ(InStr(100, s, QStringLiteral("a")), 0);
    EXPECT_EQ(InStrRev(s, QStringLiteral(" (")), 6);
    EXPECT_EQ(InStrRev(s, QStringLiteral(")")), 9);
    EXPECT_EQ(InStrRev(s, QStringLiteral(")"), 8), 5);
    EXPECT_EQ(InStrRev(s, QStringLiteral("(c)"), 8), 0);  // must end within start
    EXPECT_EQ(InStrRev(QString(), QStringLiteral("x")), 0);
    EXPECT_THROW(InStr(0, s, QStringLiteral("a")), RuntimeError);
}

TEST(Text, TrimRemovesBlanksOnly)
{
    const QChar nul(u'\0');
    EXPECT_EQ(Trim(QStringLiteral("  ab c  ")), QStringLiteral("ab c"));
    EXPECT_EQ(Trim(QStringLiteral("\tab\t")), QStringLiteral("\tab\t"));
    EXPECT_EQ(Trim(QStringLiteral(" ab") + nul), QStringLiteral("ab") + nul);
    EXPECT_EQ(Trim(QStringLiteral("   ")), QString());
    EXPECT_EQ(LTrim(QStringLiteral("  a ")), QStringLiteral("a "));
    EXPECT_EQ(RTrim(QStringLiteral("  a ")), QStringLiteral("  a"));
}

TEST(Text, TitlePatterns)
{
    const QString nul(QChar(u'\0'));
    struct Row {
        QString text, pattern;
        bool match;
    };
    const Row rows[] = {
        {QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.07 18:30:00 MEZ) - Canon") + nul,
         QStringLiteral("*eBay*##########*"), true},
        {QStringLiteral("ebay Artikel 1234567890 (x)"), QStringLiteral("*eBay*##########*"), false},
        {QStringLiteral("eBay Artikel 123456789 (x)"), QStringLiteral("*eBay*##########*"), false},
        {QStringLiteral("1234567890 eBay"), QStringLiteral("*eBay*##########*"), false},
        {QStringLiteral("eBay: Canon (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ)"),
         QStringLiteral("*eBay* (* ##########*"), true},
        {QStringLiteral("eBay: Canon [Artikel 1234567890 endet]"), QStringLiteral("*eBay* (* ##########*"), false},
        {QStringLiteral("eBay: Canon (Artikel1234567890)"), QStringLiteral("*eBay* (* ##########*"), false},
        {QStringLiteral("eBay"), QStringLiteral("eBay*"), true},
        {QStringLiteral("xeBay"), QStringLiteral("eBay*"), false},
        {QStringLiteral("a?b[c]"), QStringLiteral("a?b[c]"), true},  // ? and [ are literal
        {QStringLiteral("axb"), QStringLiteral("a?b"), false},
        {QString(), QStringLiteral("*"), true},
        {QString(), QString(), true},
        {QStringLiteral("x"), QString(), false},
        {QStringLiteral("Title Kiebitz") + nul, QStringLiteral("*Kiebitz") + nul, true},
        {QStringLiteral("Title kiebitz") + nul, QStringLiteral("*Kiebitz") + nul, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text.toStdString() + " ~ " + r.pattern.toStdString());
        EXPECT_EQ(Like(r.text, r.pattern), r.match);
    }
}

TEST(Text, LikeStaysLinearOnLongTitles)
{
    // A long title without the ten digits must fail quickly, not backtrack
    // exponentially.
    const QString title = QStringLiteral("eBay ") + QString(65000, u'1').replace(9, 1, u'x');
    EXPECT_TRUE(Like(QStringLiteral("eBay") + QString(20000, u'9'), QStringLiteral("*eBay*##########*")));
    EXPECT_FALSE(Like(QString(65000, u'1'), QStringLiteral("*eBay*##########*")));
    (void)title;
}

TEST(Text, NumberConversionTo16Bit)
{
    struct Row {
        const char* text;
        std::optional<std::int16_t> value;
    };
    const Row rows[] = {
        {"60", 60},
        {"  60  ", 60},
        {"-1", -1},
        {"+7", 7},
        {"1.5", 2},
        {"2.5", 2},
        {"-2.5", -2},
        {"3.5", 4},
        {"0.49", 0},
        {"32767", 32767},
        {"-32768", -32768},
        {"32767.5", std::nullopt},
        {"32768", std::nullopt},
        {"99999", std::nullopt},
        {"1.5e9", std::nullopt},
        {"1e2", 100},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {"\t5", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"0x10", std::nullopt},
        {".", std::nullopt},
        {"1e", std::nullopt},
        {".5", 0},
        {"5.", 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(toInt16(QString::fromLatin1(r.text)), r.value);
    }
    EXPECT_EQ(toInt16(QStringLiteral("5") + QChar(u'\0')), std::nullopt);
    try {
        CInt(QStringLiteral("abc"));
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 13);
    }
    try {
        CInt(QStringLiteral("40000"));
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 6);
    }
}

TEST(Text, NumberToText)
{
    EXPECT_EQ(Str(13), QStringLiteral(" 13"));
    EXPECT_EQ(Str(0), QStringLiteral(" 0"));
    EXPECT_EQ(Str(-5), QStringLiteral("-5"));
    EXPECT_EQ(numberText(1500.0), QStringLiteral("1500"));
    EXPECT_EQ(numberText(-12.25), QStringLiteral("-12.25"));
    EXPECT_EQ(numberText(0.0), QStringLiteral("0"));
}

TEST(Text, SingleByteCodePage)
{
    EXPECT_EQ(toAnsi(QStringLiteral("ä€ß")), QByteArray("\xE4\x80\xDF"));
    EXPECT_EQ(toAnsi(QStringLiteral("Ω")), QByteArray("?"));
    EXPECT_EQ(toAnsi(QString::fromUtf8("\xF0\x9F\x98\x80")), QByteArray("?"));  // one pair, one '?'
    EXPECT_EQ(toAnsi(QString(QChar(0xD800))), QByteArray("?"));                 // lone surrogate
    EXPECT_EQ(fromAnsi(QByteArray("f\xE9vr ao\xFBt \x80")), QStringLiteral("févr août €"));
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(toAnsi(fromAnsi(all)), all);  // every byte survives the round trip
}
