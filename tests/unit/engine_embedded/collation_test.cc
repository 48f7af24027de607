#include "db/engine/embedded/collation.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "db/engine/connection.h"
#include "platform/clock.h"
#include "support/temp_dir.h"
#include "unit/engine_embedded/embedded_test_util.h"

namespace kelmar {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(CompareText1252Test, FoldsLettersAndIgnoresTrailingBlanks) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {
      {"chv", "CHV", 0},
      {"CHV   ", "chv", 0},
      {"\xD1"
       "and\xFA",
       "\xF1"
       "AND\xDA",
       0},                  // Ñandú, ñANDÚ
      {"\x8A", "\x9A", 0},  // Š, š
      {"a", "\xE1", -1},    // accents count: a < á
      {"abc", "abd", -1},
      {"ab", "ab c", -1},
      {" a", "a", -1},  // leading blanks are data
      {"_", "a", -1},   // punctuation before letters, as the server sorts
      {"", "   ", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, Sign(CompareText1252(c.a, c.b))) << c.a << "|" << c.b;
    EXPECT_EQ(-c.expected, Sign(CompareText1252(c.b, c.a)))
        << c.a << "|" << c.b;
  }
}

TEST(Like1252Test, Patterns) {
  struct Case {
    const char* value;
    const char* pattern;
    int escape;
    bool expected;
  } cases[] = {
      {"abc", "ABC", -1, true},
      {"abc   ", "abc", -1, true},  // char(n) padding
      {"abc ", "abc %", -1, true},
      {"abc", "abc ", -1, false},
      {"\xD1"
       "and\xFA",
       "\xF1"
       "AND%",
       -1, true},
      {"a", "\xE1", -1, false},
      {"P000123", "P%23", -1, true},
      {"P000123", "P%24", -1, false},
      {"abcabd", "%ab_", -1, true},
      {"abc", "[a-b]bc", -1, true},
      {"cbc", "[a-b]bc", -1, false},
      {"cbc", "[^a-b]bc", -1, true},
      {"Bbc", "[ab]bc", -1, true},
      {"[bc", "[bc", -1, true},  // no "]": an ordinary "["
      {"50%", "50!%", '!', true},
      {"500", "50!%", '!', false},
      {"", "%", -1, true},
      {"", "_", -1, false},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "%a%a%a%a%a%a%a%c", -1,
       false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, Like1252(c.value, c.pattern, c.escape))
        << c.value << " LIKE " << c.pattern;
}

class CollationEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenEmbeddedConnection(":memory:", &clock_, &conn_).ok());
    ASSERT_EQ("", Q("CREATE TABLE TABDO (TIDO char(3) NOT NULL, NUDO "
                    "varchar(10) NOT NULL, N int, CONSTRAINT PK_TABDO "
                    "PRIMARY KEY (TIDO,NUDO))\r\n"
                    "INSERT INTO TABDO VALUES ('CHV','0001',1)\r\n"
                    "INSERT INTO TABDO VALUES ('chv','0002',2)\r\n"
                    "INSERT INTO TABDO VALUES ('FCV','0001',3)\r\n"
                    "INSERT INTO TABDO VALUES ('\xC1"
                    "BC','0001',4)"));
  }
  std::string Q(const std::string& sql) { return Query(conn_.get(), sql); }

  FixedClock clock_{TestNow()};
  std::unique_ptr<Connection> conn_;
};

