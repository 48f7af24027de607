#include "db/db_logs.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/context.h"
#include "core/logs.h"
#include "db/sql_helpers.h"
#include "platform/clock.h"
#include "support/fake_connection.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

class DbLogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logs_ = std::make_unique<Logs>(&clock_, dir_.path());
    logs_->cLogFile = "web.txt";
    ctx_.odbc = &db_;
    ctx_.logs = logs_.get();
  }

  FixedClock clock_{LocalTime{2026, 12, 11, 10, 0, 0}};
  testing::TempDir dir_;
  std::unique_ptr<Logs> logs_;
  testing::FakeConnection db_;
  Context ctx_;
};

TEST_F(DbLogsTest, StatementsGoToSqlLogOnlyWhenSwitchedOn) {
  EJECUTESQL(ctx_, "DELETE FROM A");
  EXPECT_FALSE(dir_.Exists("monitoreo_001.TXT"));
  logs_->lMonitoreo = true;
  EJECUTESQL(ctx_, "DELETE FROM B");
  RecordArray rows;
  SEEKSQL(ctx_, "CONFIGP", &rows, {"EMPRESA"}, {Value("01")}, "RUT");
  std::string log = dir_.Read("monitoreo_001.TXT");
  EXPECT_EQ(log.find("DELETE FROM A"), std::string::npos);
  EXPECT_NE(log.find("DELETE FROM B\r\ngo\r\n"), std::string::npos);
  EXPECT_NE(log.find("SELECT TOP 1 RUT FROM CONFIGP WITH ( NOLOCK )  WHERE "
                     "EMPRESA='01'\r\ngo\r\n"),
            std::string::npos);
}

TEST_F(DbLogsTest, MissingColumnIsRecordedAndGivesEmptyText) {
  logs_->lDebug = true;
  db_.results.push_back({{testing::Col("KOPR", kSqlChar, 2)}, {{"A1"}}, ""});
  RecordArray rows;
  ASSERT_TRUE(SEEKSQL(ctx_, "MAEPR", &rows, {"KOPR"}, {Value("A1")}));
  EXPECT_EQ(VCC(rows, "nokopr"), Value(""));
  EXPECT_NE(
      dir_.Read("web.txt").find("ERROR en VCC(), campo no existe : NOKOPR\t"),
      std::string::npos);
}

}  // namespace
}  // namespace kelmar
