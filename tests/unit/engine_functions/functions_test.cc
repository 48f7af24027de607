#include "db/engine/embedded/functions.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "platform/clock.h"

namespace kelmar {
namespace {

struct Case {
  const char* expr;
  const char* expected;
};

class FunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    ASSERT_TRUE(RegisterTsqlFunctions(db_, &clock_).ok());
  }
  void TearDown() override { sqlite3_close(db_); }

  // "type:value" of the one value `expr` gives, "null" for NULL, or
  // "error:message" when the statement fails.
  std::string Eval(const std::string& expr) {
    std::string sql = "SELECT typeof(x), x FROM (SELECT " + expr + " AS x)";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      return std::string("prepare:") + sqlite3_errmsg(db_);
    }
    std::string out;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      std::string type =
          reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      if (type == "null") {
        out = "null";
      } else {
        const unsigned char* v = sqlite3_column_text(stmt, 1);
        out = type + ":" +
              std::string(reinterpret_cast<const char*>(v),
                          sqlite3_column_bytes(stmt, 1));
      }
    } else {
      out = std::string("error:") + sqlite3_errmsg(db_);
    }
    sqlite3_finalize(stmt);
    return out;
  }

  FixedClock clock_{LocalTime{2024, 3, 5, 14, 7, 9, 124}};
  sqlite3* db_ = nullptr;
};

#define EXPECT_CASES(...)                                        \
  for (const Case& c : std::initializer_list<Case>{__VA_ARGS__}) \
  EXPECT_EQ(Eval(c.expr), c.expected) << c.expr

TEST_F(FunctionsTest, GetDateComesFromTheClockAtDatetimePrecision) {
  // 124 ms is not a datetime tick: the server shows .123.
  EXPECT_EQ(Eval("tsql_getdate()"), "text:2024-03-05 14:07:09.123");
  clock_.Set(LocalTime{2024, 12, 31, 23, 59, 59, 999});
  EXPECT_EQ(Eval("tsql_getdate()"), "text:2025-01-01 00:00:00.000");
}

TEST_F(FunctionsTest, ConvertDatetimeToText) {
  EXPECT_CASES(
      {"tsql_convert('varchar(45)', '2024-03-05 14:07:09.123', 9)",
       "text:Mar  5 2024  2:07:09:123PM"},
      {"tsql_convert('varchar', '2024-03-05 00:07:09.000', 9)",
       "text:Mar  5 2024 12:07:09:000AM"},
      {"tsql_convert('varchar', '2024-03-05 14:07:09.123', 103)",
       "text:05/03/2024"},
      {"tsql_convert('varchar', '2024-03-05 14:07:09.123', 105)",
       "text:05-03-2024"},
      {"tsql_convert('varchar', '2024-03-05 14:07:09.123', 120)",
       "text:2024-03-05 14:07:09"},
      {"tsql_convert('varchar', '2024-03-05 14:07:09.123', 121)",
       "text:2024-03-05 14:07:09.123"},
      {"tsql_convert('varchar', '2024-03-05 14:07:09.123', NULL)",
       "text:Mar  5 2024  2:07PM"},
      {"tsql_convert('varchar(10)', '2024-03-05 14:07:09.123', 120)",
       "text:2024-03-05"},
      {"tsql_convert('char(12)', '2024-03-05 14:07:09.123', 103)",
       "text:05/03/2024  "},
      {"tsql_convert('varchar', '2024-03-05 14:07:09.123', 999)",
       "error:999 is not a valid style number when converting from datetime "
       "to a character string."},
      // Text that merely looks like a date is ordinary text.
      {"tsql_convert('varchar', '2024-03-05', 103)", "text:2024-03-05"});
}