TEST_F(CollationEngineTest, TextComparesWithoutLetterCase) {
  struct Case {
    const char* sql;
    const char* expected;
  } cases[] = {
      {"SELECT N FROM TABDO WHERE TIDO='chv' ORDER BY N", "N|\n1|\n2|"},
      {"SELECT N FROM TABDO WHERE TIDO='Chv  ' AND NUDO='0002'", "N|\n2|"},
      {"SELECT N FROM TABDO WHERE TIDO IN ('fcv','x')", "N|\n3|"},
      {"SELECT N FROM TABDO WHERE TIDO > 'CHV' ORDER BY N", "N|\n3|\n4|"},
      {"SELECT N FROM TABDO WHERE TIDO='abc'", "N|"},  // accents count
      {"SELECT N FROM TABDO WHERE TIDO='\xE1"
       "bc'",
       "N|\n4|"},
      {"SELECT COUNT(*) AS C FROM TABDO GROUP BY TIDO ORDER BY TIDO",
       "C|\n2|\n1|\n1|"},
      {"SELECT COUNT(DISTINCT TIDO) AS C FROM TABDO", "C|\n3|"},
      {"SELECT COUNT(*) AS C FROM (SELECT TIDO FROM TABDO WHERE N=1 UNION "
       "SELECT TIDO FROM TABDO WHERE N=2) X",
       "C|\n1|"},
      {"SELECT N FROM TABDO ORDER BY TIDO DESC, N", "N|\n4|\n3|\n1|\n2|"},
      // Results of functions carry no column, yet compare the same way.
      {"SELECT N FROM TABDO WHERE RTRIM(TIDO)='cHv' AND LEFT(NUDO,2)='00' "
       "ORDER BY N",
       "N|\n1|\n2|"},
      {"SELECT N FROM TABDO WHERE CONVERT(varchar(5),TIDO)='FcV'", "N|\n3|"},
      {"SELECT N FROM TABDO WHERE ISNULL(TIDO,'')='fcv'", "N|\n3|"},
      {"SELECT N FROM TABDO WHERE TIDO LIKE 'c%' ORDER BY N", "N|\n1|\n2|"},
      {"SELECT N FROM TABDO WHERE TIDO LIKE 'fcv'", "N|\n3|"},
      {"SELECT N FROM TABDO WHERE TIDO LIKE '[e-g]CV'", "N|\n3|"},
      {"SELECT N FROM TABDO WHERE TIDO LIKE '\xE1%'", "N|\n4|"},
      // The key ignores letter case as well.
      {"INSERT INTO TABDO VALUES ('Fcv','0001',9)",
       "ERROR: Cannot insert duplicate key row in object 'dbo.TABDO'. The "
       "duplicate key value is not allowed."},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, Q(c.sql)) << c.sql;
}

TEST_F(CollationEngineTest, TablesMadeFromOthersKeepTheCollation) {
  ASSERT_EQ("", Q("SELECT TIDO, N INTO #D FROM TABDO"));
  ASSERT_EQ("", Q("ALTER TABLE TABDO ALTER COLUMN NUDO varchar(20) NOT NULL"));
  ASSERT_EQ("", Q("CREATE INDEX IX_N ON TABDO (NUDO)"));
  EXPECT_EQ("N|\n1|\n2|", Q("SELECT N FROM #D WHERE TIDO='chv' ORDER BY N"));
  EXPECT_EQ("N|\n2|", Q("SELECT N FROM TABDO WHERE TIDO='CHV' AND "
                        "NUDO='0002'"));
}

// A file written before the collation existed declared text columns
// COLLATE RTRIM: it still opens and runs, and a rebuild of a table moves it
// to the new collation.
TEST(CollationUpgradeTest, OldTablesKeepWorkingUntilRebuilt) {
  testing::TempDir dir;
  std::string path = dir.File("old.db");
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(db,
                           "CREATE TABLE T (A char(3) COLLATE RTRIM NOT NULL, "
                           "B int, PRIMARY KEY (A));"
                           "INSERT INTO T VALUES ('CHV', 1);",
                           nullptr, nullptr, nullptr));
    sqlite3_close(db);
  }
  FixedClock clock(TestNow());
  std::unique_ptr<Connection> conn;
  ASSERT_TRUE(OpenEmbeddedConnection(path, &clock, &conn).ok());
  EXPECT_EQ("B|\n1|", Query(conn.get(), "SELECT B FROM T WHERE A='CHV  '"));
  EXPECT_EQ("B|", Query(conn.get(), "SELECT B FROM T WHERE A='chv'"));
  ASSERT_EQ("", Query(conn.get(),
                      "ALTER TABLE T ALTER COLUMN A char(5) NOT "
                      "NULL"));
  EXPECT_EQ("B|\n1|", Query(conn.get(), "SELECT B FROM T WHERE A='chv'"));
}

}  // namespace
}  // namespace kelmar
