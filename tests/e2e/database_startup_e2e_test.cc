// The real binary's database stage: connection and company failures stop the
// start; a good database gets the server's tables and keeps serving.
#include <gtest/gtest.h>

#include "core/context.h"
#include "db/record_array.h"
#include "db/schema.h"
#include "db/sql_helpers.h"
#include "e2e/company_db.h"
#include "e2e/demo_db.h"
#include "e2e/server_process.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::CompanyDatabase;
using testing::RunOnTestDatabase;
using testing::ServerIn;
using testing::ServerProcess;
using testing::TempDir;

// Servers started by tests listen on loopback only.
constexpr char kLoopback[] = "[Conexion]\r\nIP.ESCUCHA=127.0.0.1\r\n";

// Rows of `table` in "erp.db" of `dir`; -1 when the table does not exist.
int64_t CountTable(const TempDir& dir, const std::string& table) {
  FixedClock clock(LocalTime{2024, 3, 5, 12, 0, 0});
  std::unique_ptr<Connection> db;
  if (!OpenEmbeddedConnection(dir.File("erp.db"), &clock, &db).ok()) return -1;
  Context ctx;
  ctx.odbc = db.get();
  // A missing table describes no columns.
  RecordArray rows;
  TOPSQL(ctx, table, &rows);
  return rows.empty() ? -1 : CUENTAREGSQL(ctx, table);
}

TEST(DatabaseStartupE2eTest, UnreachableDatabaseStopsWithConnectionMessage) {
  TempDir dir;
  dir.Write("WebSrv32.ini",
            std::string(kLoopback) +
                "ODBC.DSN=kelmar_no_such_dsn\r\nODBC.USER=sa\r\n"
                "ODBC.PASSWORD=secreto\r\n");
  ServerProcess server(ServerIn(dir.path(), testing::FreeLoopbackPort()));
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(server.WaitForExit(), 1);
  EXPECT_NE(server.err().find("\nFallo de conexion: Al intentar conectar a "
                              "base de datos...\nDSN : kelmar_no_such_dsn\n"
                              "USR : sa\nPSW : secreto"),
            std::string::npos)
      << server.err();
}

TEST(DatabaseStartupE2eTest, MissingCompanyStopsBeforeAnyTableIsTouched) {
  TempDir dir;
  ASSERT_TRUE(RunOnTestDatabase(dir, {testing::kConfigpTable,
                                      "INSERT INTO CONFIGP (EMPRESA,RAZON) "
                                      "VALUES ('02','Otra')"}));
  dir.Write("WebSrv32.ini",
            std::string(kLoopback) +
                "ODBC.DSN=sqlite:erp.db\r\n[SESION]\r\nEmpresa=01\r\n");
  ServerProcess server(ServerIn(dir.path(), testing::FreeLoopbackPort()));
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(server.WaitForExit(), 1);
  EXPECT_NE(server.err().find(
                "ATENCION: 2. Error, configp no encontr\xC3\xB3 empresa '01'"),
            std::string::npos)
      << server.err();
  EXPECT_EQ(CountTable(dir, "PDAENCA"), -1);
}

TEST(DatabaseStartupE2eTest, StartCreatesTablesAndSecondStartKeepsData) {
  TempDir dir;
  dir.Write("WebSrv32.ini", CompanyDatabase(dir) + "IP.ESCUCHA=127.0.0.1\r\n");
  int port = testing::FreeLoopbackPort();
  {
    ServerProcess server(ServerIn(dir.path(), port));
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.WaitForOutput("Kelmar Demo")) << server.err();
    EXPECT_EQ(server.Stop(), 0);
  }
  EXPECT_EQ(CountTable(dir, "PDAUUID"), 0);
  ASSERT_TRUE(
      RunOnTestDatabase(dir, {"INSERT INTO PDAMAQ (USUARIO,MAQUINA) VALUES "
                              "('V01','M1')"}));
  {
    ServerProcess server(ServerIn(dir.path(), port));
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.WaitForOutput("Kelmar Demo")) << server.err();
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(server.err().find("fallo al crear tabla"), std::string::npos)
        << server.err();
  }
  EXPECT_EQ(CountTable(dir, "PDAMAQ"), 1);
}

// Every column and index of the server's tables and of MAEEN, as the server
// reads them; "" when the database cannot be opened.
std::string SchemaOf(const TempDir& dir) {
  FixedClock clock(LocalTime{2024, 3, 5, 12, 0, 0});
  std::unique_ptr<Connection> db;
  if (!OpenEmbeddedConnection(dir.File("erp.db"), &clock, &db).ok()) return "";
  Context ctx;
  ctx.odbc = db.get();
  std::vector<std::string> tables = OwnTableNames();
  tables.push_back("MAEEN");
  std::string text;
  for (const std::string& table : tables) {
    RecordArray structure;
    TOPSQL(ctx, table, &structure);
    text += table + ":";
    for (const ColumnEntry& e : structure.entries()) {
      text += " " + e.name + "/" + e.type_letter + std::to_string(e.width);
    }
    for (const IndexInfo& index : SQLINDICES(ctx, table)) {
      text += " [" + index.name + "(" + index.columns + ")]";
    }
    text += "\n";
  }
  return text;
}

TEST(DatabaseStartupE2eTest, DemoDatabaseKeepsItsSchemaOnTheSecondStart) {
  TempDir dir;
  ASSERT_TRUE(testsupport::CreateDemoDatabase(dir.File("erp.db"),
                                              testsupport::DemoData::kSeed)
                  .ok());
  dir.Write("WebSrv32.ini", std::string(testing::kTestDatabaseDsn) +
                                "IP.ESCUCHA=127.0.0.1\r\n");
  int port = testing::FreeLoopbackPort();
  std::string first;
  for (int start = 1; start <= 2; ++start) {
    ServerProcess server(ServerIn(dir.path(), port));
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.WaitForOutput("Log de SQL")) << server.err();
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(server.err().find("fallo al crear tabla"), std::string::npos)
        << server.err();
    if (start == 1) {
      first = SchemaOf(dir);
    } else {
      EXPECT_EQ(SchemaOf(dir), first);
    }
  }
  EXPECT_NE(first.find("PDAENCA: TIDO/C3"), std::string::npos) << first;
  EXPECT_NE(first.find(" SUENDO/C10 "), std::string::npos) << first;
  EXPECT_NE(first.find("[sugerido_para_mejorar_sincronizacion(KOFUEN,TIEN)]"),
            std::string::npos)
      << first;
}

}  // namespace
}  // namespace kelmar
