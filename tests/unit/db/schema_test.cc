#include "db/schema.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/context.h"
#include "support/fake_connection.h"

namespace kelmar {
namespace {

using testing::Col;
using testing::FakeConnection;
using testing::FakeResult;

// A database catalogue that answers the upgrade's structure reads and index
// lists; every other statement succeeds.
struct Catalogue {
  std::map<std::string, std::vector<ColumnDescription>> tables;
  std::map<std::string, std::vector<std::string>> indexes;

  std::optional<FakeResult> Answer(const std::string& sql) {
    FakeResult r;
    const std::string top = "SELECT TOP 1 * FROM ";
    const std::string help = "EXECUTE sp_MShelpindex '";
    if (sql.starts_with(top)) {
      std::string table =
          sql.substr(top.size(), sql.find(' ', top.size()) - top.size());
      auto it = tables.find(table);
      if (it == tables.end()) {
        r.error = "Invalid object name '" + table + "'.";
      } else {
        r.columns = it->second;
      }
      return r;
    }
    if (sql.starts_with(help)) {
      std::string table =
          sql.substr(help.size(), sql.find('\'', help.size()) - help.size());
      r.columns = {Col("name", kSqlWVarchar, 128), Col("indid", kSqlSmallInt),
                   Col("indcol1", kSqlWVarchar, 128),
                   Col("indcol2", kSqlWVarchar, 128)};
      int id = 1;
      for (const std::string& name : indexes[table]) {
        r.rows.push_back({name, std::to_string(id++), "KOPR", std::nullopt});
      }
      return r;
    }
    return std::nullopt;
  }
};

class SchemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_.odbc = &db_;
    db_.responder = [this](const std::string& sql) {
      return catalogue_.Answer(sql);
    };
  }

  bool Sent(const std::string& sql) const {
    return std::find(db_.executed.begin(), db_.executed.end(), sql) !=
           db_.executed.end();
  }
  int SentStartingWith(const std::string& prefix) const {
    return static_cast<int>(std::count_if(
        db_.executed.begin(), db_.executed.end(),
        [&](const std::string& s) { return s.starts_with(prefix); }));
  }

  Catalogue catalogue_;
  FakeConnection db_;
  Context ctx_;
};

TEST_F(SchemaTest, CreatesTwentyTablesInOrderAndReportsEachFailure) {
  const std::vector<std::string> expected = {
      "PDADETA",       "PDAENCA",  "PDALINEA", "PDAMAQ",   "PDALOG",
      "VENDEDORYNOTA", "PDAGPS",   "PDAPAG",   "PDAPAGD",  "PDALOCE",
      "PDALOCD",       "PDATAREA", "PDAENTI",  "MAEPRIMG", "WCDGMAG",
      "PDACONF",       "PDAFOBU",  "TABFUEN",  "TABFUPR",  "PDAUUID"};
  EXPECT_EQ(OwnTableNames(), expected);

  std::vector<std::string> messages;
  EXPECT_TRUE(
      CREARTABLAS(ctx_, [&](const std::string& m) { messages.push_back(m); }));
  ASSERT_EQ(db_.executed.size(), 20u);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(db_.executed[i].starts_with(
        "if not exists (select * from dbo.sysobjects where id = "
        "object_id(N'[dbo].[" +
        expected[i] +
        "]') and OBJECTPROPERTY(id, N'IsUserTable') = 1) "
        "begin CREATE TABLE [dbo].[" +
        expected[i] + "] ("))
        << db_.executed[i];
    EXPECT_TRUE(db_.executed[i].ends_with(" end"));
  }
  EXPECT_TRUE(messages.empty());

  db_.executed.clear();
  db_.responder = [](const std::string&) {
    FakeResult r;
    r.error = "CREATE TABLE permission denied in database 'erp'.";
    return std::optional<FakeResult>(r);
  };
  EXPECT_FALSE(
      CREARTABLAS(ctx_, [&](const std::string& m) { messages.push_back(m); }));
  EXPECT_EQ(db_.executed.size(), 20u);
  ASSERT_EQ(messages.size(), 20u);
  EXPECT_EQ(messages[0],
            "fallo al crear tabla PDADETA\nCREATE TABLE permission denied in "
            "database 'erp'.");
  EXPECT_EQ(messages[19].substr(0, 28), "fallo al crear tabla PDAUUID");
}

TEST_F(SchemaTest, CreationStatementHoldsKeyAndIndexes) {
  EXPECT_EQ(CreationStatement("PDAPAGD"),
            "if not exists (select * from dbo.sysobjects where id = "
            "object_id(N'[dbo].[PDAPAGD]') and OBJECTPROPERTY(id, "
            "N'IsUserTable') = 1) begin CREATE TABLE [dbo].[PDAPAGD] "
            "([IDPDAPAGD] int IDENTITY (1, 1) NOT NULL, [IDPDAPAG] int NULL "
            "DEFAULT (0), [IDDATO] char(20) NULL, [VAASDP] float NULL, "
            "[ARCHIRST] char(8) NULL, [IDRST] int NULL, CONSTRAINT "
            "[PK_PDAPAGD] PRIMARY KEY CLUSTERED ([IDPDAPAGD])) ON [PRIMARY] "
            "CREATE INDEX [IX_PDAPAGD] ON [dbo].[PDAPAGD]([IDDATO]) ON "
            "[PRIMARY]  end");
  EXPECT_NE(CreationStatement("MAEPRIMG")
                .find(") ON [PRIMARY] TEXTIMAGE_ON [PRIMARY] CREATE INDEX"),
            std::string::npos);
  EXPECT_EQ(CreationStatement("MAEPR"), "");
}