TEST_F(FunctionsTest, ConvertNumbersToText) {
  EXPECT_CASES(
      {"tsql_convert('varchar(10)', 42, NULL)", "text:42"},
      {"tsql_convert('varchar', -7, NULL)", "text:-7"},
      {"tsql_convert('varchar(2)', 123, NULL)", "text:*"},
      {"tsql_convert('varchar', 2.5, NULL)", "text:2.5"},
      {"tsql_convert('varchar', 123.456789, NULL)", "text:123.457"},
      {"tsql_convert('varchar', 1234567.0, NULL)", "text:1.23457e+006"},
      {"tsql_convert('varchar', 0.00001, NULL)", "text:1e-005"},
      {"tsql_convert('varchar', 100.0, NULL)", "text:100"},
      {"tsql_convert('varchar', 100.5, 105)", "text:100.5"},
      {"tsql_convert('varchar', 1234567.0, 1)", "text:1.2345670e+006"},
      {"tsql_convert('varchar', -33.45, NULL)", "text:-33.45"},
      {"tsql_convert('varchar(3)', 1234.5, NULL)",
       "error:Arithmetic overflow error converting float to data type "
       "varchar."},
      {"tsql_convert('char(5)', 42, NULL)", "text:42   "},
      {"tsql_convert('varchar(3)', 'abcdef', NULL)", "text:abc"},
      {"tsql_convert('char(1)', 'V', NULL)", "text:V"},
      {"tsql_convert('CHAR(7)', 'ab', NULL)", "text:ab     "},
      {"tsql_convert('varchar', NULL, 105)", "null"},
      {"tsql_convert('varchar(max)', 'abc', NULL)", "text:abc"},
      {"tsql_convert('varchar(9000)', 'abc', NULL)",
       "error:The size (9000) given to the type 'varchar' exceeds the "
       "maximum allowed for any data type (8000)."},
      {"tsql_convert('char(99999999999)', 'abc', NULL)",
       "error:The size (99999999999) given to the type 'char' exceeds the "
       "maximum allowed for any data type (8000)."});
}

TEST_F(FunctionsTest, ConvertTextToDatetime) {
  EXPECT_CASES(
      {"tsql_convert('datetime', '31-01-2024', 105)",
       "text:2024-01-31 00:00:00.000"},
      {"tsql_convert('datetime', '31/01/2024', 103)",
       "text:2024-01-31 00:00:00.000"},
      {"tsql_convert('datetime', '01/31/2024', 101)",
       "text:2024-01-31 00:00:00.000"},
      {"tsql_convert('datetime', '2024-01-31', NULL)",
       "text:2024-01-31 00:00:00.000"},
      {"tsql_convert('datetime', '20240131', NULL)",
       "text:2024-01-31 00:00:00.000"},
      {"tsql_convert('datetime', ' 2024-01-31 13:45:10.5 ', NULL)",
       "text:2024-01-31 13:45:10.500"},
      {"tsql_convert('datetime', '2024-01-31T13:45:10.001', NULL)",
       "text:2024-01-31 13:45:10.000"},
      {"tsql_convert('datetime', '2024-01-31 1:05PM', NULL)",
       "text:2024-01-31 13:05:00.000"},
      {"tsql_convert('datetime', 'Jan 31 2024 12:05:00:003AM', NULL)",
       "text:2024-01-31 00:05:00.003"},
      {"tsql_convert('datetime', '', NULL)", "text:1900-01-01 00:00:00.000"},
      {"tsql_convert('datetime', 2, NULL)", "text:1900-01-03 00:00:00.000"},
      {"tsql_convert('datetime', '2024-03-05 14:07:09.123', NULL)",
       "text:2024-03-05 14:07:09.123"},
      {"tsql_convert('date', '2024-03-05 14:07:09.123', NULL)",
       "text:2024-03-05"},
      {"tsql_convert('smalldatetime', '2024-03-05 14:07:39.123', NULL)",
       "text:2024-03-05 14:08:00.000"},
      {"tsql_convert('datetime', '31-02-2024', 105)",
       "error:The conversion of a varchar data type to a datetime data type "
       "resulted in an out-of-range value."},
      {"tsql_convert('datetime', 'hoy', 105)",
       "error:Conversion failed when converting date and/or time from "
       "character string."},
      {"tsql_convert('datetime', '2024-01-31 25:00', NULL)",
       "error:Conversion failed when converting date and/or time from "
       "character string."});
}

