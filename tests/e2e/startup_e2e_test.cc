// The real binary started, refused as a second copy and stopped by signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "e2e/company_db.h"
#include "e2e/server_process.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::ServerIn;
using testing::ServerProcess;
using testing::TempDir;

// The activity table files in the instance's temporary folder.
std::vector<std::string> ActivityTables(const TempDir& dir, int port) {
  std::vector<std::string> names;
  std::filesystem::path tmp =
      std::filesystem::path(dir.path()) / "tmp" / std::to_string(port);
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(tmp, ec)) {
    std::string n = e.path().filename().string();
    if (n.size() == 12 && n[0] == 'T' && n.substr(8) == ".DBF") {
      names.push_back(n);
    }
  }
  return names;
}

TEST(StartupE2eTest, SecondCopyIsRefusedWhenMultipleCopiesAreOff) {
  TempDir dir;
  testing::WriteCompanySettings(dir, /*multiple=*/false);
  int port = testing::FreeLoopbackPort();
  ServerProcess first(ServerIn(dir.path(), port));
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(first.WaitForOutput("Puerto " + std::to_string(port) + "/"))
      << first.err();
  EXPECT_EQ(ActivityTables(dir, port).size(), 1u);

  ServerProcess second(ServerIn(dir.path(), testing::FreeLoopbackPort()));
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(second.WaitForExit(), 1);
  EXPECT_NE(second.err().find(
                "No puede cargar esta aplicaci\xC3\xB3n m\xC3\xA1s de una vez"),
            std::string::npos)
      << second.err();
  EXPECT_NE(second.err().find(KELMAR_WEBSRV_PATH), std::string::npos);

  EXPECT_TRUE(first.running());
  EXPECT_EQ(first.Stop(SIGTERM), 0) << first.err();
}

TEST(StartupE2eTest, SeveralCopiesRunWhenAllowed) {
  TempDir dir;
  testing::WriteCompanySettings(dir, /*multiple=*/true);
  int port1 = testing::FreeLoopbackPort();
  int port2 = testing::FreeLoopbackPort();
  while (port2 == port1) port2 = testing::FreeLoopbackPort();
  ServerProcess a(ServerIn(dir.path(), port1));
  ServerProcess b(ServerIn(dir.path(), port2));
  ASSERT_TRUE(a.Start());
  ASSERT_TRUE(a.WaitForOutput("Log de SQL")) << a.err();
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.WaitForOutput("Log de SQL")) << b.err();
  EXPECT_TRUE(a.running());
  EXPECT_EQ(a.Stop(SIGINT), 0) << a.err();
  EXPECT_EQ(b.Stop(SIGTERM), 0) << b.err();
}

TEST(StartupE2eTest, NextStartClearsLeftoversAndKeepsRunningCopiesTables) {
  TempDir dir;
  testing::WriteCompanySettings(dir, /*multiple=*/true);
  int port = testing::FreeLoopbackPort();
  {
    ServerProcess old(ServerIn(dir.path(), port));
    ASSERT_TRUE(old.Start());
    ASSERT_TRUE(old.WaitForOutput("Log de SQL")) << old.err();
    ASSERT_EQ(old.Stop(), 0);
  }
  ServerProcess running(ServerIn(dir.path(), port));
  ASSERT_TRUE(running.Start());
  ASSERT_TRUE(running.WaitForOutput("Log de SQL")) << running.err();
  // The first run's table is gone; this run's table stays.
  EXPECT_EQ(ActivityTables(dir, port),
            std::vector<std::string>{"T0000002.DBF"});

  // A second copy on the same port and folder leaves the running copy's
  // table alone. It reads its own settings file, which has it listen on
  // another loopback address, since the port is taken on the first.
  dir.Write("second.ini", std::string(testing::kTestDatabaseDsn) +
                              "IP.ESCUCHA=127.0.0.2\r\n"
                              "[SESION]\r\nSESION.MULTIPLE=SI\r\n");
  ServerProcess::Options second = ServerIn(dir.path(), port);
  second.args.push_back("C=second.ini");
  ServerProcess same_folder(second);
  ASSERT_TRUE(same_folder.Start());
  ASSERT_TRUE(same_folder.WaitForOutput("Log de SQL")) << same_folder.err();
  std::vector<std::string> tables = ActivityTables(dir, port);
  std::sort(tables.begin(), tables.end());
  EXPECT_EQ(tables, (std::vector<std::string>{"T0000001.DBF", "T0000002.DBF"}));
  EXPECT_EQ(same_folder.Stop(), 0);
  EXPECT_EQ(running.Stop(), 0);
}

}  // namespace
}  // namespace kelmar
