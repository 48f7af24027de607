#include "db/sql_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelmar {
namespace {

TEST(SqlLiteralTest, WritesEachKindOfValue) {
  struct Case {
    Value value;
    std::string expected;
  } cases[] = {
      {Value("A1"), "'A1'"},
      {Value(""), "''"},
      {Value("O'Higgins"), "'O''Higgins'"},
      {Value("'; DROP TABLE MAEPR --"), "'''; DROP TABLE MAEPR --'"},
      {Value(3), "3"},
      {Value(-12.5), "-12.5"},
      {Value::Number(2.5, 6), "2.500000"},
      {Value(std::numeric_limits<double>::quiet_NaN()), "0"},
      {Value(std::numeric_limits<double>::infinity()), "0"},
      {Value(Date{}), "NULL"},
      {Value(Date{2024, 2, 1}), "{d '2024-02-01'}"},
      {Value(true), "1"},
      {Value(false), "0"},
      {Value(), "NULL"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SqlLiteral(c.value), c.expected) << c.expected;
  }
}

TEST(SqlLiteralTest, DoublesTheChosenQuoteOnly) {
  EXPECT_EQ(SqlLiteral(Value("say \"hi\" it's"), '"'),
            "\"say \"\"hi\"\" it's\"");
}

TEST(SqlLiteralTest, KeyListsJoinTermsWithAnd) {
  EXPECT_EQ(KeyWhere({"KOPR", "KOLT"}, {Value("A1"), Value("01")}),
            "KOPR='A1' AND KOLT='01'");
  EXPECT_EQ(KeyWhere({"FEEMDO"}, {Value(Date{})}), "FEEMDO=NULL");
  EXPECT_EQ(KeyWhere({"A", "B"}, {Value(1)}), "A=1");
}

TEST(NumberTextTest, NacsbAndNumsindec) {
  EXPECT_EQ(NACSB(5), "5");
  EXPECT_EQ(NACSB(Value::Number(2.5, 6)), "2.500000");
  EXPECT_EQ(NACSB(Value::Number(7, 6)), "7");
  EXPECT_EQ(NACSB(-2.25), "-2.25");
  struct Case {
    double number;
    const char* expected;
  } cases[] = {{12, "12"},        {12.5, "12.5"},
               {1.25, "1.25"},    {0.125, "0.125"},
               {3.1416, "3.142"}, {1234.5, "1234.5"},
               {0.05, "0.05"},    {0.9996, "1"},
               {-12.5, "-12.5"},  {1e12 + 0.5, "1000000000000.5"}};
  for (const Case& c : cases) {
    EXPECT_EQ(NUMSINDEC(c.number), c.expected) << c.number;
  }
}

TEST(EvalGetNumTest, ReadsDatabaseNumberText) {
  struct Case {
    const char* text;
    double expected;
  } cases[] = {{"1.5E-3", 0.0015},
               {"2.5", 2.5},
               {"-3", -3},
               {"1E+2", 100},
               {"0.1234567", 0.123457},
               {"", 0},
               {"abc", 0},
               {"12abc", 12},
               {"1.5E", 1.5}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(EVALGETNUM(c.text), c.expected) << c.text;
  }
}

TEST(FormulaTextTest, FromWhereTakesFirstEntryPerNeededTable) {
  auto [from, where] = FROMWHERE({{"TABPRE", "TABPRE.KOPR='A' "},
                                  {"MAEPR", "MAEPR.KOPR='A'"},
                                  {"TABPRE", "ignored"}},
                                 {"MAEPR", "NOPE", "TABPRE"});
  EXPECT_EQ(from, "MAEPR,TABPRE");
  EXPECT_EQ(where, "MAEPR.KOPR='A' AND TABPRE.KOPR='A' ");
}

TEST(FormulaTextTest, ExtraeSplitsRange) {
  auto items = EXTRAE("[1,2,TABPRE,PP01UD, rest, with commas ");
  EXPECT_EQ(items[0], Value("1"));
  EXPECT_EQ(items[1], Value("2"));
  EXPECT_EQ(items[2], Value("TABPRE"));
  EXPECT_EQ(items[3], Value("PP01UD"));
  EXPECT_EQ(items[4], Value("rest, with commas"));

  auto short_items = EXTRAE("[A]");
  EXPECT_EQ(short_items[0], Value("A"));
  EXPECT_EQ(short_items[1], Value(0));
  EXPECT_EQ(short_items[4], Value(""));
  EXPECT_EQ(EXTRAE("")[0], Value(0));
}

TEST(FormulaTextTest, QuedarestoAndExtraecampo) {
  struct Case {
    const char* formula;
    int expected;
  } cases[] = {{"PRECIO*2", 1}, {"[a,b]PRECIO", 6}, {"[a][b]X", 7},
               {"[a[b]]X", 7},  {"[a,b]", 0},       {"[never", 0},
               {"", 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(QUEDARESTO(c.formula), c.expected) << c.formula;
  }
  EXPECT_EQ(EXTRAECAMPO("[x]PP01UD*1.19", 4), "PP01UD");
  EXPECT_EQ(EXTRAECAMPO("ABC", 1), "ABC");
  EXPECT_EQ(EXTRAECAMPO("ABC", 9), "");
}

TEST(FormulaTextTest, ArreglaxxMarksFieldNames) {
  std::vector<std::string> fields = {"PP01UD", "PP02UD"};
  EXPECT_EQ(ARREGLAXX(fields, "pp01ud*1.19+DESC", "T"),
            "(<T>pp01ud*1.19+DESC)");
  EXPECT_EQ(ARREGLAXX(fields, "2.5*(PP02UD-1)", "T"), "(2.5*(<T>PP02UD-1))");
}

TEST(FormulaTextTest, DivisionByZeroYieldsZero) {
  EXPECT_EQ(POSIBLEERROR(5, 0), 0);
  EXPECT_EQ(POSIBLEERROR(5, 2), 2.5);
}

}  // namespace
}  // namespace kelmar
