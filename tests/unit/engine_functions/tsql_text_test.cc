#include "db/engine/tsql_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kelmar {
namespace {

SqlDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0,
               int ms = 0) {
  return SqlDateTime{y, mo, d, h, mi, s, ms};
}

std::string Styled(const SqlDateTime& t, int style) {
  std::string out;
  Status st = FormatDatetimeStyle(t, style, &out);
  return st.ok() ? out : "error:" + st.message();
}

std::string Parsed(const std::string& text, int style) {
  SqlDateTime t;
  Status st = ParseDatetimeText(text, style, &t);
  return st.ok() ? FormatDatetime(t) : "error";
}

TEST(TsqlTextTest, DatetimeStyles) {
  const SqlDateTime pm = At(2024, 3, 5, 14, 7, 9, 123);
  const SqlDateTime am = At(2009, 11, 25, 0, 5, 0, 0);
  struct Case {
    int style;
    const char* pm;
    const char* am;
  } cases[] = {
      {-1, "Mar  5 2024  2:07PM", "Nov 25 2009 12:05AM"},
      {100, "Mar  5 2024  2:07PM", "Nov 25 2009 12:05AM"},
      {9, "Mar  5 2024  2:07:09:123PM", "Nov 25 2009 12:05:00:000AM"},
      {1, "03/05/24", "11/25/09"},
      {101, "03/05/2024", "11/25/2009"},
      {3, "05/03/24", "25/11/09"},
      {103, "05/03/2024", "25/11/2009"},
      {104, "05.03.2024", "25.11.2009"},
      {5, "05-03-24", "25-11-09"},
      {105, "05-03-2024", "25-11-2009"},
      {106, "05 Mar 2024", "25 Nov 2009"},
      {108, "14:07:09", "00:05:00"},
      {111, "2024/03/05", "2009/11/25"},
      {112, "20240305", "20091125"},
      {113, "05 Mar 2024 14:07:09:123", "25 Nov 2009 00:05:00:000"},
      {120, "2024-03-05 14:07:09", "2009-11-25 00:05:00"},
      {121, "2024-03-05 14:07:09.123", "2009-11-25 00:05:00.000"},
      {23, "2024-03-05", "2009-11-25"},
      {126, "2024-03-05T14:07:09.123", "2009-11-25T00:05:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Styled(pm, c.style), c.pm) << c.style;
    EXPECT_EQ(Styled(am, c.style), c.am) << c.style;
  }
  EXPECT_EQ(Styled(pm, 15),
            "error:15 is not a valid style number when converting from "
            "datetime to a character string.");
}

TEST(TsqlTextTest, ParsesDatetimeText) {
  struct Case {
    const char* text;
    int style;
    const char* expected;
  } cases[] = {
      {"05-03-2024", 105, "2024-03-05 00:00:00.000"},
      {"05/03/2024", -1, "2024-03-05 00:00:00.000"},  // day first
      {"03/05/2024", 101, "2024-03-05 00:00:00.000"},
      {"05.03.24", 104, "2024-03-05 00:00:00.000"},
      {"05/03/50", 3, "1950-03-05 00:00:00.000"},
      {"05/03/49", 3, "2049-03-05 00:00:00.000"},
      {"2024-03-05 14:07", -1, "2024-03-05 14:07:00.000"},
      {"2024-03-05 14:07:09.1239", -1, "2024-03-05 14:07:09.123"},
      {"2024-03-05 14:07:09:5", -1, "2024-03-05 14:07:09.007"},
      {"20240305 12:00AM", -1, "2024-03-05 00:00:00.000"},
      {"2024-03-05 12:30 pm", -1, "2024-03-05 12:30:00.000"},
      {"Mar  5 2024  2:07:09:123PM", -1, "2024-03-05 14:07:09.123"},
      {"march 5, 2024", -1, "2024-03-05 00:00:00.000"},
      {"2024-02-29", -1, "2024-02-29 00:00:00.000"},
      {"1753-01-01", -1, "1753-01-01 00:00:00.000"},
      {"   ", -1, "1900-01-01 00:00:00.000"},
      {"2023-02-29", -1, "error"},
      {"1752-12-31", -1, "error"},
      {"2024-13-01", -1, "error"},
      {"2024-03-05 13:00PM", -1, "error"},
      {"2024-03-05x", -1, "error"},
      {"5", -1, "error"},
      {"05-03", 105, "error"},
      {"Foo 5 2024", -1, "error"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parsed(c.text, c.style), c.expected) << c.text;
  }
}

TEST(TsqlTextTest, DatetimeTicksAndDayArithmetic) {
  struct Case {
    int ms;
    const char* expected;
  } cases[] = {
      {0, "2024-12-31 23:59:59.000"},   {1, "2024-12-31 23:59:59.000"},
      {2, "2024-12-31 23:59:59.003"},   {5, "2024-12-31 23:59:59.007"},
      {9, "2024-12-31 23:59:59.010"},   {998, "2024-12-31 23:59:59.997"},
      {999, "2025-01-01 00:00:00.000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(
        FormatDatetime(RoundToDatetimeTick(At(2024, 12, 31, 23, 59, 59, c.ms))),
        c.expected)
        << c.ms;
  }
  EXPECT_EQ(DayNumber(At(1900, 1, 1)), 0);
  EXPECT_EQ(DayNumber(At(2024, 1, 1)), 45290);
  EXPECT_EQ(DayNumber(At(1899, 12, 31)), -1);
  for (const SqlDateTime& t : {At(1753, 1, 1), At(2024, 2, 29, 23, 59, 59, 997),
                               At(9999, 12, 31, 23, 59, 59, 997)}) {
    EXPECT_EQ(FormatDatetime(FromMillis(ToMillis(t))), FormatDatetime(t));
  }
  SqlDateTime t;
  EXPECT_TRUE(ParseStoredDatetime("2024-02-29 10:00:00.000", &t));
  EXPECT_FALSE(ParseStoredDatetime("2023-02-29 10:00:00.000", &t));
  EXPECT_FALSE(ParseStoredDatetime("2024-02-29 10:00:00", &t));
}

TEST(TsqlTextTest, FloatForms) {
  struct Case {
    double value;
    int style;
    const char* expected;
  } cases[] = {
      {0, 0, "0"},
      {2.5, 0, "2.5"},
      {-33.4489123, 0, "-33.4489"},
      {123456, 0, "123456"},
      {1234567, 0, "1.23457e+006"},
      {0.0001, 0, "0.0001"},
      {0.00001234, 0, "1.234e-005"},
      {1e100, 0, "1e+100"},
      {1234567, 1, "1.2345670e+006"},
      {0.5, 2, "5.000000000000000e-001"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(FormatFloat(c.value, c.style, &out).ok()) << c.value;
    EXPECT_EQ(out, c.expected) << c.value;
  }
  std::string out;
  EXPECT_FALSE(FormatFloat(1, 7, &out).ok());
}

TEST(TsqlTextTest, NumbersFromText) {
  struct Case {
    const char* text;
    bool is_int;
    bool is_float;
    double value;
  } cases[] = {
      {"", true, true, 0},
      {" 42 ", true, true, 42},
      {"-7", true, true, -7},
      {"+7", true, true, 7},
      {"2.5", false, true, 2.5},
      {"1.5E-3", false, true, 0.0015},
      {".5", false, true, 0.5},
      {"5.", false, true, 5},
      {"-", false, false, 0},
      {"1e", false, false, 0},
      {"abc", false, false, 0},
      {"0x10", false, false, 0},
      {"inf", false, false, 0},
      {"1 2", false, false, 0},
      {"99999999999999999999", false, true, 1e20},
  };
  for (const Case& c : cases) {
    int64_t i = 0;
    double d = 0;
    EXPECT_EQ(ParseIntText(c.text, &i), c.is_int) << c.text;
    if (c.is_int) {
      EXPECT_EQ(i, static_cast<int64_t>(c.value)) << c.text;
    }
    EXPECT_EQ(ParseFloatText(c.text, &d), c.is_float) << c.text;
    if (c.is_float) {
      EXPECT_DOUBLE_EQ(d, c.value) << c.text;
    }
  }
}

}  // namespace
}  // namespace kelmar
