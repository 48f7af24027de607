// The schema installed on the embedded engine: a fresh database, a second
// start, and installations left by older versions.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/context.h"
#include "db/record_array.h"
#include "db/schema.h"
#include "db/sql_helpers.h"
#include "platform/clock.h"
#include "support/temp_dir.h"
#include "unit/db/recording_connection.h"

namespace kelmar {
namespace {

// Each table's columns (name and width) and index names, as the server
// itself reads them.
using Snapshot = std::map<std::string, std::vector<std::string>>;

class SchemaEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Status s = Reopen();
    ASSERT_TRUE(s.ok()) << s.message();
  }

  // A new connection, as the next start of the server opens.
  Status Reopen() {
    recorder_.reset();
    engine_.reset();
    Status s = OpenEmbeddedConnection(dir_.File("erp.db"), &clock_, &engine_);
    if (!s.ok()) return s;
    recorder_ = std::make_unique<testing::RecordingConnection>(engine_.get());
    ctx_.odbc = recorder_.get();
    return s;
  }

  void Run(const std::string& sql) {
    std::string error;
    ASSERT_TRUE(EJECUTESQL(ctx_, sql, &error)) << sql << "\n" << error;
  }

  // CREARTABLAS and the upgrade, as start-up runs them.
  bool Install() {
    bool created = CREARTABLAS(ctx_, [](const std::string&) {});
    UpgradeSchema(&ctx_);
    return created;
  }

  // Read on a connection of its own, as another process would see it.
  Snapshot Take() {
    EXPECT_TRUE(Reopen().ok());
    Snapshot snapshot;
    for (std::string table : OwnTableNames()) {
      RecordArray structure;
      TOPSQL(ctx_, table, &structure);
      for (const ColumnEntry& e : structure.entries()) {
        snapshot[table].push_back(e.name + ":" + std::to_string(e.width));
      }
      for (const IndexInfo& index : SQLINDICES(ctx_, table)) {
        snapshot[table].push_back("index " + index.name + "(" + index.columns +
                                  ")");
      }
    }
    return snapshot;
  }

  bool Has(const Snapshot& s, const std::string& table,
           const std::string& item) {
    auto it = s.find(table);
    return it != s.end() && std::find(it->second.begin(), it->second.end(),
                                      item) != it->second.end();
  }

  FixedClock clock_{LocalTime{2026, 12, 11, 10, 0, 0}};
  testing::TempDir dir_;
  std::unique_ptr<Connection> engine_;
  std::unique_ptr<testing::RecordingConnection> recorder_;
  Context ctx_;
};

TEST_F(SchemaEngineTest,
       FreshDatabaseGetsEveryTableAndSecondStartChangesNothing) {
  ASSERT_TRUE(Install());
  Snapshot first = Take();
  EXPECT_EQ(first.size(), 20u);
  EXPECT_TRUE(Has(first, "PDAENCA", "SUENDO:10"));
  EXPECT_TRUE(Has(first, "PDAENCA", "KOFUPR140:3"));
  EXPECT_TRUE(Has(first, "PDALINEA", "LINEA:500"));
  EXPECT_TRUE(Has(first, "PDALOG", "BATERIA:19"));
  EXPECT_TRUE(
      Has(first, "PDADETA", "index IX_PDADETA_1(KOPR,BOSULIDO,VALIDO)"));
  EXPECT_TRUE(Has(first, "PDADETA", "index IX2_PDADETA(FEEMLI,VALIDO)"));
  EXPECT_TRUE(Has(first, "PDADETA", "index IX4_PDADETA(IDPDAENCA)"));
  EXPECT_FALSE(
      Has(first, "PDADETA", "index IX3_PDADETA(KOPR,BOSULIDO,VALIDO)"));
  EXPECT_TRUE(Has(first, "VENDEDORYNOTA",
                  "index PK_VENDEDORYNOTA_3(VENDEDOR,NUMEROFCV)"));
  EXPECT_TRUE(Has(first, "MAEPRIMG", "index IX_MAEPRIMG(KOPR,ORDEN)"));
  EXPECT_TRUE(ctx_.tabimpr_sin_noaplicen);  // no TABIMPR here at all

  ASSERT_TRUE(Reopen().ok());
  ASSERT_TRUE(Install());
  for (const std::string& sql : recorder_->executed) {
    // PDAFOBO belongs to some ERP installations only: its additions are
    // tried at every start and fail where it does not exist.
    if (sql.starts_with("ALTER TABLE PDAFOBO ")) continue;
    EXPECT_FALSE(sql.starts_with("ALTER TABLE PDA") ||
                 sql.starts_with("ALTER TABLE VENDEDORYNOTA") ||
                 sql.starts_with("CREATE INDEX"))
        << sql;
  }
  EXPECT_EQ(Take(), first);
}

