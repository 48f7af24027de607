#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/engine/connection.h"
#include "platform/clock.h"
#include "support/temp_dir.h"
#include "unit/engine_embedded/embedded_test_util.h"

namespace kelmar {
namespace {

// A small piece of the ERP: products, zones and the server's own headers
// table as the schema installer creates it.
constexpr char kFixture[] =
    "CREATE TABLE [dbo].[MAEPR] ([KOPR] [char] (13) NOT NULL, [NOKOPR] "
    "varchar(50) NULL, PRECIO float, STOCK decimal(18,2), ACTIVO bit, FECHA "
    "datetime, CONSTRAINT [PK_MAEPR] PRIMARY KEY CLUSTERED ([KOPR] ASC)) ON "
    "[PRIMARY]\r\n"
    "INSERT INTO MAEPR (KOPR,NOKOPR,PRECIO,STOCK,ACTIVO,FECHA) VALUES "
    "('A1',N'Uno',2.5,10,1,{d '2024-02-01'})\r\n"
    "INSERT INTO MAEPR VALUES ('B2','Dos',0.0015,3.456,0,'2024-02-10 "
    "13:45:00')\r\n"
    "INSERT INTO MAEPR (KOPR,NOKOPR) VALUES ('C3','O''Brien')\r\n"
    "CREATE TABLE TABZO (KOZO char(3) NOT NULL, NOKOZO varchar(30))\r\n"
    "INSERT INTO TABZO VALUES ('01','Norte')\r\n"
    "INSERT INTO TABZO VALUES ('02','Sur')\r\n"
    "INSERT INTO TABZO VALUES ('03','Centro')\r\n";

class EmbeddedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenEmbeddedConnection(":memory:", &clock_, &conn_).ok());
    Ok(kFixture);
  }
  std::string Q(const std::string& sql) { return Query(conn_.get(), sql); }
  void Ok(const std::string& sql) {
    std::string r = Q(sql);
    ASSERT_TRUE(r.rfind("ERROR", 0) != 0) << sql << "\n" << r;
  }

  struct Case {
    const char* sql;
    const char* expected;
  };
  void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(c.expected, Q(c.sql)) << c.sql;
  }

  FixedClock clock_{TestNow()};
  std::unique_ptr<Connection> conn_;
};

TEST_F(EmbeddedTest, SelectForms) {
  Check({
      {"SELECT TOP 1 KOPR,NOKOPR FROM MAEPR WITH ( NOLOCK )  WHERE KOPR='A1'",
       "KOPR|NOKOPR|\nA1           |Uno|"},
      {"select top 2 [KOPR] from [dbo].[MAEPR] with(nolock) order by KOPR desc",
       "KOPR|\nC3           |\nB2           |"},
      {"SELECT KOZO FROM TABZO WITH (NOLOCK,ROWLOCK) WHERE NOKOZO=N'Sur'",
       "KOZO|\n02 |"},
      {"SELECT DISTINCT top 1 LEFT(NOKOZO,3) AS R FROM TABZO ORDER BY 1",
       "R|\nCen|"},
      {"SELECT TOP 50+ KOZO FROM TABZO WHERE KOZO>'01' ORDER BY KOZO",
       "|\n02 |\n03 |"},
      {"SELECT KOZO FROM TABZO WHERE KOZO IN (SELECT TOP 1 KOZO FROM TABZO "
       "ORDER BY KOZO DESC)",
       "KOZO|\n03 |"},
      {"SELECT TOP 1 KOZO AS K FROM TABZO UNION SELECT TOP 1 KOPR FROM MAEPR",
       "K|\n01 |\nA1           |"},
      {"SELECT TOP 2 KOZO AS K FROM TABZO WHERE KOZO>'01' UNION SELECT TOP 1 "
       "KOPR FROM MAEPR WHERE KOPR<'B' ORDER BY 1 DESC",
       "K|\nA1           |\n03 |\n02 |"},
      {"SELECT COUNT(*) AS CUANTOS FROM MAEPR WITH (NOLOCK) WHERE "
       "COALESCE(NOKOPR,'')<>''",
       "CUANTOS|\n3|"},
      {"SELECT NOKOPR FROM MAEPR WHERE NOKOPR LIKE 'o%'", "NOKOPR|\nO'Brien|"},
      {"SELECT KOZO FROM TABZO T WHERE EXISTS (SELECT * FROM MAEPR WITH "
       "(NOLOCK) WHERE MAEPR.ACTIVO=1 AND T.KOZO='01')",
       "KOZO|\n01 |"},
      {"SELECT ACTIVO, COUNT(*) AS N FROM MAEPR GROUP BY ACTIVO ORDER BY "
       "ACTIVO",
       "ACTIVO|N|\nNULL|1|\n0|1|\n1|1|"},
  });
}

