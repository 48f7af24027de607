#include "platform/calendar.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(CalendarTest, DaysInMonth) {
  struct Case {
    int year;
    int month;
    int days;
  } cases[] = {
      {2024, 2, 29}, {2023, 2, 28}, {1900, 2, 28},
      {2000, 2, 29}, {1753, 1, 31}, {9999, 12, 31},
      {2026, 4, 30}, {2026, 0, 0},  {2026, 13, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
  }
}

}  // namespace
}  // namespace kelmar
