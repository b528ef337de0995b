#include "capture/read_datetime.h"

#include <gtest/gtest.h>

// Fields at fixed positions, separators not looked at, out-of-range fields
// rolling over; any unreadable piece gives the zero date ("-").
TEST(ReadDateTime, FixedPositions)
{
    const std::pair<const char*, const char*> rows[] = {
        {"31.12.2006 23:59:59", "31.12.2006 23:59:59"},  {" 1. 3.2007 24: 0: 0", "02.03.2007"},
        {"12-03-2007T18:30:00", "12.03.2007 18:30:00"},  {"12.03.07 18:30:00", "-"},
        {"12.03.0007 18:30:0 x", "12.03.2007 18:30:00"}, {"12.03.2007 18:30:", "-"},
        {"12.03.9999 99:30:00", "16.03.9999 03:30:00"},  {"xx.03.2007 18:30:00", "-"},
        {"31.02.2007 10:00:00", "03.03.2007 10:00:00"},  {"31.12.9999 24:00:00", "-"},
    };
    for (const auto& [text, expect] : rows) {
        const kiebitz::core::DateValue v = kiebitz::capture::read_DateTime(text);
        EXPECT_EQ(v == kiebitz::core::kZeroDate ? "-" : kiebitz::core::generalDateText(v), expect) << text;
    }
}