TEST_F(EmbeddedTest, CharColumnsArePaddedAndCompareWithoutTrailingBlanks) {
  Check({
      {"SELECT KOPR+'|' AS K, LEN(KOPR) AS L FROM MAEPR WHERE KOPR='A1   '",
       "K|L|\nA1           ||2|"},
      {"UPDATE MAEPR SET KOPR='A1X' WHERE KOPR='A1'", ""},
      {"SELECT KOPR FROM MAEPR WHERE KOPR = 'A1X'", "KOPR|\nA1X          |"},
      {"INSERT INTO TABZO VALUES ('1234','x')",
       "ERROR: String or binary data would be truncated."},
      {"UPDATE TABZO SET NOKOZO=REPLICATE('x',31)",
       "ERROR: 'REPLICATE' is not a recognized built-in function name."},
      {"UPDATE TABZO SET NOKOZO='0123456789012345678901234567890'",
       "ERROR: String or binary data would be truncated."},
      {"SELECT COUNT(*) AS N FROM TABZO WHERE NOKOZO='Sur  '", "N|\n1|"},
  });
}

TEST_F(EmbeddedTest, Expressions) {
  Check({
      {"SELECT 'a'+'b'+KOZO+'c' AS S, 1+2*3 AS N, 2.5+1 AS F FROM TABZO WHERE "
       "KOZO='01'",
       "S|N|F|\nab01 c|7|3.5|"},
      {"SELECT SUBSTRING(NOKOZO,2,3) AS S, CHARINDEX('t',NOKOZO) AS C, "
       "UPPER(NOKOZO) AS U, LOWER('AB') AS L, REPLACE(NOKOZO,'r','R') AS R "
       "FROM TABZO WHERE KOZO='01'",
       "S|C|U|L|R|\nort|4|NORTE|ab|NoRte|"},
      {"SELECT LTRIM(RTRIM('  x  '))+'|' AS T, ROUND(2.345,2) AS R",
       "T|R|\nx||2.35|"},
      {"SELECT CASE WHEN KOZO='01' THEN 'uno' ELSE 'otro'+KOZO END AS C FROM "
       "TABZO ORDER BY KOZO",
       "C|\nuno|\notro02 |\notro03 |"},
      {"SELECT YEAR(FECHA) AS Y, MONTH(FECHA) AS M FROM MAEPR WHERE KOPR='B2'",
       "Y|M|\n2024|2|"},
      {"SELECT CAST('V' AS CHAR(3) )+'|' AS O, CAST(2 AS FLOAT) AS F, "
       "CAST(PRECIO AS VARCHAR(10)) AS V FROM MAEPR WHERE KOPR='A1'",
       "O|F|V|\nV  ||2|2.5|"},
      {"SELECT convert(varchar, 42) AS V", "V|\n42|"},
      // Only an alias names a computed column; "*" keeps the table's names.
      {"SELECT 1, KOZO, 'x' X, CASE WHEN 1=1 THEN 2 END, 3 AS [Y Z] FROM "
       "TABZO WHERE KOZO='01'",
       "|KOZO|X||Y Z|\n1|01 |x|2|3|"},
      {"SELECT *, CAST(1 AS CHAR(3)) AS C FROM TABZO WHERE KOZO='01'",
       "KOZO|NOKOZO|C|\n01 |Norte|1  |"},
      {"SELECT DATEDIFF(day, {d '2024-02-01'}, FECHA) AS D, "
       "DATEADD(month, 1, FECHA) AS M, ISNULL(NOKOPR,'-') AS N FROM MAEPR "
       "WHERE KOPR='B2'",
       "D|M|N|\n9|2024-03-10 13:45:00.000|Dos|"},
      {"UPDATE MAEPR SET STOCK=STOCK- 5 WHERE KOPR='A1'", ""},
      {"SELECT STOCK FROM MAEPR WHERE KOPR='A1'", "STOCK|\n5.00|"},
      // Stored values take the column's type: decimals rounded to the scale,
      // ints cut, bits from text, unreadable numbers refused.
      {"UPDATE MAEPR SET STOCK=2.345, ACTIVO='true' WHERE KOPR='A1'", ""},
      {"SELECT STOCK*1000 AS S, ACTIVO FROM MAEPR WHERE STOCK=2.35",
       "S|ACTIVO|\n2350|1|"},
      {"UPDATE MAEPR SET STOCK='abc' WHERE KOPR='A1'",
       "ERROR: Error converting data type varchar to numeric."},
  });
}

