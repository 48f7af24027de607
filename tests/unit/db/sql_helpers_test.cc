#include "db/sql_helpers.h"

#include <gtest/gtest.h>

#include "core/context.h"
#include "support/fake_connection.h"

namespace kelmar {
namespace {

using testing::Col;
using testing::FakeConnection;
using testing::FakeResult;

class SqlHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override { ctx_.odbc = &db_; }

  void Answer(std::vector<ColumnDescription> columns,
              std::vector<std::vector<std::optional<std::string>>> rows = {}) {
    db_.results.push_back({std::move(columns), std::move(rows), ""});
  }
  void Fail(std::string message) {
    FakeResult r;
    r.error = std::move(message);
    db_.results.push_back(r);
  }

  FakeConnection db_;
  Context ctx_;
};

TEST_F(SqlHelpersTest, SeeksqlSendsExactTextAndReadsRow) {
  Answer({Col("RUT", kSqlChar, 10), Col("RAZON", kSqlVarchar, 50)},
         {{"76543210-1", "Kelmar Demo"}});
  RecordArray rows;
  bool error = false;
  EXPECT_TRUE(SEEKSQL(ctx_, "configp", &rows, {"EMPRESA"}, {Value("01")},
                      "RUT,RAZON", true, &error));
  EXPECT_FALSE(error);
  EXPECT_EQ(db_.executed.back(),
            "SELECT TOP 1 RUT,RAZON FROM CONFIGP WITH ( NOLOCK )  WHERE "
            "EMPRESA='01'");
  EXPECT_EQ(VCC(rows, "RAZON"), Value("Kelmar Demo" + std::string(39, ' ')));
  EXPECT_EQ(rows.entry(0).read, true);
}

TEST_F(SqlHelpersTest, SeeksqlStatementForms) {
  struct Case {
    const char* table;
    bool upper;
    const char* select;
    const char* expected;
  } cases[] = {
      {"maepr", true, "",
       "SELECT TOP 1 * FROM MAEPR WITH ( NOLOCK )  WHERE "
       "KOPR='O''NEILL'"},
      {"maepr", false, "",
       "SELECT TOP 1 * FROM maepr WITH ( NOLOCK )  WHERE "
       "KOPR='O''NEILL'"},
      {"maepr a, xy", true, "A.KOPR",
       "SELECT TOP 1 A.KOPR FROM MAEPR A, XY WHERE KOPR='O''NEILL'"},
  };
  for (const Case& c : cases) {
    RecordArray rows;
    SEEKSQL(ctx_, c.table, &rows, {"KOPR"}, {Value("O'NEILL")}, c.select,
            c.upper);
    EXPECT_EQ(db_.executed.back(), c.expected);
  }
}

TEST_F(SqlHelpersTest, SeeksqlNotFoundGivesBlanksOfEachType) {
  Answer({Col("KOPR", kSqlChar, 5), Col("PRECIO", kSqlFloat, 53),
          Col("FECHA", kSqlTimestamp, 23), Col("BLOQ", kSqlBit, 1),
          Col("OBS", kSqlLongVarchar, 100), Col("BIG", kSqlBigInt, 19)});
  RecordArray rows;
  bool error = false;
  EXPECT_FALSE(
      SEEKSQL(ctx_, "MAEPR", &rows, {"KOPR"}, {Value("X")}, "", true, &error));
  EXPECT_FALSE(error);
  EXPECT_EQ(VCC(rows, "KOPR"), Value("     "));
  EXPECT_EQ(VCC(rows, "PRECIO"), Value(0));
  EXPECT_EQ(VCC(rows, "FECHA"), Value(Date{}));
  EXPECT_EQ(VCC(rows, "BLOQ"), Value(false));
  EXPECT_EQ(VCC(rows, "OBS"), Value(""));
  EXPECT_EQ(VCC(rows, "BIG"), Value(""));
  EXPECT_TRUE(db_.reads.empty());
}

TEST_F(SqlHelpersTest, SeeksqlNullsAreEmptyText) {
  Answer({Col("KOPR", kSqlChar, 5), Col("NOKOPR", kSqlVarchar, 5)},
         {{"A", std::nullopt}});
  RecordArray rows;
  EXPECT_TRUE(SEEKSQL(ctx_, "MAEPR", &rows, {"KOPR"}, {Value("A")}));
  EXPECT_EQ(VCC(rows, "NOKOPR"), Value(""));
}

TEST_F(SqlHelpersTest, SeeksqlFailuresSetErrorAndKeepServing) {
  Fail("Invalid column name 'EMPRESA'.");
  RecordArray rows;
  bool error = false;
  EXPECT_FALSE(SEEKSQL(ctx_, "CONFIGP", &rows, {"EMPRESA"}, {Value("01")}, "",
                       true, &error));
  EXPECT_TRUE(error);
  EXPECT_TRUE(rows.empty());

  // Handed an array that already holds entries: flagged, then done afresh.
  Answer({Col("KOPR", kSqlChar, 2)}, {{"A1"}});
  RecordArray used;
  used.Append(MakeColumnEntry(Col("OLD", kSqlChar, 2), EntryKind::kLookup));
  error = false;
  EXPECT_TRUE(
      SEEKSQL(ctx_, "MAEPR", &used, {"KOPR"}, {Value("A1")}, "", true, &error));
  EXPECT_TRUE(error);
  ASSERT_EQ(used.size(), 1u);
  EXPECT_EQ(VCC(used, "KOPR"), Value("A1"));

  db_.refuse_statements = true;
  error = false;
  RecordArray none;
  EXPECT_FALSE(
      SEEKSQL(ctx_, "MAEPR", &none, {"KOPR"}, {Value("A1")}, "", true, &error));
  EXPECT_TRUE(error);
}

TEST_F(SqlHelpersTest, SeeksqlmulBuildsJoin) {
  Answer({Col("KOPR", kSqlChar, 2), Col("OPERA", kSqlChar, 1)}, {{"A1", "*"}});
  RecordArray rows;
  EXPECT_TRUE(SEEKSQLMUL(ctx_, "tabpre", &rows, {"KOPR", "KOLT"},
                         {Value("A1"), Value("01")}, "",
                         "TABPP.OPERA,TABPP.MELT,TABPP.ECUDEF01UD,"
                         "TABPP.ECUDEF02UD"));
  EXPECT_EQ(db_.executed.back(),
            "SELECT TOP 1 TABPRE.*,TABPP.OPERA,TABPP.MELT,TABPP.ECUDEF01UD,"
            "TABPP.ECUDEF02UD FROM TABPRE  WITH ( NOLOCK ) INNER JOIN TABPP "
            "ON TABPRE.KOLT = TABPP.KOLT  WHERE TABPRE.KOPR='A1' AND "
            "TABPRE.KOLT='01'");
  EXPECT_EQ(VCC(rows, "OPERA"), Value("*"));

  RecordArray more;
  SEEKSQLMUL(ctx_, "POTL", &more, {"IDPOTL"}, {Value(7)}, "POTL.IDPOTL",
             "POTE.NUMOT", "POTE.ESTADO<>'N'");
  EXPECT_EQ(db_.executed.back(),
            "SELECT TOP 1 POTL.IDPOTL,POTE.NUMOT FROM POTL  WITH ( NOLOCK ) "
            "INNER JOIN POTE ON POTL.IDPOTE = POTE.IDPOTE  WHERE "
            "POTL.IDPOTL=7 AND POTE.ESTADO<>'N'");
  EXPECT_EQ(SeekJoinFrom("potprta"),
            "POTPRTA  WITH ( NOLOCK )  INNER JOIN POTPR ON POTPR.IDPOTPR = "
            "POTPRTA.IDPOTPR  INNER JOIN POTL ON POTPR.IDPOTL = POTL.IDPOTL  "
            "INNER JOIN POTE ON POTL.IDPOTE = POTE.IDPOTE ");
  EXPECT_EQ(SeekJoinFrom("NOPE"), "");
}

TEST_F(SqlHelpersTest, TopAndBottomStatementForms) {
  RecordArray a, b, c, d;
  TOPSQL(ctx_, "A_VERY_LONG_TABLE", &a, "", "X=1");
  EXPECT_EQ(db_.executed.back(),
            "SELECT TOP 1 * FROM A_VERY_LONG_TABLE WITH ( NOLOCK ) ");
  TOPSQL(ctx_, "T", &b, "F", "X=1", "A,B");
  EXPECT_EQ(db_.executed.back(),
            "SELECT TOP 1 A,B FROM T WITH ( NOLOCK )  WHERE X=1 ORDER BY F");
  BOTTOMSQL(ctx_, "VENDEDORYNOTA", &c, "NUMERONVV", "VENDEDOR='V01'", "*",
            true);
  EXPECT_EQ(db_.executed.back(),
            "SELECT TOP 1 * FROM VENDEDORYNOTA WHERE VENDEDOR='V01' ORDER BY "
            "NUMERONVV DESC ");
  BOTTOMSQL(ctx_, "T", &d, "F");
  EXPECT_EQ(db_.executed.back(),
            "SELECT TOP 1 * FROM T WITH ( NOLOCK )  ORDER BY F DESC ");
  size_t sent = db_.executed.size();
  RecordArray e;
  EXPECT_FALSE(BOTTOMSQL(ctx_, "T", &e, ""));
  EXPECT_EQ(db_.executed.size(), sent);
}

TEST_F(SqlHelpersTest, TopsqlReadsRowAndDetaches) {
  Answer({Col("A", kSqlChar, 1), Col("N", kSqlInteger, 10)}, {{"x", "42"}});
  RecordArray rows;
  EXPECT_TRUE(TOPSQL(ctx_, "T", &rows, "A"));
  EXPECT_EQ(VCC(rows, "N"), Value(42));
  EXPECT_EQ(db_.reads.size(), 2u);
}

TEST_F(SqlHelpersTest, CountingHelpers) {
  Answer({Col("CUANTOS", kSqlInteger, 10)}, {{"12"}});
  EXPECT_EQ(CUENTAREGSQL(ctx_, "PDAMAQ"), 12);
  EXPECT_EQ(db_.executed.back(), "SELECT COUNT(*) AS CUANTOS FROM PDAMAQ");
  Answer({Col("CUANTOS", kSqlVarchar, 10)}, {{"7"}});
  EXPECT_EQ(CUENTAREGSQL(ctx_, "PDAMAQ", " WHERE COALESCE(SISTEMA,'')='' "), 7);
  EXPECT_EQ(db_.executed.back(),
            "SELECT COUNT(*) AS CUANTOS FROM PDAMAQ "
            "WHERE COALESCE(SISTEMA,'')='' ");
  Fail("no such table");
  EXPECT_EQ(CUENTAREGSQL(ctx_, "NOPE"), 0);

  Answer({Col("LINEAS", kSqlInteger, 10)}, {{"3"}});
  RecordArray sums =
      CUENTAYSUMAREGSQL(ctx_, "PDADETA WITH (NOLOCK) ", " WHERE IDPDAENCA=5",
                        "COUNT(*) as LINEAS");
  EXPECT_EQ(db_.executed.back(),
            "SELECT COUNT(*) as LINEAS FROM PDADETA "
            "WITH (NOLOCK)  WHERE IDPDAENCA=5");
  EXPECT_EQ(VCC(sums, "LINEAS"), Value(3));
}

TEST_F(SqlHelpersTest, UltimoidAndEjecutesql) {
  Answer({Col("ULTID", kSqlNumeric, 38)}, {{"17"}});
  EXPECT_EQ(ULTIMOID(ctx_), 17);
  EXPECT_EQ(db_.executed.back(), "SELECT @@IDENTITY AS ULTID");
  Answer({Col("ULTID", kSqlNumeric, 38)}, {{std::nullopt}});
  EXPECT_EQ(ULTIMOID(ctx_), 0);

  EXPECT_TRUE(EJECUTESQL(ctx_, "DELETE FROM T"));
  Fail("Incorrect syntax near 'FORM'.");
  std::string error;
  EXPECT_FALSE(EJECUTESQL(ctx_, "DELETE FORM T", &error));
  EXPECT_EQ(error, "Incorrect syntax near 'FORM'.");
  db_.refuse_statements = true;
  error.clear();
  EXPECT_FALSE(EJECUTESQL(ctx_, "DELETE FROM T", &error));
  EXPECT_EQ(error, "");

  Context without_db;
  EXPECT_FALSE(EJECUTESQL(without_db, "SELECT 1"));
  EXPECT_EQ(ULTIMOID(without_db), 0);
}

TEST_F(SqlHelpersTest, FehoraserReadsStyle9Time) {
  struct Case {
    const char* hora;
    int seconds;
  } cases[] = {{"Dec 11 2026 12:30:15:000AM", 1815},
               {"Dec 11 2026 12:30:15:000PM", 45015},
               {"Dec 11 2026 11:59:59:997PM", 86399},
               {"Dec 11 2026  1:05:03:123PM", 13 * 3600 + 5 * 60 + 3},
               {"Dec 11 2026  9:00:00:000AM", 9 * 3600},
               {"short", 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(SecondsFromStyle9(c.hora), c.seconds) << c.hora;
  }
  Answer({Col("FECHA", kSqlTimestamp, 23, 3), Col("HORA", kSqlVarchar, 45)},
         {{"2026-12-11 00:30:15.000", "Dec 11 2026 12:30:15:000AM"}});
  ServerTime t = FEHORASER(ctx_);
  EXPECT_EQ(db_.executed.back(),
            "SELECT CURRENT_TIMESTAMP AS FECHA, CONVERT( VARCHAR(45), "
            "CURRENT_TIMESTAMP, 9 ) AS HORA ");
  EXPECT_EQ(t.date, (Date{2026, 12, 11}));
  EXPECT_EQ(t.seconds, 1815);
}

}  // namespace
}  // namespace kelmar