TEST_F(FunctionsTest, ConvertToNumbers) {
  EXPECT_CASES(
      {"tsql_convert('int', ' 12 ', NULL)", "integer:12"},
      {"tsql_convert('int', '', NULL)", "integer:0"},
      {"tsql_convert('int', 2.9, NULL)", "integer:2"},
      {"tsql_convert('int', -2.9, NULL)", "integer:-2"},
      {"tsql_convert('int', '2.5', NULL)",
       "error:Conversion failed when converting the varchar value '2.5' to "
       "data type int."},
      {"tsql_convert('int', '99999999999', NULL)",
       "error:The conversion of the varchar value '99999999999' overflowed "
       "an int column."},
      {"tsql_convert('int', 3000000000.0, NULL)",
       "error:Arithmetic overflow error converting expression to data type "
       "int."},
      {"tsql_convert('bigint', '99999999999', NULL)", "integer:99999999999"},
      {"tsql_convert('bit', 5, NULL)", "integer:1"},
      {"tsql_convert('bit', 'false', NULL)", "integer:0"},
      {"tsql_convert('float', ' 1.5E-3', NULL)", "real:0.0015"},
      {"tsql_convert('float', '-.5', NULL)", "real:-0.5"},
      {"tsql_convert('float', 'abc', NULL)",
       "error:Error converting data type varchar to float."},
      {"tsql_convert('float', 'nan', NULL)",
       "error:Error converting data type varchar to float."},
      {"tsql_convert('decimal(18,2)', 2.675, NULL)", "real:2.68"},
      {"tsql_convert('decimal(18,2)', 'x', NULL)",
       "error:Error converting data type varchar to numeric."},
      {"tsql_convert('numeric', 2.5, NULL)", "real:3.0"},
      {"tsql_convert('float', '2024-01-02 12:00:00.000', NULL)",
       "real:45291.5"},
      {"tsql_convert('int', '2024-01-02 12:00:00.000', NULL)", "integer:45292"},
      {"tsql_convert('blob', 1, NULL)",
       "error:Type blob is not a defined system type."});
}

TEST_F(FunctionsTest, PlusConcatenatesTextsAndAddsNumbers) {
  EXPECT_CASES(
      {"tsql_add('ab', 'cd')", "text:abcd"}, {"tsql_add('1', '2')", "text:12"},
      {"tsql_add(1, 2)", "integer:3"}, {"tsql_add(1, 2.5)", "real:3.5"},
      {"tsql_add('5', 3)", "integer:8"}, {"tsql_add(' 1.5', 1.0)", "real:2.5"},
      {"tsql_add('x', 1)",
       "error:Conversion failed when converting the varchar value "
       "'x' to data type int."},
      {"tsql_add('a', NULL)", "null"}, {"tsql_add(NULL, 1)", "null"},
      {"tsql_add('2024-02-28 10:00:00.000', 2)",
       "text:2024-03-01 10:00:00.000"},
      {"tsql_add(9223372036854775807, 1)",
       "error:Arithmetic overflow error converting expression to "
       "data type bigint."});
}

TEST_F(FunctionsTest, StringFunctions) {
  EXPECT_CASES(
      {"tsql_len('abc  ')", "integer:3"}, {"tsql_len('  ')", "integer:0"},
      {"tsql_len(12345)", "integer:5"}, {"tsql_len(NULL)", "null"},
      {"tsql_charindex('ventas', 'compras,VENTAS')", "integer:9"},
      {"tsql_charindex('x', 'abc')", "integer:0"},
      {"tsql_charindex('', 'abc')", "integer:0"},
      {"tsql_charindex('a', 'banana', 3)", "integer:4"},
      {"tsql_charindex('a', 'banana', 0)", "integer:2"},
      {"tsql_charindex('a', 'banana', 99)", "integer:0"},
      {"tsql_left('abcdef', 3)", "text:abc"},
      {"tsql_left('ab', 30)", "text:ab"},
      {"tsql_left('ab', -1)",
       "error:Invalid length parameter passed to the left function."},
      {"tsql_right('abcdef', 2)", "text:ef"},
      {"tsql_right('ab', 5)", "text:ab"},
      {"tsql_substring('TABPRE01', 4, 3)", "text:PRE"},
      {"tsql_substring('abc', 0, 2)", "text:a"},
      {"tsql_substring('abc', -5, 3)", "text:"},
      {"tsql_substring('abc', 2, 100)", "text:bc"},
      {"tsql_substring('abc', 5, 1)", "text:"},
      {"tsql_substring('abc', 1, -1)",
       "error:Invalid length parameter passed to the substring function."},
      {"tsql_ltrim('  a b  ')", "text:a b  "},
      {"tsql_rtrim('  a b  ')", "text:  a b"}, {"tsql_rtrim('   ')", "text:"},
      {"tsql_replace('a b c', ' ', '_')", "text:a_b_c"},
      {"tsql_replace('ABab', 'b', 'x')", "text:Axax"},
      {"tsql_replace('abc', '', 'x')", "text:abc"},
      {"tsql_replace('abc', 'b', NULL)", "null"});
}

