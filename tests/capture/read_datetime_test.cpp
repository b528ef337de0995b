#include "capture/window_test.h"
#include "core/program_values.h"
#include "core/read_datetime.h"

#include <gtest/gtest.h>

using namespace kiebitz;
using core::CivilTime;

TEST(ReadDateTime, FixedPositions)
{
    struct Row {
        QString text;
        std::optional<CivilTime> expect;
    };
    const Row rows[] = {
        {QStringLiteral("12.03.2007 18:30:00"), CivilTime{2007, 3, 12, 18, 30, 0}},
        {QStringLiteral("31.12.2006 23:59:59"), CivilTime{2006, 12, 31, 23, 59, 59}},
        {QStringLiteral("01.01.2007 00:00:00"), CivilTime{2007, 1, 1, 0, 0, 0}},
        {QStringLiteral("31.02.2007 10:00:00"), CivilTime{2007, 3, 3, 10, 0, 0}},
        {QStringLiteral("12-03-2007T18:30:00"), CivilTime{2007, 3, 12, 18, 30, 0}},
        {QStringLiteral(" 1. 3.2007 24: 0: 0"), CivilTime{2007, 3, 2, 0, 0, 0}},
        {QStringLiteral("12.03.0007 18:30:00"), CivilTime{2007, 3, 12, 18, 30, 0}},
        {QStringLiteral("12.03.2007 18:30:00 trailing"), CivilTime{2007, 3, 12, 18, 30, 0}},
        {QStringLiteral("12.03.07 18:30:00"), std::nullopt},
        {QStringLiteral("12.03.2007"), std::nullopt},
        {QStringLiteral("12.03.2007 18:30:0"), CivilTime{2007, 3, 12, 18, 30, 0}},
        {QStringLiteral("12.03.2007 18:30:"), std::nullopt},
        {QString(), std::nullopt},
        {QStringLiteral("xx.03.2007 18:30:00"), std::nullopt},
        {QStringLiteral("12.03.0099 18:30:00"), CivilTime{1999, 3, 12, 18, 30, 0}},
        {QStringLiteral("12.03.99999 18:30:00"), std::nullopt},
        {QStringLiteral("12.03.9999 99:30:00"), CivilTime{9999, 3, 16, 3, 30, 0}},
        {QStringLiteral("31.12.9999 24:00:00"), std::nullopt},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text.toStdString());
        const core::DateValue v = core::read_DateTime(r.text);
        if (!r.expect) {
            EXPECT_EQ(v, core::kZeroDate);
        } else {
            EXPECT_EQ(core::toCivil(v), *r.expect);
        }
    }
    EXPECT_EQ(core::read_DateTime(QStringLiteral("01.01.2007 00:00:00")),
              *core::dateSerial(2007, 1, 1));  // midnight has no fraction
}

TEST(WindowTest, VisibleAndFramed)
{
    const std::uint32_t mask = core::WS_VISIBLE | core::WS_BORDER;
    EXPECT_EQ(mask, 0x10800000u);
    EXPECT_TRUE(capture::is_TaskWindow(mask | 0x00C00000u, mask));
    EXPECT_FALSE(capture::is_TaskWindow(core::WS_VISIBLE, mask));
    EXPECT_FALSE(capture::is_TaskWindow(core::WS_BORDER, mask));
    EXPECT_FALSE(capture::is_TaskWindow(0, mask));
}