TEST_F(SchemaEngineTest, OldInstallationIsWidenedAndCompleted) {
  Run("CREATE TABLE PDAENCA (TIDO char(3) NOT NULL, NUDO char(10) NOT NULL, "
      "ENDO char(13) NOT NULL, SUENDO char(3) NULL, NOKOEN varchar(50) NULL)");
  Run("INSERT INTO PDAENCA (TIDO,NUDO,ENDO,SUENDO) VALUES "
      "('NVV','0000000001','76543210','001')");
  Run("CREATE TABLE PDADETA (TIDO char(3) NOT NULL, NUDO char(10) NOT NULL, "
      "ENDO char(13) NOT NULL, NULIDO float NOT NULL, KOPR char(13) NULL, "
      "BOSULIDO char(3) NULL, VALIDO char(1) NULL, FEEMLI datetime NULL)");
  Run("CREATE INDEX [IX_PDADETA_1] ON [dbo].[PDADETA]([KOPR],[BOSULIDO],"
      "[VALIDO]) ON [PRIMARY] ");
  Run("CREATE TABLE PDALINEA (ID int IDENTITY (1, 1) NOT NULL, "
      "LINEA varchar(250) NULL, FECHA datetime NULL)");
  Run("CREATE TABLE TABIMPR (KOPR char(13) NULL, NOAPLICEN char(1) NULL)");

  Install();
  Snapshot s = Take();
  EXPECT_TRUE(Has(s, "PDAENCA", "SUENDO:10"));
  EXPECT_TRUE(Has(s, "PDAENCA", "IDPDAENCA:19"));
  EXPECT_TRUE(Has(s, "PDAENCA", "PR140:1"));
  EXPECT_TRUE(Has(s, "PDALINEA", "LINEA:500"));
  EXPECT_TRUE(Has(s, "PDADETA", "IDPDADETA:19"));
  EXPECT_FALSE(Has(s, "PDADETA", "index IX3_PDADETA(KOPR,BOSULIDO,VALIDO)"));
  EXPECT_TRUE(Has(s, "PDADETA", "index IX2_PDADETA(FEEMLI,VALIDO)"));
  EXPECT_FALSE(ctx_.tabimpr_sin_noaplicen);

  // The widened row keeps its data.
  RecordArray row;
  ASSERT_TRUE(SEEKSQL(ctx_, "PDAENCA", &row, {"NUDO"}, {Value("0000000001")}));
  EXPECT_EQ(VCC(row, "SUENDO"), Value("001       "));
}

TEST_F(SchemaEngineTest, HelpersOnTheEngine) {
  ASSERT_TRUE(Install());
  Run("INSERT INTO PDALOG (VENDEDOR,MAQUINA,FECHA,LATITUD,BATERIA) VALUES "
      "('V01','M1',{d '2024-02-01'},-33.456789,0.0015)");
  EXPECT_EQ(ULTIMOID(ctx_), 1);
  RecordArray row;
  ASSERT_TRUE(SEEKSQL(ctx_, "PDALOG", &row, {"VENDEDOR"}, {Value("V01")},
                      "IDPDALOG,FECHA,LATITUD,ACCION,BATERIA"));
  EXPECT_EQ(VCC(row, "FECHA"), Value(Date{2024, 2, 1}));
  EXPECT_DOUBLE_EQ(VCC(row, "LATITUD").number(), -33.456789);
  EXPECT_EQ(VCC(row, "ACCION"), Value(""));  // NULL through a lookup
  EXPECT_DOUBLE_EQ(VCC(row, "BATERIA").number(), 0.0015);
  EXPECT_EQ(CUENTAREGSQL(ctx_, "PDALOG"), 1);
  EXPECT_EQ(CUENTAREGSQL(ctx_, "PDALOG", " WHERE VENDEDOR='V02'"), 0);

  RecordArray missing;
  EXPECT_FALSE(SEEKSQL(ctx_, "PDALOG", &missing, {"VENDEDOR"}, {Value("O'X")},
                       "VENDEDOR,HORAGRAB,FECHA"));
  EXPECT_EQ(VCC(missing, "VENDEDOR"), Value("   "));
  EXPECT_EQ(VCC(missing, "HORAGRAB"), Value(0));
  EXPECT_EQ(VCC(missing, "FECHA"), Value(Date{}));

  ServerTime t = FEHORASER(ctx_);
  EXPECT_EQ(t.date, (Date{2026, 12, 11}));
  EXPECT_EQ(t.seconds, 10 * 3600);
}

}  // namespace
}  // namespace kelmar
