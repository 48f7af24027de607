#include "db/engine/embedded/tsql_lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelmar {
namespace {

TEST(ParameterizeTsqlTest, LiftsTextLiteralsOnly) {
  struct Case {
    const char* sql;
    const char* key;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {"SELECT * FROM T WHERE K='A1' AND N=N'x''y'",
       "SELECT * FROM T WHERE K= ?1  AND N= ?2 ",
       {"A1", "x'y"}},
      // Quotes inside comments, brackets and ODBC escapes are not literals.
      {"-- it's\nSELECT [it's] FROM T WHERE F={d '2024-01-01'} /* 'no' */",
       "-- it's\nSELECT [it's] FROM T WHERE F={d '2024-01-01'} /* 'no' */",
       {}},
      // A name ending in N keeps its N.
      {"SELECT COLUMN FROM T WHERE ZN='a'",
       "SELECT COLUMN FROM T WHERE ZN= ?1 ",
       {"a"}},
      {"UPDATE T SET A=''", "UPDATE T SET A= ?1 ", {""}},
  };
  for (const Case& c : cases) {
    std::string key;
    std::vector<std::string> values;
    ASSERT_TRUE(ParameterizeTsql(c.sql, &key, &values)) << c.sql;
    EXPECT_EQ(c.key, key) << c.sql;
    EXPECT_EQ(c.values, values) << c.sql;
  }
  std::string key;
  std::vector<std::string> values;
  for (const char* bad :
       {"SELECT 'abc", "SELECT [abc", "SELECT /* x", "SELECT \"a"}) {
    EXPECT_FALSE(ParameterizeTsql(bad, &key, &values)) << bad;
  }
}

TEST(LexTsqlTest, NamesLiteralsAndEscapes) {
  std::vector<TsqlToken> t;
  ASSERT_TRUE(LexTsql("[dbo].[PDA ENCA].* N'a''b' {d '2024-02-01'} "
                      "{fn UCASE(x)} 0x0aFF 1.5e-3 <> #T @@IDENTITY",
                      &t)
                  .ok());
  ASSERT_EQ(12u, t.size());
  EXPECT_EQ(TsqlToken::kName, t[0].kind);
  EXPECT_EQ((std::vector<std::string>{"dbo", "PDA ENCA", "*"}), t[0].parts);
  EXPECT_EQ("'a''b'", t[1].text);
  EXPECT_EQ("'2024-02-01 00:00:00.000'", t[2].text);
  EXPECT_EQ("UCASE", t[3].text);  // the {fn } wrapper is gone
  EXPECT_EQ("X'0aFF'", t[7].text);
  EXPECT_EQ("1.5e-3", t[8].text);
  EXPECT_EQ("<>", t[9].text);
  EXPECT_EQ("#T", t[10].text);
  EXPECT_EQ("@@IDENTITY", t[11].upper);
}

}  // namespace
}  // namespace kelmar