TEST_F(EmbeddedTest, DatesFollowTheClock) {
  Check({
      {"SELECT GetDate() AS D, CURRENT_TIMESTAMP AS C",
       "D|C|\n2024-03-05 14:07:09.250|2024-03-05 14:07:09.250|"},
      {"SELECT CURRENT_TIMESTAMP AS FECHA, CONVERT( VARCHAR(45), "
       "CURRENT_TIMESTAMP, 9 ) AS HORA ",
       "FECHA|HORA|\n2024-03-05 14:07:09.250|Mar  5 2024  2:07:09:250PM|"},
      {"SELECT convert(varchar, FECHA, 105) AS A, convert(varchar, FECHA, 103) "
       "AS B FROM MAEPR WHERE KOPR='B2'",
       "A|B|\n10-02-2024|10/02/2024|"},
      {"SELECT KOPR FROM MAEPR WHERE FECHA BETWEEN {d '2024-02-01'} AND "
       "convert(datetime, '05-02-2024', 105)",
       "KOPR|\nA1           |"},
      {"SELECT FECHA FROM MAEPR WHERE FECHA={d '2024-02-01'}",
       "FECHA|\n2024-02-01 00:00:00.000|"},
  });
}

TEST_F(EmbeddedTest, IdentityBesideCompositeKey) {
  Ok("if not exists (select * from dbo.sysobjects where id = "
     "object_id(N'[dbo].[PDAENCA]') and OBJECTPROPERTY(id, N'IsUserTable') = "
     "1) begin CREATE TABLE [dbo].[PDAENCA] ( [TIDO] [char] (3) NOT NULL , "
     "[NUDO] [char] (10) NOT NULL , [ENDO] [char] (13) NOT NULL , [SINDEU] "
     "[bit] NOT NULL DEFAULT 0, [FEEMDO] [datetime] NULL , [IDPDAENCA] [int] "
     "IDENTITY (1, 1) NOT NULL , [VALIDO] [char] (1) NULL DEFAULT (''), "
     "[FECHA] datetime NOT NULL DEFAULT GetDate(), CONSTRAINT [PK_PDAENCA] "
     "PRIMARY KEY  CLUSTERED ( [TIDO], [NUDO], [ENDO] ) ON [PRIMARY] ) ON "
     "[PRIMARY] TEXTIMAGE_ON [PRIMARY] CREATE INDEX [IX_PDAENCA] ON "
     "[dbo].[PDAENCA]([VALIDO]) ON [PRIMARY] end");
  Check({
      {"INSERT INTO PDAENCA (TIDO,NUDO,ENDO) VALUES ('NVV','1','C1')", ""},
      {"INSERT INTO PDAENCA (TIDO,NUDO,ENDO) VALUES ('NVV','2','C1')", ""},
      {"SELECT @@IDENTITY AS ULTID", "ULTID|\n2|"},
      {"INSERT INTO PDAENCA (TIDO,NUDO,ENDO) VALUES ('NVV','2','C1')",
       "ERROR: Cannot insert duplicate key row in object 'dbo.PDAENCA'. The "
       "duplicate key value is not allowed."},
      {"SELECT @@IDENTITY AS ULTID", "ULTID|\n2|"},
      {"SELECT IDPDAENCA, SINDEU, VALIDO+'|' AS V, FECHA FROM PDAENCA WHERE "
       "NUDO='2'",
       "IDPDAENCA|SINDEU|V|FECHA|\n2|0| ||2024-03-05 14:07:09.250|"},
      {"INSERT INTO TABZO VALUES ('09','x')", ""},
      {"SELECT @@IDENTITY AS ULTID", "ULTID|\nNULL|"},
      {"EXECUTE sp_MShelpindex 'PDAENCA',NULL,1 ",
       "name|indid|indcol1|indcol2|indcol3|indcol4|indcol5|indcol6|indcol7|"
       "indcol8|indcol9|indcol10|indcol11|indcol12|indcol13|indcol14|indcol15|"
       "indcol16|\nPK_PDAENCA|1|TIDO|NUDO|ENDO|NULL|NULL|NULL|NULL|NULL|NULL|"
       "NULL|NULL|NULL|NULL|NULL|NULL|NULL|\nIX_PDAENCA|2|VALIDO|NULL|NULL|"
       "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|"},
  });
  // The existence test makes a second creation a no-op.
  Ok("if not exists (select * from dbo.sysobjects where id = "
     "object_id(N'[dbo].[PDAENCA]') and OBJECTPROPERTY(id, N'IsUserTable') = "
     "1) begin CREATE TABLE [dbo].[PDAENCA] ( [X] int ) end");
}

