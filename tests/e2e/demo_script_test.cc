// scripts/demo.sh against the real binaries: the first run builds the
// program folder and the database and serves; a second run keeps the data;
// a failed load leaves no database behind for the next run to trust.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "e2e/demo_db.h"
#include "e2e/server_process.h"
#include "support/http_client.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

namespace fs = std::filesystem;
using testing::FreeLoopbackPort;
using testing::ServerProcess;
using namespace std::chrono_literals;

class DemoScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp_.path().empty());
    run_dir_ = tmp_.File("run");
  }

  // demo.sh with the already built binaries, in a folder of this test.
  std::unique_ptr<ServerProcess> Demo(int port, const std::string& bin_dir) {
    ServerProcess::Options options;
    options.path = "/bin/bash";
    options.args = {std::string(KELMAR_SOURCE_DIR) + "/scripts/demo.sh",
                    std::to_string(port)};
    options.env = {{"DEMO_SKIP_BUILD", "1"},
                   {"DEMO_DIR", run_dir_},
                   {"DEMO_BIN_DIR", bin_dir},
                   {"KELMAR_NOW", "2026-12-11 09:00:00"}};
    options.workdir = tmp_.path();
    return std::make_unique<ServerProcess>(options);
  }

  static std::string BinDir() {
    return fs::path(KELMAR_WEBSRV_PATH).parent_path().string();
  }

  std::string Scalar(const std::string& sql) {
    FixedClock clock(LocalTime{2026, 12, 11, 9, 0, 0, 0, 5});
    std::unique_ptr<Connection> connection;
    Status s =
        OpenEmbeddedConnection(run_dir_ + "/erp.db", &clock, &connection);
    if (!s.ok()) return "<" + s.message() + ">";
    std::unique_ptr<Statement> statement = connection->NewStatement();
    s = statement->Execute(sql);
    if (!s.ok()) return "<" + s.message() + ">";
    bool has_row = false;
    std::string value;
    bool is_null = false;
    if (!statement->Fetch(&has_row).ok() || !has_row ||
        !statement->GetText(0, &value, &is_null).ok()) {
      return "<no row>";
    }
    return value;
  }

  testing::TempDir tmp_;
  std::string run_dir_;
};

TEST_F(DemoScriptTest, FirstRunLoadsAndServesAndASecondRunKeepsTheData) {
  int port = FreeLoopbackPort();
  ASSERT_NE(port, 0);
  {
    auto demo = Demo(port, BinDir());
    ASSERT_TRUE(demo->Start());
    ASSERT_TRUE(demo->WaitForPort(port, 30s)) << demo->out() << demo->err();
    EXPECT_NE(demo->out().find("creating the demo database"),
              std::string::npos);
    EXPECT_NE(demo->out().find("http://localhost:" + std::to_string(port)),
              std::string::npos);
    demo->Stop();
  }
  std::string ini;
  ASSERT_TRUE(testsupport::ReadFileBytes(run_dir_ + "/WebSrv32.ini", &ini));
  EXPECT_NE(ini.find("IP.PUERTO=" + std::to_string(port) + "/\n"),
            std::string::npos);
  EXPECT_NE(ini.find("ODBC.DSN=sqlite:erp.db"), std::string::npos);
  EXPECT_TRUE(fs::exists(run_dir_ + "/www/demo.html"));
  EXPECT_TRUE(fs::exists(run_dir_ + "/templates/resetclavecontacto.html"));
  EXPECT_FALSE(fs::exists(run_dir_ + "/erp.db.loading"));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM TABFU"), "5");

  // Something the demo user did survives the next run, on another port.
  {
    FixedClock clock(LocalTime{2026, 12, 11, 9, 0, 0, 0, 5});
    std::unique_ptr<Connection> connection;
    ASSERT_TRUE(
        OpenEmbeddedConnection(run_dir_ + "/erp.db", &clock, &connection).ok());
    ASSERT_TRUE(connection->NewStatement()
                    ->Execute("INSERT INTO TABZO (KOZO, NOKOZO) "
                              "VALUES ('Z99', 'Nueva')")
                    .ok());
  }
  int second_port = FreeLoopbackPort();
  ASSERT_NE(second_port, 0);
  auto demo = Demo(second_port, BinDir());
  ASSERT_TRUE(demo->Start());
  ASSERT_TRUE(demo->WaitForPort(second_port, 30s))
      << demo->out() << demo->err();
  EXPECT_EQ(demo->out().find("creating the demo database"), std::string::npos);
  demo->Stop();
  EXPECT_EQ(Scalar("SELECT NOKOZO FROM TABZO WHERE KOZO='Z99'"), "Nueva");
}

