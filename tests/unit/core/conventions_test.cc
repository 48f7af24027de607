#include "core/conventions.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(ConventionsTest, DatesAsText) {
  EXPECT_EQ(DTOC(Date{2024, 2, 1}), "01/02/2024");
  EXPECT_EQ(DTOC(Date()), "  /  /    ");
  EXPECT_EQ(DTOS(Date{2024, 2, 1}), "20240201");
  EXPECT_EQ(DTOS(Date()), "        ");

  struct Case {
    const char* text;
    Date date;
  } cases[] = {
      {"01/02/2024", {2024, 2, 1}}, {"1/2/24", {2024, 2, 1}},
      {"31/12/99", {2099, 12, 31}}, {" 29/02/2024 ", {2024, 2, 29}},
      {"29/02/2023", {}},           {"32/01/2024", {}},
      {"01/13/2024", {}},           {"", {}},
      {"  /  /    ", {}},           {"01/02", {}},
      {"aa/02/2024", {}},           {"01/02/2024/5", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CTOD(c.text), c.date) << c.text;
  }
}

TEST(ConventionsTest, TimesAsText) {
  LocalTime t{2024, 2, 1, 12, 34, 56, 129, 4};
  EXPECT_EQ(TimeText(t), "12:34:56");
  EXPECT_EQ(SecondsText(t), "45296.12");
  EXPECT_EQ(SecondsText(LocalTime{2024, 2, 1, 0, 0, 0, 0, 4}), "0.00");
}

TEST(ConventionsTest, TextToNumber) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"12", 12}, {"12abc", 12}, {"  -3.5x", -3.5}, {"abc", 0},
      {"", 0},    {".5", 0.5},   {"1.2.3", 1.2},    {"+7", 7},
      {"-", 0},   {"0012", 12},  {"8080/", 8080},   {"1e3", 1},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(VAL(c.text), c.value) << c.text;
  }
}

TEST(ConventionsTest, NumberCheckForUnquotedSql) {
  struct Case {
    const char* text;
    bool number;
  } cases[] = {
      {"10", true},    {" 10 ", true},    {"-2.5", true}, {"3.", true},
      {"", false},     {"1;DROP", false}, {"1 2", false}, {".5", false},
      {"0x10", false}, {"1e3", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsNumberText(c.text), c.number) << c.text;
  }
}

TEST(ConventionsTest, NumbersAsText) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {5, -1, "5"},         {-12, -1, "-12"},         {2.5, -1, "2.5"},
      {0.125, -1, "0.125"}, {0.1, -1, "0.1"},         {-0.0, -1, "0"},
      {2.5, 6, "2.500000"}, {1234.005, 2, "1234.01"}, {-7.5, 2, "-7.50"},
      {19, 0, "19"},        {-0.001, 2, "0.00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NumberText(c.value, c.decimals), c.text)
        << c.value << " " << c.decimals;
  }
  EXPECT_EQ(FixedNumberText(12), "        12");
  EXPECT_EQ(FixedNumberText(2.5, 6), "         2.500000");
  EXPECT_EQ(FixedNumberText(12345678901.0), "12345678901");
  EXPECT_EQ(LogicalText(true), ".T.");
  EXPECT_EQ(LogicalText(false), ".F.");
}

}  // namespace
}  // namespace kelmar