TEST_F(EmbeddedTest, SchemaUpgrade) {
  Ok("CREATE TABLE PDALINEA (LINEA varchar(50), SUENDO char(3))");
  Ok("INSERT INTO PDALINEA VALUES ('uno','A')");
  Ok("INSERT INTO PDALINEA VALUES ('dos','B')");
  Check({
      {"ALTER TABLE PDALINEA ADD ID INT IDENTITY (1, 1) NOT NULL", ""},
      {"ALTER TABLE PDALINEA ADD TOTBYTES int default (0)", ""},
      {"ALTER TABLE PDALINEA ADD FECHA datetime NOT NULL default GetDate()",
       ""},
      {"ALTER TABLE PDALINEA ALTER COLUMN LINEA VARCHAR(500) NULL", ""},
      {"alter table pdalinea alter column SUENDO CHAR(10) NULL", ""},
      {"SELECT ID, LINEA, SUENDO+'|' AS S, TOTBYTES, FECHA FROM PDALINEA",
       "ID|LINEA|S|TOTBYTES|FECHA|\n1|uno|A         ||NULL|2024-03-05 "
       "14:07:09.250|\n2|dos|B         ||NULL|2024-03-05 14:07:09.250|"},
      {"INSERT INTO PDALINEA (LINEA) VALUES ('tres')", ""},
      {"SELECT @@IDENTITY AS ULTID, TOTBYTES FROM PDALINEA WHERE ID=3",
       "ULTID|TOTBYTES|\n3|0|"},
      {"ALTER TABLE PDALINEA ADD ID2 INT IDENTITY (1, 1) NOT NULL",
       "ERROR: Multiple identity columns specified for table 'PDALINEA'. Only "
       "one identity column per table is allowed."},
      {"CREATE NONCLUSTERED INDEX [sugerido] ON [dbo].[PDALINEA] ([SUENDO]) "
       "INCLUDE ([LINEA],[ID]) ON [PRIMARY] ",
       ""},
      {"EXECUTE sp_MShelpindex 'PDALINEA',NULL,1 ",
       "name|indid|indcol1|indcol2|indcol3|indcol4|indcol5|indcol6|indcol7|"
       "indcol8|indcol9|indcol10|indcol11|indcol12|indcol13|indcol14|indcol15|"
       "indcol16|\nsugerido|1|SUENDO|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|"
       "NULL|NULL|NULL|NULL|NULL|NULL|NULL|"},
  });
  Check({
      {"ALTER TABLE TABZO ADD A int, B varchar(5) NULL DEFAULT ('x')", ""},
      {"SELECT A, B FROM TABZO WHERE KOZO='01'", "A|B|\nNULL|NULL|"},
      {"SELECT name FROM sysobjects WHERE id = object_id('pdalinea')",
       "name|\nPDALINEA|"},
      {"DROP INDEX PDALINEA.sugerido", ""},
      {"EXECUTE sp_MShelpindex 'PDALINEA',NULL,1 ",
       "name|indid|indcol1|indcol2|indcol3|indcol4|indcol5|indcol6|indcol7|"
       "indcol8|indcol9|indcol10|indcol11|indcol12|indcol13|indcol14|indcol15|"
       "indcol16|"},
      {"CREATE TABLE SEMILLA (ID int IDENTITY(100,1) NOT NULL, X char(1))", ""},
      {"INSERT INTO SEMILLA (X) VALUES ('a')", ""},
      {"SELECT @@IDENTITY AS ULTID", "ULTID|\n100|"},
  });
  std::unique_ptr<Statement> st = conn_->NewStatement();
  ASSERT_TRUE(
      st->Execute("SELECT TOP 1 * FROM PDALINEA WITH ( NOLOCK ) ").ok());
  ASSERT_EQ(5, st->ColumnCount());
  EXPECT_EQ(500u, st->Column(0).column_size);
  EXPECT_EQ(kSqlChar, st->Column(1).sql_type);
  EXPECT_EQ(10u, st->Column(1).column_size);
}