// The users, passwords and rights that demo/README.md documents, as the
// server sees them in the demo data.
TEST_F(DemoScriptTest, DocumentedUsersSignInAsDocumented) {
  int port = FreeLoopbackPort();
  ASSERT_NE(port, 0);
  auto demo = Demo(port, BinDir());
  ASSERT_TRUE(demo->Start());
  ASSERT_TRUE(demo->WaitForPort(port, 30s)) << demo->out() << demo->err();
  struct Case {
    const char* request;
    const char* reply;
  } cases[] = {
      {"PING", "1|24.02.01.716|Distribuidora Los Alerces S.A.|"},
      {"000|DEMO-PDA-01|V01", "1|M\xE1quina exitosamente registrada|"},
      {"001|DEMO-PDA-01|V01|vend1|1.5|RUTA",
       "1|correcto|RUTA|110000000|CAS|B02|01|B01,B02|"},
      {"001|DEMO-PDA-01|V01|vend1|1.5|",
       "1|correcto|RUTA |110000000|CAS|B02|01|B01,B02|"},
      {"001|DEMO-PDA-01|ADM|admin|1.5|!!!",
       "1|correcto|!!!|111000000|NOR|B03|01|B01,B02,B03|"},
      {"001|DEMO-PDA-01|V02|vend2|1.5|",
       "1|correcto|VTA  |100000000|CAS|B01|01|B03|"},
      {"001|DEMO-PDA-01|H01|bodega|1.5|", "1|correcto||000000000|||01|B01|"},
      {"001|DEMO-PDA-01|V03|vend3|1.5|VTA",
       "0|sin permiso para modalidad indicada|"},
      {"001|DEMO-PDA-01|V02|vend1|1.5|", "0|no coincide usuario/clave|"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(testing::Body(testing::Get(
                  port, std::string("/getSQL?validator=") + c.request)),
              std::string(c.reply) + "\r\n")
        << c.request;
  }
  demo->Stop();
}

TEST_F(DemoScriptTest, AFailedLoadLeavesNoDatabase) {
  // A kelmar-sql that loads the schema and then fails, beside the real
  // server binary.
  std::string bin = tmp_.File("bin");
  fs::create_directories(bin);
  fs::create_symlink(KELMAR_WEBSRV_PATH, bin + "/kelmar-websrv");
  {
    std::ofstream fake(bin + "/kelmar-sql");
    fake << "#!/bin/sh\n"
         << "case \"$2\" in */erp-seed.sql) echo 'seed failed' >&2; exit 1;; "
            "esac\n"
         << "exec '" << KELMAR_SQL_PATH << "' \"$@\"\n";
  }
  fs::permissions(bin + "/kelmar-sql", fs::perms::owner_all);

  int port = FreeLoopbackPort();
  ASSERT_NE(port, 0);
  auto demo = Demo(port, bin);
  ASSERT_TRUE(demo->Start());
  EXPECT_EQ(demo->WaitForExit(30s), 1) << demo->out() << demo->err();
  EXPECT_NE(demo->err().find("loading the demo database failed"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(run_dir_ + "/erp.db"));
  EXPECT_FALSE(fs::exists(run_dir_ + "/erp.db.loading"));
}

TEST_F(DemoScriptTest, RefusesAPortThatIsNotANumber) {
  for (const char* port : {"abc", "0", "65536", "80;id"}) {
    ServerProcess::Options options;
    options.path = "/bin/bash";
    options.args = {std::string(KELMAR_SOURCE_DIR) + "/scripts/demo.sh", port};
    options.env = {{"DEMO_SKIP_BUILD", "1"}, {"DEMO_DIR", run_dir_}};
    options.workdir = tmp_.path();
    ServerProcess demo(options);
    ASSERT_TRUE(demo.Start());
    EXPECT_EQ(demo.WaitForExit(10s), 2) << port;
    EXPECT_FALSE(fs::exists(run_dir_)) << port;
  }
}

}  // namespace
}  // namespace kelmar
