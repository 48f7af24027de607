// Random mutations of real statement texts must fail with a message or run;
// never crash, hang, or answer an overlong message. Deterministic and bounded.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "db/engine/connection.h"
#include "db/engine/embedded/tsql_lexer.h"
#include "platform/clock.h"
#include "unit/engine_embedded/embedded_test_util.h"

namespace kelmar {
namespace {

const char* const kCorpus[] = {
    "if not exists (select * from dbo.sysobjects where id = "
    "object_id(N'[dbo].[PDAENCA]') and OBJECTPROPERTY(id, N'IsUserTable') = 1) "
    "begin CREATE TABLE [dbo].[PDAENCA] ( [TIDO] [char] (3) NOT NULL , [NUDO] "
    "[char] (10) NOT NULL , [SINDEU] [bit] NOT NULL DEFAULT 0, [IDPDAENCA] "
    "[int] IDENTITY (1, 1) NOT NULL , [VALIDO] [char] (1) NULL DEFAULT (''), "
    "CONSTRAINT [PK_PDAENCA] PRIMARY KEY CLUSTERED ( [TIDO], [NUDO] ) ON "
    "[PRIMARY] ) ON [PRIMARY] TEXTIMAGE_ON [PRIMARY] end",
    "INSERT INTO PDAENCA (TIDO,NUDO) VALUES ('NVV','0000000001')",
    "SELECT @@IDENTITY AS ULTID",
    "SELECT TOP 1 RUT,RAZON FROM CONFIGP WITH ( NOLOCK )  WHERE EMPRESA='01'",
    "SELECT CURRENT_TIMESTAMP AS FECHA, CONVERT( VARCHAR(45), "
    "CURRENT_TIMESTAMP, 9 ) AS HORA ",
    "SELECT DISTINCT top 100 LEFT(NOKOZO,30) AS RAZON  FROM TABZO WITH "
    "(NOLOCK)  WHERE KOZO='01' UNION SELECT TOP 5 KOZO FROM TABZO",
    "SELECT TOP 50+ KOZO FROM TABZO WITH (NOLOCK) WHERE KOZO>'' ORDER BY KOZO",
    "UPDATE TABZO SET NOKOZO='XX   '+SUBSTRING(NOKOZO,2,5) WHERE KOZO='01'",
    "SELECT KOZO INTO #PASO FROM TABZO WITH (NOLOCK)\r\nDROP TABLE #PASO",
    "if exists (select * from TABZO where KOZO='01' ) select 1 AS EXISTE "
    "else select 0 AS EXISTE;",
    "SELECT CAST(REPLACE(SUBSTRING(NOKOZO,1,1),' ','_') AS CHAR(7) ) D, "
    "CASE WHEN COALESCE(KOZO,'')='' THEN '' ELSE CAST(LEN(KOZO) AS "
    "VARCHAR(10)) END AS R FROM TABZO WHERE FECHA<{d '2024-01-01'}",
    "ALTER TABLE TABZO ADD ID INT IDENTITY (1, 1) NOT NULL",
    "ALTER TABLE TABZO ALTER COLUMN NOKOZO VARCHAR(60) NULL",
    "CREATE NONCLUSTERED INDEX [IX] ON [dbo].[TABZO] ([KOZO]) INCLUDE "
    "([NOKOZO]) ON [PRIMARY] ",
    "EXECUTE sp_MShelpindex 'TABZO',NULL,1 ",
    "BEGIN TRANSACTION",
    "ROLLBACK TRANSACTION",
    "-- comentario\r\nSELECT convert(varchar, FECHA, 105) AS F FROM TABZO",
};

constexpr char kSpecials[] = "'[](){}-/*+,;N\r\n\"?.#@ ";

std::string Mutate(std::mt19937& rng, std::string s) {
  auto pick = [&](size_t n) {
    return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0;
  };
  int rounds = 1 + static_cast<int>(pick(4));
  for (int r = 0; r < rounds; ++r) {
    size_t at = pick(s.size() + 1);
    switch (pick(7)) {
      case 0:  // delete a span
        s.erase(at, pick(12));
        break;
      case 1:  // insert a character that matters to the dialect
        s.insert(at, 1, kSpecials[pick(sizeof kSpecials - 1)]);
        break;
      case 2:  // insert a random byte
        s.insert(at, 1, static_cast<char>(pick(256)));
        break;
      case 3: {  // duplicate a span
        std::string span = s.substr(at, pick(40));
        s.insert(at, span);
        break;
      }
      case 4:  // cut the text short
        s.resize(at);
        break;
      case 5: {  // splice in a piece of another statement
        const std::string other = kCorpus[pick(std::size(kCorpus))];
        size_t from = pick(other.size());
        s.insert(at, other.substr(from, pick(60)));
        break;
      }
      case 6: {  // deep nesting or a long repetition
        static const char* const kRepeat[] = {
            "(", "CASE WHEN 1=1 THEN ", "IF 1=1 ", "BEGIN ", "'a'+", "x,"};
        std::string piece = kRepeat[pick(std::size(kRepeat))];
        std::string big;
        size_t times = 50 + pick(3000);
        for (size_t k = 0; k < times; ++k) big += piece;
        s.insert(at, big);
        break;
      }
    }
  }
  return s;
}

TEST(DialectFuzzTest, MutatedStatementsFailCleanly) {
  std::mt19937 rng(20240305);
  FixedClock clock(TestNow());
  std::unique_ptr<Connection> conn;
  constexpr int kIterations = 2500;
  for (int i = 0; i < kIterations; ++i) {
    if (i % 250 == 0) {
      conn.reset();
      ASSERT_TRUE(OpenEmbeddedConnection(":memory:", &clock, &conn).ok());
      std::unique_ptr<Statement> st = conn->NewStatement();
      ASSERT_TRUE(st->Execute("CREATE TABLE TABZO (KOZO char(3), NOKOZO "
                              "varchar(30), FECHA datetime)\r\n"
                              "INSERT INTO TABZO VALUES ('01','Norte',NULL)")
                      .ok());
    }
    std::string sql = Mutate(rng, kCorpus[i % std::size(kCorpus)]);
    std::unique_ptr<Statement> st = conn->NewStatement();
    Status s = st->Execute(sql);
    if (!s.ok()) {
      EXPECT_FALSE(s.message().empty()) << sql;
      EXPECT_LE(s.message().size(), 256u) << sql;
      continue;
    }
    // Whatever ran must be readable to the end.
    bool more = st->ColumnCount() > 0;
    while (more) {
      bool row = false;
      while (st->Fetch(&row).ok() && row) {
        for (int c = 0; c < st->ColumnCount(); ++c) {
          std::string v;
          bool null = false;
          ASSERT_TRUE(st->GetText(c, &v, &null).ok());
        }
      }
      ASSERT_TRUE(st->NextResult(&more).ok());
    }
  }
}

TEST(DialectFuzzTest, LiteralLiftingKeepsEveryByte) {
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    std::string sql = Mutate(rng, kCorpus[i % std::size(kCorpus)]);
    std::string key;
    std::vector<std::string> values;
    if (!ParameterizeTsql(sql, &key, &values)) continue;
    // Every literal is either lifted or left in place; the key never holds
    // the inside of a lifted literal.
    for (size_t k = 0; k < values.size(); ++k) {
      std::string param = "?";
      param.append(std::to_string(k + 1));
      EXPECT_NE(std::string::npos, key.find(param)) << sql;
    }
  }
}

}  // namespace
}  // namespace kelmar
