#include "core/datetime.h"

#include <gtest/gtest.h>

using namespace kiebitz::core;

TEST(DateValue, SerialsRollOverAndUseTheTwoDigitWindow)
{
    struct Row {
        int y, m, d;
        std::optional<CivilTime> expect;
    };
    auto at = [](int y, int m, int d) { return std::optional<CivilTime>(CivilTime{y, m, d, 0, 0, 0}); };
    const Row rows[] = {
        {2007, 3, 12, at(2007, 3, 12)},   {2007, 2, 31, at(2007, 3, 3)},  {2007, 13, 1, at(2008, 1, 1)},
        {2007, 3, 0, at(2007, 2, 28)},    {2008, 3, 0, at(2008, 2, 29)},  {2007, 0, 1, at(2006, 12, 1)},
        {7, 3, 12, at(2007, 3, 12)},      {29, 1, 1, at(2029, 1, 1)},     {30, 1, 1, at(1930, 1, 1)},
        {99, 12, 31, at(1999, 12, 31)},   {100, 1, 1, at(100, 1, 1)},     {9999, 12, 31, at(9999, 12, 31)},
        {9999, 13, 1, std::nullopt},      {10000, 1, 1, std::nullopt},    {-1, 1, 1, std::nullopt},
        {1899, 12, 29, at(1899, 12, 29)}, {1800, 6, 15, at(1800, 6, 15)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.y << "-" << r.m << "-" << r.d);
        const auto v = dateSerial(r.y, r.m, r.d);
        ASSERT_EQ(v.has_value(), r.expect.has_value());
        if (v) {
            EXPECT_EQ(toCivil(*v), *r.expect);
        }
    }
    EXPECT_EQ(*dateSerial(1899, 12, 30), 0.0);
    EXPECT_EQ(*dateSerial(1900, 1, 1), 2.0);
    EXPECT_EQ(*dateSerial(1899, 12, 29), -1.0);
}

TEST(DateValue, TimeRollsOverIntoTheDate)
{
    EXPECT_EQ(toCivil(*dateTimeSerial(2007, 3, 12, 24, 0, 0)), (CivilTime{2007, 3, 13, 0, 0, 0}));
    EXPECT_EQ(toCivil(*dateTimeSerial(2006, 12, 31, 23, 59, 60)), (CivilTime{2007, 1, 1, 0, 0, 0}));
    EXPECT_EQ(toCivil(*dateTimeSerial(2007, 1, 1, 0, -1, 0)), (CivilTime{2006, 12, 31, 23, 59, 0}));
    EXPECT_EQ(toCivil(*dateTimeSerial(1899, 12, 29, 6, 0, 0)), (CivilTime{1899, 12, 29, 6, 0, 0}));
    EXPECT_DOUBLE_EQ(*dateTimeSerial(1899, 12, 29, 6, 0, 0), -1.25);
    EXPECT_FALSE(dateTimeSerial(9999, 12, 31, 24, 0, 0).has_value());
}

TEST(DateValue, SecondArithmeticIsExact)
{
    const DateValue start = *dateTimeSerial(2026, 12, 6, 12, 0, 0);
    DateValue v = start;
    for (int i = 0; i < 100000; ++i)
        v = addSeconds(v, 1);
    EXPECT_EQ(secondsBetween(start, v), 100000);
    EXPECT_EQ(toCivil(v), (CivilTime{2026, 12, 7, 15, 46, 40}));
    EXPECT_EQ(toCivil(addHours(start, -36)), (CivilTime{2026, 12, 5, 0, 0, 0}));
    EXPECT_EQ(toCivil(addMinutes(start, 90)), (CivilTime{2026, 12, 6, 13, 30, 0}));
    EXPECT_EQ(secondsBetween(v, start), -100000);
    EXPECT_EQ(daysBetween(*dateTimeSerial(2026, 12, 6, 23, 59, 59), *dateTimeSerial(2026, 12, 7, 0, 0, 0)), 1);
    // Across the epoch, where the stored form changes direction.
    const DateValue before = *dateTimeSerial(1899, 12, 29, 23, 0, 0);
    EXPECT_EQ(secondsBetween(before, addSeconds(before, 7200)), 7200);
    EXPECT_EQ(toCivil(addSeconds(before, 7200)), (CivilTime{1899, 12, 30, 1, 0, 0}));
}

TEST(DateValue, QtConversionAndText)
{
    const QDateTime dt(QDate(2007, 3, 12), QTime(18, 30, 0, 999));
    const DateValue v = fromQDateTime(dt);
    EXPECT_EQ(toCivil(v), (CivilTime{2007, 3, 12, 18, 30, 0}));
    EXPECT_EQ(toQDateTime(v), QDateTime(QDate(2007, 3, 12), QTime(18, 30, 0)));
    EXPECT_EQ(generalDateText(v), QStringLiteral("12.03.2007 18:30:00"));
    EXPECT_EQ(generalDateText(*dateSerial(2007, 1, 1)), QStringLiteral("01.01.2007"));
}