TEST_F(EmbeddedTest, ControlFlowTempTablesAndBatches) {
  Check({
      {"if exists (select * from TABZO where KOZO='01' ) select 1 AS EXISTE "
       "else select 0 AS EXISTE;",
       "EXISTE|\n1|"},
      {"if exists (select * from TABZO where KOZO='99' ) select 1 AS EXISTE "
       "else select 0 AS EXISTE;",
       "EXISTE|\n0|"},
      {"IF NOT EXISTS ( SELECT * FROM TABZO  WITH (NOLOCK) WHERE KOZO='04') "
       "INSERT INTO TABZO VALUES ('04','Oeste') ELSE UPDATE TABZO SET "
       "NOKOZO='x' WHERE KOZO='04'",
       ""},
      {"SELECT NOKOZO FROM TABZO WHERE KOZO='04'", "NOKOZO|\nOeste|"},
      {"DROP TABLE #PASO",
       "ERROR: Cannot drop the table '#PASO', because it does not exist or "
       "you do not have permission."},
      {"SELECT KOZO, NOKOZO INTO #PASO FROM TABZO WITH (NOLOCK) WHERE "
       "KOZO<'03'",
       ""},
      {"SELECT KOZO+'|' AS K FROM #PASO WITH (NOLOCK) ORDER BY KOZO",
       "K|\n01 ||\n02 ||"},
      {"DROP TABLE #PASO", ""},
      {"-- solo un comentario", ""},
      {"SELECT 1 AS A\r\nSELECT KOZO FROM TABZO WHERE KOZO='02'\r\n",
       "A|\n1|\n--\nKOZO|\n02 |"},
      {"UPDATE TABZO SET NOKOZO='y' WHERE KOZO='04'\r\nSELECT NOKOZO FROM "
       "TABZO WHERE KOZO='04'",
       "NOKOZO|\ny|"},
  });
}

TEST_F(EmbeddedTest, TransactionsAsText) {
  Check({
      {"BEGIN TRANSACTION", ""},
      {"INSERT INTO TABZO VALUES ('05','a')", ""},
      {"ROLLBACK TRANSACTION", ""},
      {"SELECT COUNT(*) AS N FROM TABZO WHERE KOZO='05'", "N|\n0|"},
      {"BEGIN TRANSACTION", ""},
      {"INSERT INTO TABZO VALUES ('05','a')", ""},
      {"COMMIT TRANSACTION", ""},
      {"SELECT COUNT(*) AS N FROM TABZO WHERE KOZO='05'", "N|\n1|"},
      {"COMMIT TRANSACTION",
       "ERROR: The COMMIT TRANSACTION request has no corresponding BEGIN "
       "TRANSACTION."},
  });
}

