// kelmar-sql end to end: the real binary over the SQLite ODBC driver and the
// embedded engine.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/odbc_driver.h"
#include "support/temp_dir.h"

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

class KelmarSqlTest : public ::testing::Test {
 protected:
  void SetUp() override { driver_ = kelmar::testing::SqliteOdbcDriver(); }

  std::string OdbcDsn() {
    return "DRIVER=" + driver_ + ";Database=" + dir_.File("odbc.db");
  }

  // Runs kelmar-sql with `args`, feeding `input` on standard input.
  RunResult Run(const std::vector<std::string>& args,
                const std::string& input = "", const char* now = nullptr) {
    const std::string in = dir_.File("stdin"), out = dir_.File("stdout"),
                      err = dir_.File("stderr");
    dir_.Write("stdin", input);
    pid_t pid = fork();
    if (pid == 0) {
      int fd_in = open(in.c_str(), O_RDONLY);
      int fd_out = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int fd_err = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd_in, 0);
      dup2(fd_out, 1);
      dup2(fd_err, 2);
      if (now != nullptr) setenv("KELMAR_NOW", now, 1);
      std::vector<char*> argv;
      std::string program = KELMAR_SQL_PATH;
      argv.push_back(program.data());
      std::vector<std::string> copy = args;
      for (std::string& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    RunResult r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = dir_.Read("stdout");
    r.err = dir_.Read("stderr");
    return r;
  }

  kelmar::testing::TempDir dir_;
  std::string driver_;
};

TEST_F(KelmarSqlTest, ReplaysTheServersSqlLog) {
  if (driver_.empty()) GTEST_SKIP() << "SQLite ODBC driver not installed";
  // The SQL log's entry shape: text, CR LF, "go", CR LF, elapsed time.
  const std::string log =
      "CREATE TABLE PDALOG (ID INTEGER, LINEA VARCHAR(20), OBS TEXT)\r\n"
      "go\r\n-- 45296.12\r\n"
      "INSERT INTO PDALOG VALUES (1, 'GDOP|12|', NULL)\r\n"
      "go\r\n-- 45296.13\r\n"
      "INSERT INTO PDALOG VALUES (2, '', 'dos\r\nlineas')\r\n"
      "go\r\n-- 45296.14\r\n"
      "SELECT ID, LINEA, OBS FROM PDALOG ORDER BY ID\r\n"
      "go\r\n-- 45296.15\r\n";
  RunResult r = Run({OdbcDsn()}, log);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "ID|LINEA|OBS|\n"
            "1|GDOP|12||NULL|\n"
            "2||dos\r\nlineas|\n");
}

TEST_F(KelmarSqlTest, SplitsOnlyAtLinesHoldingGo) {
  if (driver_.empty()) GTEST_SKIP() << "SQLite ODBC driver not installed";
  // "go" in any case with blanks around splits; "go" inside a statement or
  // a longer word does not.
  // A byte order mark in front is dropped.
  const std::string script =
      "\xEF\xBB\xBF"
      "CREATE TABLE t (w VARCHAR(10))\n"
      "  Go  \n"
      "INSERT INTO t\n"
      "VALUES ('go')\n"
      "\tGO\n"
      "INSERT INTO t VALUES ('going')\n"
      "gO\n"
      "SELECT w AS word\n"
      "FROM t ORDER BY w";
  dir_.Write("script.sql", script);
  RunResult from_file = Run({OdbcDsn(), dir_.File("script.sql")});
  EXPECT_EQ(from_file.err, "");
  EXPECT_EQ(from_file.status, 0);
  EXPECT_EQ(from_file.out, "word|\ngo|\ngoing|\n");
}

TEST_F(KelmarSqlTest, FailedBatchIsReportedAndTheRunGoesOn) {
  if (driver_.empty()) GTEST_SKIP() << "SQLite ODBC driver not installed";
  RunResult r = Run({OdbcDsn()},
                    "SELECT * FROM nosuch\ngo\n"
                    "SELECT 1 AS one\ngo\n"
                    "SELECT x FROM alsomissing\ngo\n"
                    "SELECT NULL AS nada, 'a' AS letter\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "one|\n1|\nnada|letter|\nNULL|a|\n");
  EXPECT_NE(r.err.find("no such table: nosuch"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("no such table: alsomissing"), std::string::npos)
      << r.err;
}

TEST_F(KelmarSqlTest, BadConnectionOrUsageFails) {
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  for (const Case& c : std::initializer_list<Case>{
           {{"kelmar_no_such_dsn"}, 1},  // a DSN name
           {{"DRIVER=/nonexistent/lib.so;Database=x"}, 1},
           {{"DRIVER=x", "/nonexistent/script.sql"}, 1},
           {{}, 2},
       }) {
    RunResult r = Run(c.args, "SELECT 1\n");
    EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
}

TEST_F(KelmarSqlTest, EmbeddedEngineCreatesTheDatabase) {
  const std::string path = dir_.File("sub.db");
  RunResult r = Run({"sqlite:" + path},
                    "CREATE TABLE t (a INT, b VARCHAR(5))\r\ngo\r\n"
                    "INSERT INTO t (a, b) VALUES (1, 'x')\r\ngo\r\n"
                    "SELECT a, b FROM t\r\ngo\r\n");
  if (r.err.find("not built yet") != std::string::npos) {
    GTEST_SKIP() << "embedded engine not linked in this build";
  }
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "a|b|\n1|x|\n");
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(KelmarSqlTest, EmbeddedEngineSpeaksTheServersDialect) {
  // Several results in one batch, the fixed clock of KELMAR_NOW, char(n)
  // padding, and a length failure that stops only its own batch.
  RunResult r = Run({"sqlite:" + dir_.File("erp.db")},
                    "CREATE TABLE t (a CHAR(3), b DATETIME)\r\ngo\r\n"
                    "INSERT INTO t VALUES ('x', GETDATE())\r\ngo\r\n"
                    "SELECT a, CONVERT(varchar, b, 103) AS d FROM t\r\n"
                    "SELECT 2 AS two\r\ngo\r\n"
                    "INSERT INTO t (a) VALUES ('toolong')\r\ngo\r\n"
                    "SELECT COUNT(*) AS c FROM t\r\ngo\r\n",
                    "2024-03-05 14:07:09");
  if (r.err.find("not built yet") != std::string::npos) {
    GTEST_SKIP() << "embedded engine not linked in this build";
  }
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "a|d|\nx  |05/03/2024|\ntwo|\n2|\nc|\n1|\n");
  EXPECT_EQ(r.err, "String or binary data would be truncated.\n");
}

}  // namespace