TEST_F(FunctionsTest, UpperAndLowerKnowCodePage1252Letters) {
  // Bytes of code page 1252: n tilde, a acute, s caron, oe, y diaeresis;
  // the multiplication sign and sharp s have no other case.
  std::string lower = "\xF1\xE1\x9A\x9C\xFF\xF7\xDF";
  std::string upper = "\xD1\xC1\x8A\x8C\x9F\xF7\xDF";
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db_, "SELECT tsql_upper(?1), tsql_lower(?2)", -1,
                               &stmt, nullptr),
            SQLITE_OK);
  sqlite3_bind_text(stmt, 1, lower.data(), lower.size(), SQLITE_STATIC);
  sqlite3_bind_text(stmt, 2, upper.data(), upper.size(), SQLITE_STATIC);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_EQ(
      std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))),
      upper);
  EXPECT_EQ(
      std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))),
      lower);
  sqlite3_finalize(stmt);
}

TEST_F(FunctionsTest, RoundIsHalfAwayFromZero) {
  EXPECT_CASES(
      {"tsql_round(2.675, 2)", "real:2.68"},
      {"tsql_round(-2.5, 0)", "real:-3.0"}, {"tsql_round(2.4, 0)", "real:2.0"},
      {"tsql_round(1234.5678, -2)", "real:1200.0"},
      {"tsql_round(1250, -2)", "integer:1300"},
      {"tsql_round(7, 2)", "integer:7"},
      {"tsql_round(2.679, 2, 1)", "real:2.67"},
      {"tsql_round(-0.4, 0)", "real:0.0"}, {"tsql_round(NULL, 2)", "null"});
}

TEST_F(FunctionsTest, DateParts) {
  EXPECT_CASES(
      {"tsql_year('2024-03-05 14:07:09.123')", "integer:2024"},
      {"tsql_month('2024-03-05 14:07:09.123')", "integer:3"},
      {"tsql_day('2024-03-05 14:07:09.123')", "integer:5"},
      {"tsql_year('20231231')", "integer:2023"},
      {"tsql_year(0)", "integer:1900"}, {"tsql_day(NULL)", "null"},
      {"tsql_isnull(NULL, 'x')", "text:x"},
      {"tsql_isnull(0, 'x')", "integer:0"},
      {"tsql_datediff('day', '2024-02-28 23:59:00.000', "
       "'2024-03-01 00:00:00.000')",
       "integer:2"},
      {"tsql_datediff('dd', '2024-03-01', '2024-02-28')", "integer:-2"},
      {"tsql_datediff('year', '2023-12-31 23:59:59.997', "
       "'2024-01-01 00:00:00.000')",
       "integer:1"},
      {"tsql_datediff('mm', '2024-01-31', '2024-02-01')", "integer:1"},
      {"tsql_datediff('hh', '2024-01-01 10:59:59.997', "
       "'2024-01-01 11:00:00.000')",
       "integer:1"},
      {"tsql_datediff('mi', '2024-01-01 10:00:59.000', "
       "'2024-01-01 10:01:00.000')",
       "integer:1"},
      // 2024-03-02 is a Saturday, 2024-03-03 a Sunday.
      {"tsql_datediff('wk', '2024-03-02', '2024-03-03')", "integer:1"},
      {"tsql_datediff('week', '2024-03-03', '2024-03-09')", "integer:0"},
      {"tsql_datediff('quarter', '2024-03-31', '2024-04-01')", "integer:1"},
      {"tsql_datediff('ms', '1900-01-01', '2024-01-01')",
       "error:The datediff function resulted in an overflow. The number of "
       "dateparts separating two date/time instances is too large. Try to "
       "use datediff with a less precise datepart."},
      {"tsql_datediff('fortnight', '2024-01-01', '2024-01-02')",
       "error:Invalid parameter 1 specified for datediff."},
      {"tsql_dateadd('day', 1, '2024-02-28 10:00:00.000')",
       "text:2024-02-29 10:00:00.000"},
      {"tsql_dateadd('month', 1, '2024-01-31 10:00:00.000')",
       "text:2024-02-29 10:00:00.000"},
      {"tsql_dateadd('yy', -1, '2024-02-29')", "text:2023-02-28 00:00:00.000"},
      {"tsql_dateadd('mi', 90, '2024-12-31 23:00:00.000')",
       "text:2025-01-01 00:30:00.000"},
      {"tsql_dateadd('dd', -30, '2024-03-05 14:07:09.123')",
       "text:2024-02-04 14:07:09.123"},
      {"tsql_dateadd('year', 8000, '2024-01-01')",
       "error:Adding a value to a 'datetime' column caused an overflow."},
      {"tsql_dateadd('dd', 1, NULL)", "null"});
}