TEST_F(EmbeddedTest, ColumnDescriptions) {
  Ok("CREATE TABLE T (C char(7), V varchar(20), I int, F float, D "
     "decimal(10,3), B bit, DT datetime, X text, IM image)");
  struct Expect {
    int type;
    uint64_t size;
    int digits;
  };
  std::unique_ptr<Statement> st = conn_->NewStatement();
  ASSERT_TRUE(st->Execute("SELECT * FROM T").ok());
  std::vector<Expect> table = {{kSqlChar, 7, 0},
                               {kSqlVarchar, 20, 0},
                               {kSqlInteger, 10, 0},
                               {kSqlFloat, 53, 0},
                               {kSqlDecimal, 10, 3},
                               {kSqlBit, 1, 0},
                               {kSqlTimestamp, 23, 3},
                               {kSqlLongVarchar, 2147483647, 0},
                               {kSqlLongVarBinary, 2147483647, 0}};
  ASSERT_EQ(static_cast<int>(table.size()), st->ColumnCount());
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].type, st->Column(i).sql_type) << i;
    EXPECT_EQ(table[i].size, st->Column(i).column_size) << i;
    EXPECT_EQ(table[i].digits, st->Column(i).decimal_digits) << i;
  }
  // Computed columns: by their values, or by the width their text declares.
  ASSERT_TRUE(st->Execute("SELECT CAST('V' AS CHAR(1) ) AS OPCION, "
                          "LEFT(NOKOZO,30) AS R, NOKOZO+'!' AS W, COUNT(*) AS "
                          "N, SUM(0.5) AS S, MAX(GetDate()) AS D FROM TABZO "
                          "GROUP BY NOKOZO ORDER BY 2")
                  .ok());
  std::vector<Expect> computed = {{kSqlChar, 1, 0},    {kSqlVarchar, 30, 0},
                                  {kSqlVarchar, 7, 0}, {kSqlInteger, 10, 0},
                                  {kSqlFloat, 53, 0},  {kSqlTimestamp, 23, 3}};
  ASSERT_EQ(static_cast<int>(computed.size()), st->ColumnCount());
  for (size_t i = 0; i < computed.size(); ++i) {
    EXPECT_EQ(computed[i].type, st->Column(i).sql_type) << i;
    EXPECT_EQ(computed[i].size, st->Column(i).column_size) << i;
  }
}

TEST_F(EmbeddedTest, ValuesReadAsTheDriverGivesThem) {
  Check({
      {"SELECT PRECIO, STOCK, ACTIVO, FECHA FROM MAEPR ORDER BY KOPR",
       "PRECIO|STOCK|ACTIVO|FECHA|\n2.5|10.00|1|2024-02-01 00:00:00.000|\n"
       "0.0015|3.46|0|2024-02-10 13:45:00.000|\nNULL|NULL|NULL|NULL|"},
      {"SELECT 1e20 AS A, -0.00001234 AS B, 123456.789 AS C",
       "A|B|C|\n1E20|-1.234E-5|123456.789|"},
  });
}

TEST_F(EmbeddedTest, FailuresReadLikeTheServer) {
  Check({
      {"SELECT * FROM NOEXISTE", "ERROR: Invalid object name 'NOEXISTE'."},
      {"SELECT NADA FROM TABZO", "ERROR: Invalid column name 'NADA'."},
      {"SELECT 'abc FROM TABZO",
       "ERROR: Unclosed quotation mark after the character string ''abc FROM "
       "TABZO'."},
      {"SELECT [abc FROM TABZO",
       "ERROR: Unclosed quotation mark after the character string '[abc FROM "
       "TABZO'."},
      {"SELECT (1 FROM TABZO", "ERROR: Incorrect syntax near '('."},
      {"CREATE TABLE TABZO (X int)",
       "ERROR: There is already an object named 'TABZO' in the database."},
      {"EXEC sp_who", "ERROR: Could not find stored procedure 'sp_who'."},
      {"INSERT INTO TABZO VALUES ('09')",
       "ERROR: Column name or number of supplied values does not match table "
       "definition."},
      {"INSERT INTO TABZO (KOZO) VALUES ('09','x')",
       "ERROR: There are fewer columns in the INSERT statement than values "
       "specified in the VALUES clause. The number of values in the VALUES "
       "clause must match the number of columns specified in the INSERT "
       "statement."},
      {"INSERT INTO TABZO (KOZO,NOKOZO) VALUES ('09')",
       "ERROR: There are more columns in the INSERT statement than values "
       "specified in the VALUES clause. The number of values in the VALUES "
       "clause must match the number of columns specified in the INSERT "
       "statement."},
  });
  // The statements of a batch before the failing one stay done.
  EXPECT_EQ("ERROR: Invalid object name 'NOEXISTE'.",
            Q("INSERT INTO TABZO VALUES ('07','x')\r\nSELECT * FROM NOEXISTE"));
  EXPECT_EQ("N|\n1|", Q("SELECT COUNT(*) AS N FROM TABZO WHERE KOZO='07'"));
}

