#include "support/LengthString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

TEST(LengthString, ClockReadingsWithAndWithoutHundredths) {
    EXPECT_EQ(MakeLengthString(0, false), "0:00");
    EXPECT_EQ(MakeLengthString(61999, false), "1:01");
    EXPECT_EQ(MakeLengthString(61999, true), "1:01.99");
    EXPECT_EQ(MakeLengthString(3600000 + 5 * 60000 + 7000, false), "1:05:07");
    EXPECT_EQ(MakeLengthString(-1500, true), "-0:01.50");
    EXPECT_EQ(MakeLengthString(std::numeric_limits<int64_t>::min(), false).front(), '-');
}