TEST_F(FunctionsTest, StorageLengthsFailLikeTheServer) {
  const std::string trunc = std::string("error:") + kTruncationMessage;
  EXPECT_CASES(
      {"tsql_pad('ab', 4)", "text:ab  "}, {"tsql_pad('abcd', 4)", "text:abcd"},
      {"tsql_pad('abc   ', 4)", "text:abc "}, {"tsql_pad(12, 4)", "text:12  "},
      {"tsql_pad(NULL, 4)", "null"}, {"tsql_checklen('abc', 3)", "text:abc"},
      {"tsql_checklen('abc  ', 3)", "text:abc"},
      {"tsql_checklen(12345, 9)", "integer:12345"},
      {"tsql_checklen(NULL, 3)", "null"});
  EXPECT_EQ(Eval("tsql_pad('abcde', 4)"), trunc);
  EXPECT_EQ(Eval("tsql_checklen('abcd', 3)"), trunc);
  EXPECT_EQ(Eval("tsql_checklen('ab d', 2)"), trunc);
  EXPECT_EQ(Eval("tsql_pad('a', 99999999999)"),
            "error:The size (99999999999) given to the type 'char' exceeds "
            "the maximum allowed for any data type (8000).");
}

TEST_F(FunctionsTest, FailureInsideAStatementLeavesTheTableUnchanged) {
  ASSERT_EQ(
      sqlite3_exec(db_, "CREATE TABLE t (c TEXT)", nullptr, nullptr, nullptr),
      SQLITE_OK);
  char* error = nullptr;
  int rc = sqlite3_exec(db_,
                        "INSERT INTO t VALUES (tsql_checklen('ok', 3)), "
                        "(tsql_checklen('too long', 3))",
                        nullptr, nullptr, &error);
  EXPECT_NE(rc, SQLITE_OK);
  EXPECT_STREQ(error, kTruncationMessage);
  sqlite3_free(error);
  EXPECT_EQ(Eval("(SELECT count(*) FROM t)"), "integer:0");
}

TEST_F(FunctionsTest, OddArgumentsNeverCrash) {
  // Every function with every combination of awkward values: each call
  // gives a value or a clean error (the sanitizer build watches the rest).
  const char* values[] = {"NULL",
                          "''",
                          "'   '",
                          "-9223372036854775808",
                          "9223372036854775807",
                          "-1e308",
                          "0.5",
                          "'x''y'",
                          "'2024-02-29 23:59:59.999'",
                          "'day'"};
  struct Fn {
    const char* name;
    int args;
  } functions[] = {
      {"tsql_convert", 3},   {"tsql_add", 2},    {"tsql_len", 1},
      {"tsql_charindex", 3}, {"tsql_left", 2},   {"tsql_right", 2},
      {"tsql_substring", 3}, {"tsql_ltrim", 1},  {"tsql_rtrim", 1},
      {"tsql_upper", 1},     {"tsql_lower", 1},  {"tsql_replace", 3},
      {"tsql_round", 3},     {"tsql_year", 1},   {"tsql_month", 1},
      {"tsql_day", 1},       {"tsql_isnull", 2}, {"tsql_datediff", 3},
      {"tsql_dateadd", 3},   {"tsql_pad", 2},    {"tsql_checklen", 2},
  };
  const int n = sizeof values / sizeof values[0];
  for (const Fn& f : functions) {
    int combinations = 1;
    for (int i = 0; i < f.args; ++i) combinations *= n;
    for (int c = 0; c < combinations; ++c) {
      std::string call = std::string(f.name) + "(";
      for (int i = 0, k = c; i < f.args; ++i, k /= n) {
        call += std::string(i ? ", " : "") + values[k % n];
      }
      call += ")";
      std::string result = Eval(call);
      EXPECT_NE(result.rfind("prepare:", 0), 0u) << call << " " << result;
    }
  }
  // Type names as CONVERT receives them, awkward ones included.
  for (const char* type :
       {"'varchar('", "'char(-1)'", "'decimal(18,'", "'decimal(18,99)'",
        "' Int '", "'money'", "'real'", "'date'", "'smalldatetime'", "''"}) {
    for (const char* v : values) {
      std::string call =
          std::string("tsql_convert(") + type + ", " + v + ", NULL)";
      EXPECT_NE(Eval(call).rfind("prepare:", 0), 0u) << call;
    }
  }
}

}  // namespace
}  // namespace kelmar