TEST_F(EmbeddedTest, SeveralStatementsOpenAtOnce) {
  std::unique_ptr<Statement> a = conn_->NewStatement();
  std::unique_ptr<Statement> b = conn_->NewStatement();
  ASSERT_TRUE(a->Execute("SELECT KOZO FROM TABZO ORDER BY KOZO").ok());
  bool row = false;
  int rows = 0;
  while (a->Fetch(&row).ok() && row) {
    std::string v;
    bool null = false;
    ASSERT_TRUE(a->GetText(0, &v, &null).ok());
    ASSERT_TRUE(
        b->Execute("UPDATE TABZO SET NOKOZO='z' WHERE KOZO='" + v + "'").ok());
    ++rows;
  }
  EXPECT_EQ(3, rows);
  EXPECT_EQ("N|\n3|", Q("SELECT COUNT(*) AS N FROM TABZO WHERE NOKOZO='z'"));
  // Columns are read in increasing order, each once.
  ASSERT_TRUE(a->Execute("SELECT KOZO, NOKOZO FROM TABZO").ok());
  ASSERT_TRUE(a->Fetch(&row).ok());
  std::string v;
  bool null = false;
  ASSERT_TRUE(a->GetText(1, &v, &null).ok());
  EXPECT_FALSE(a->GetText(0, &v, &null).ok());
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

// Two connections on one file, as two server instances or kelmar-sql beside
// a running server: what one changes in the tables the other sees at once.
TEST(EmbeddedFileTest, ConnectionsSeeEachOthersSchemaChanges) {
  testing::TempDir dir;
  FixedClock clock(TestNow());
  std::unique_ptr<Connection> a, b;
  ASSERT_TRUE(OpenEmbeddedConnection(dir.File("erp.db"), &clock, &a).ok());
  ASSERT_TRUE(OpenEmbeddedConnection(dir.File("erp.db"), &clock, &b).ok());
  EXPECT_EQ("ERROR: Invalid object name 'T'.",
            Query(b.get(), "INSERT INTO T VALUES ('x')"));
  EXPECT_EQ("", Query(a.get(), "CREATE TABLE T (C char(3))"));
  EXPECT_EQ("", Query(b.get(), "INSERT INTO T VALUES ('x')"));
  EXPECT_EQ("", Query(a.get(), "ALTER TABLE T ADD D varchar(5)"));
  EXPECT_EQ("", Query(b.get(), "INSERT INTO T (C,D) VALUES ('y','z')"));
  EXPECT_EQ("C|D|\nx  |NULL|\ny  |z|",
            Query(a.get(), "SELECT C, D FROM T ORDER BY C"));
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

TEST(EmbeddedLimitsTest, HugeStatementsRun) {
  FixedClock clock(TestNow());
  std::unique_ptr<Connection> conn;
  ASSERT_TRUE(OpenEmbeddedConnection(":memory:", &clock, &conn).ok());
  ASSERT_EQ("",
            Query(conn.get(),
                  "CREATE TABLE T (K char(8))\r\nINSERT INTO T VALUES ('k1')"));
  // An IN list with more literals than SQLite could bind.
  std::string in = "SELECT COUNT(*) AS N FROM T WHERE K IN ('k1'";
  for (int i = 0; i < 40000; ++i) in += ",'x" + std::to_string(i) + "'";
  EXPECT_EQ("N|\n1|", Query(conn.get(), in + ")"));
  EXPECT_EQ("N|\n1|", Query(conn.get(), in + ",'y')"));
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

// Statements already run once are served from the connection's caches;
// after any change to the tables they must describe the tables as they are.
TEST(EmbeddedSchemaChangeTest, CachedStatementsFollowTheTables) {
  FixedClock clock(TestNow());
  std::unique_ptr<Connection> conn;
  ASSERT_TRUE(OpenEmbeddedConnection(":memory:", &clock, &conn).ok());
  struct Step {
    const char* sql;
    const char* expected;
  } steps[] = {
      {"CREATE TABLE T (A char(3), B int)", ""},
      {"INSERT INTO T (A,B) VALUES ('x',1)", ""},
      {"SELECT * FROM T WITH ( NOLOCK )", "A|B|\nx  |1|"},
      {"ALTER TABLE T ADD C varchar(10) NULL", ""},
      {"ALTER TABLE T ALTER COLUMN A char(10)", ""},
      {"SELECT * FROM T WITH ( NOLOCK )", "A|B|C|\nx         |1|NULL|"},
      {"INSERT INTO T VALUES ('y',2,'c')", ""},
      {"SELECT * INTO #W FROM T", ""},
      {"SELECT * FROM #W ORDER BY B",
       "A|B|C|\nx         |1|NULL|\ny         |2|c|"},
      {"DROP TABLE #W", ""},
      {"SELECT B INTO #W FROM T", ""},
      {"SELECT * FROM #W ORDER BY B", "B|\n1|\n2|"},
      {"DROP TABLE T", ""},
      {"CREATE TABLE T (Z int)", ""},
      {"INSERT INTO T VALUES (7)", ""},
      {"SELECT * FROM T WITH ( NOLOCK )", "Z|\n7|"},
      {"SELECT * INTO #V FROM T", ""},
      {"SELECT * FROM #V", "Z|\n7|"},
  };
  for (const Step& s : steps)
    EXPECT_EQ(s.expected, Query(conn.get(), s.sql)) << s.sql;
}

TEST(EmbeddedSchemaChangeTest, CachedStatementsFollowAnotherConnection) {
  testing::TempDir dir;
  FixedClock clock(TestNow());
  std::unique_ptr<Connection> a, b;
  ASSERT_TRUE(OpenEmbeddedConnection(dir.File("erp.db"), &clock, &a).ok());
  ASSERT_TRUE(OpenEmbeddedConnection(dir.File("erp.db"), &clock, &b).ok());
  ASSERT_EQ("", Query(a.get(), "CREATE TABLE T (A char(3))"));
  EXPECT_EQ("", Query(b.get(), "INSERT INTO T VALUES ('x')"));
  EXPECT_EQ("A|\nx  |", Query(b.get(), "SELECT * FROM T"));
  ASSERT_EQ("", Query(a.get(), "ALTER TABLE T ADD D int NOT NULL DEFAULT 5"));
  EXPECT_EQ("A|D|\nx  |5|", Query(b.get(), "SELECT * FROM T"));
  // The same INSERT as before no longer matches the table's columns.
  EXPECT_EQ(
      "ERROR: Column name or number of supplied values does not match table "
      "definition.",
      Query(b.get(), "INSERT INTO T VALUES ('y')"));
  EXPECT_EQ("", Query(b.get(), "INSERT INTO T VALUES ('z',6)"));
  EXPECT_EQ("A|D|\nx  |5|\nz  |6|", Query(a.get(), "SELECT * FROM T"));
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

// A connection in the middle of a read transaction (a report under BEGIN
// TRANSACTION) must not hold up another instance's journal writes.
TEST(EmbeddedFileTest, ReadersDoNotBlockTheWriter) {
  testing::TempDir dir;
  FixedClock clock(TestNow());
  std::unique_ptr<Connection> reader, writer;
  ASSERT_TRUE(OpenEmbeddedConnection(dir.File("erp.db"), &clock, &reader).ok());
  ASSERT_TRUE(OpenEmbeddedConnection(dir.File("erp.db"), &clock, &writer).ok());
  ASSERT_EQ("", Query(writer.get(), "CREATE TABLE PDALOG (K char(3))"));
  ASSERT_EQ("N|\n0|", Query(reader.get(),
                            "BEGIN TRANSACTION\r\nSELECT "
                            "COUNT(*) AS N FROM PDALOG"));
  EXPECT_EQ("", Query(writer.get(), "INSERT INTO PDALOG VALUES ('a')"));
  // The reader goes on seeing the state its transaction began with.
  EXPECT_EQ("N|\n0|", Query(reader.get(), "SELECT COUNT(*) AS N FROM PDALOG"));
  ASSERT_EQ("", Query(reader.get(), "COMMIT TRANSACTION"));
  EXPECT_EQ("N|\n1|", Query(reader.get(), "SELECT COUNT(*) AS N FROM PDALOG"));
}

}  // namespace
}  // namespace kelmar