TEST_F(SchemaTest, UpgradesAnOldInstallation) {
  catalogue_.tables["PDAENCA"] = {
      Col("TIDO", kSqlChar, 3), Col("NUDO", kSqlChar, 10),
      Col("ENDO", kSqlChar, 13), Col("SUENDO", kSqlChar, 3),
      Col("IDPDAENCA", kSqlInteger, 10)};
  catalogue_.tables["PDADETA"] = {Col("KOPR", kSqlChar, 13)};
  catalogue_.indexes["PDADETA"] = {"PK_PDADETA", "IX_PDADETA_1",
                                   "_WA_Sys_IX2_PDADETA", "ix4_pdadeta"};
  catalogue_.tables["PDALINEA"] = {Col("LINEA", kSqlVarchar, 250)};
  catalogue_.tables["VENDEDORYNOTA"] = {Col("PREFIJO", kSqlChar, 10)};
  catalogue_.indexes["VENDEDORYNOTA"] = {"PK_VENDEDORYNOTA_2"};
  catalogue_.tables["TABIMPR"] = {Col("KOPR", kSqlChar, 13)};
  catalogue_.indexes["MAEEN"] = {"sugerido_para_mejorar_sincronizacion"};

  UpgradeSchema(&ctx_);

  EXPECT_FALSE(
      Sent("ALTER TABLE PDAENCA ADD IDPDAENCA INT IDENTITY (1, 1) "
           "NOT NULL"));
  EXPECT_TRUE(Sent("ALTER TABLE PDAENCA ADD LINEAS int NULL"));
  EXPECT_TRUE(Sent("ALTER TABLE PDAENCA ADD TOTBYTES int NULL DEFAULT (0)"));
  EXPECT_TRUE(Sent("ALTER TABLE PDAENCA ALTER COLUMN SUENDO CHAR(10) NULL"));
  EXPECT_TRUE(Sent("ALTER TABLE PDAENCA ADD KOFUPR140 char(3) NULL"));
  EXPECT_TRUE(
      Sent("ALTER TABLE PDADETA ADD IDPDADETA INT IDENTITY (1, 1) "
           "NOT NULL"));
  // Automatic statistics are no index, and names compare exactly.
  EXPECT_TRUE(
      Sent("CREATE INDEX [IX2_PDADETA] ON [dbo].[PDADETA]([FEEMLI],"
           "[VALIDO]) ON [PRIMARY] "));
  EXPECT_TRUE(
      Sent("CREATE INDEX [IX4_PDADETA] ON [dbo].[PDADETA]("
           "[IDPDAENCA]) ON [PRIMARY] "));
  EXPECT_EQ(SentStartingWith("CREATE INDEX [IX3_PDADETA]"), 0);
  EXPECT_TRUE(
      Sent("ALTER TABLE PDALINEA ALTER COLUMN LINEA VARCHAR(500) "
           "NULL"));
  EXPECT_EQ(SentStartingWith("ALTER TABLE VENDEDORYNOTA"), 0);
  EXPECT_EQ(SentStartingWith("CREATE INDEX [PK_VENDEDORYNOTA_2]"), 0);
  EXPECT_TRUE(
      Sent("CREATE INDEX [PK_VENDEDORYNOTA_3] ON [dbo].["
           "VENDEDORYNOTA]([VENDEDOR],[NUMEROFCV]) ON [PRIMARY] "));
  EXPECT_TRUE(ctx_.tabimpr_sin_noaplicen);
  // A missing table gives an empty structure: its additions are tried.
  EXPECT_TRUE(
      Sent("ALTER TABLE PDAFOBO ADD ARCHIRST CHAR(8) NULL DEFAULT "
           "('')"));
  EXPECT_TRUE(Sent("ALTER TABLE PDATAREA ADD MENORCANT BIT NULL DEFAULT (0)"));
  EXPECT_EQ(SentStartingWith("CREATE NONCLUSTERED INDEX"), 0);
}

TEST_F(SchemaTest, UpToDateInstallationIsLeftAlone) {
  // Learn every column the upgrade adds, then offer them all.
  UpgradeSchema(&ctx_);
  for (const std::string& sql : db_.executed) {
    const std::string alter = "ALTER TABLE ";
    if (!sql.starts_with(alter) || sql.find(" ADD ") == std::string::npos) {
      continue;
    }
    std::string table =
        sql.substr(alter.size(), sql.find(' ', alter.size()) - alter.size());
    size_t at = sql.find(" ADD ") + 5;
    catalogue_.tables[table].push_back(
        Col(sql.substr(at, sql.find(' ', at) - at), kSqlChar, 10));
  }
  catalogue_.tables["PDAENCA"].push_back(Col("SUENDO", kSqlChar, 10));
  catalogue_.tables["PDALINEA"].push_back(Col("LINEA", kSqlVarchar, 500));
  catalogue_.tables["TABIMPR"] = {Col("NOAPLICEN", kSqlBit, 1)};
  catalogue_.indexes["PDADETA"] = {"IX2_PDADETA", "IX3_PDADETA", "IX4_PDADETA"};
  catalogue_.indexes["VENDEDORYNOTA"] = {"PK_VENDEDORYNOTA_2",
                                         "PK_VENDEDORYNOTA_3"};
  catalogue_.indexes["MAEEN"] = {"sugerido_para_mejorar_sincronizacion"};
  ctx_.tabimpr_sin_noaplicen = true;
  db_.executed.clear();

  UpgradeSchema(&ctx_);

  for (const std::string& sql : db_.executed) {
    EXPECT_TRUE(sql.starts_with("SELECT TOP 1 * FROM ") ||
                sql.starts_with("EXECUTE sp_MShelpindex "))
        << sql;
  }
  EXPECT_FALSE(ctx_.tabimpr_sin_noaplicen);
}

}  // namespace
}  // namespace kelmar
