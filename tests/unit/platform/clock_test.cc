#include "platform/clock.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(ClockTest, LocalTimeRoundTrips) {
  LocalTime t{2024, 2, 29, 23, 59, 58, 125, 0};
  FixedClock clock(t);
  LocalTime back = clock.NowLocal();
  EXPECT_EQ(back.year, 2024);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 23);
  EXPECT_EQ(back.minute, 59);
  EXPECT_EQ(back.second, 58);
  EXPECT_EQ(back.millisecond, 125);
  EXPECT_EQ(back.weekday, 4);  // a Thursday
}

}  // namespace
}  // namespace kelmar
