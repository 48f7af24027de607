#include "core/logs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/clock.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::TempDir;

class LogsTest : public ::testing::Test {
 protected:
  LogsTest()
      : clock_(LocalTime{2024, 3, 5, 12, 34, 56, 789, 2}),
        logs_(&clock_, dir_.path()) {}

  void Grow(const std::string& name, uintmax_t size) {
    dir_.Write(name, "");
    std::filesystem::resize_file(dir_.File(name), size);  // sparse
  }

  TempDir dir_;
  FixedClock clock_;
  Logs logs_;
};

TEST_F(LogsTest, LineFormat) {
  logs_.LOGFILE("ELSE.txt", {"abc"});
  logs_.LOGFILE("ELSE.txt", {"two\r\nlines", 42, 2.5, true, false,
                             Date{2024, 1, 9}, nullptr, LogValue()});
  EXPECT_EQ(dir_.Read("ELSE.txt"),
            "05/03/2024 12:34:56: abc\t\r\n"
            "05/03/2024 12:34:56: two\r\nlines\t42\t2.5\t.T.\t.F.\t09/01/2024"
            "\t\t\t\r\n");
}

TEST_F(LogsTest, RotatesAboveTheLimitWhateverTheName) {
  logs_.set_rotate_bytes(100);
  Grow("Comandos_con_error.txt", 100);  // at the limit: kept
  logs_.LOGFILE("Comandos_con_error.txt", {"x"});
  EXPECT_FALSE(dir_.Exists("web20240305_123456.txt"));

  logs_.LOGFILE("Comandos_con_error.txt", {"y"});  // now above it
  EXPECT_EQ(std::filesystem::file_size(dir_.File("web20240305_123456.txt")),
            100u + 25u);
  EXPECT_EQ(dir_.Read("Comandos_con_error.txt"),
            "05/03/2024 12:34:56: y\t\r\n");

  // A second rotation within the same second keeps the first archive.
  Grow("Comandos_con_error.txt", 200);
  logs_.LOGFILE("Comandos_con_error.txt", {"z"});
  EXPECT_EQ(std::filesystem::file_size(dir_.File("web20240305_123456.txt")),
            125u);
  EXPECT_EQ(std::filesystem::file_size(dir_.File("web20240305_123456_1.txt")),
            200u);
}

TEST_F(LogsTest, RotationDefaultIsFiftyMillionBytes) {
  EXPECT_EQ(logs_.rotate_bytes(), 50000000);
  Grow("web.txt", 50000001);
  logs_.LOGFILE("web.txt", {"a"});
  EXPECT_TRUE(dir_.Exists("web20240305_123456.txt"));
  EXPECT_EQ(std::filesystem::file_size(dir_.File("web.txt")), 25u);
}

TEST_F(LogsTest, RotatedNameGoesIntoTheLogsOwnFolder) {
  std::filesystem::create_directory(dir_.File("sub"));
  logs_.set_rotate_bytes(1);
  Grow("sub/x.log", 2);
  logs_.LOGFILE(dir_.File("sub/x.log"), {"a"});
  EXPECT_TRUE(dir_.Exists("sub/web20240305_123456.txt"));
}

TEST_F(LogsTest, SqlLogEntriesAndNumbering) {
  logs_.ESCRIBETXT("SELECT 1");
  EXPECT_EQ(dir_.Read("monitoreo_001.TXT"),
            "SELECT 1\r\ngo\r\n-- 45296.78\r\n");

  logs_.ESCRIBETXT("SELECT 2", 1, Logs::kSqlFileLimit, true);
  EXPECT_EQ(dir_.Read("monitoreo_001.TXT"),
            "SELECT 1\r\ngo\r\n-- 45296.78\r\nSELECT 2\r\n");

  // 599,990 + 20 exceeds 600,000: the statement goes to the next file.
  Grow("monitoreo_001.TXT", 599990);
  logs_.ESCRIBETXT(std::string(20, 'x'));
  EXPECT_EQ(std::filesystem::file_size(dir_.File("monitoreo_001.TXT")),
            599990u);
  EXPECT_EQ(dir_.Read("monitoreo_002.TXT"),
            std::string(20, 'x') + "\r\ngo\r\n-- 45296.78\r\n");
  // Exactly at the limit still fits.
  logs_.ESCRIBETXT(std::string(10, 'y'));
  EXPECT_EQ(std::filesystem::file_size(dir_.File("monitoreo_001.TXT")),
            599990u + 10 + 19);
  // A text larger than the limit goes to the first file that does not
  // exist yet rather than looping.
  logs_.ESCRIBETXT(std::string(700000, 'z'));
  EXPECT_TRUE(dir_.Exists("monitoreo_003.TXT"));
}

TEST_F(LogsTest, SwitchesGateTheEventAndSqlLogs) {
  logs_.cLogFile = dir_.File("web.txt");
  logs_.Event({"off"});
  logs_.Sql("SELECT off");
  EXPECT_FALSE(dir_.Exists("web.txt"));
  EXPECT_FALSE(dir_.Exists("monitoreo_001.TXT"));

  logs_.lDebug = true;
  logs_.lMonitoreo = true;
  logs_.Event({"on"});
  logs_.Sql("SELECT on");
  EXPECT_EQ(dir_.Read("web.txt"), "05/03/2024 12:34:56: on\t\r\n");
  EXPECT_EQ(dir_.Read("monitoreo_001.TXT"),
            "SELECT on\r\ngo\r\n-- 45296.78\r\n");

  logs_.cLogFile.clear();  // no listener yet: nothing is written
  logs_.Event({"again"});
  EXPECT_EQ(dir_.Read("web.txt"), "05/03/2024 12:34:56: on\t\r\n");
}

TEST_F(LogsTest, UnwritableFolderLosesTheLineSilently) {
  Logs nowhere(&clock_, dir_.File("missing/folder"));
  nowhere.LOGFILE("web.txt", {"lost"});
  nowhere.ESCRIBETXT("SELECT lost");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("missing")));

  if (::geteuid() != 0) {  // root writes anywhere
    std::filesystem::create_directory(dir_.File("ro"));
    std::filesystem::permissions(dir_.File("ro"),
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::owner_exec);
    Logs readonly(&clock_, dir_.File("ro"));
    readonly.LOGFILE("web.txt", {"lost"});
    EXPECT_FALSE(dir_.Exists("ro/web.txt"));
    std::filesystem::permissions(dir_.File("ro"),
                                 std::filesystem::perms::owner_all);
  }
}

}  // namespace
}  // namespace kelmar
