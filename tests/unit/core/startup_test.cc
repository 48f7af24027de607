#include "core/startup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "asio/post.hpp"
#include "core/logs.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::TempDir;

// Runs MAIN in this process against a temporary program folder. The
// listener stage stands for the HTTP layer: it records what it sees and
// stops serving right away, so MAIN returns.
class StartupTest : public ::testing::Test {
 protected:
  StartupTest() : clock_(LocalTime{2024, 3, 5, 12, 0, 1, 0, 2}) {
    options_.clock = &clock_;
    options_.workdir = dir_.path();
    options_.lock_folder = dir_.path();
    options_.out = &out_;
    options_.err = &err_;
    stages_.open_database = Recorder("open_database");
    stages_.load_company = Recorder("load_company");
    stages_.load_formula_variables = Recorder("load_formula_variables");
    stages_.create_tables = Recorder("create_tables");
    stages_.upgrade_schema = Recorder("upgrade_schema");
    stages_.start_listener = [this](Context& ctx, asio::io_context& io) {
      ran_.push_back("start_listener");
      asio::post(io, [this, &ctx, &io] {
        // Runs once serving has begun.
        rows_ = ctx.inicio->activity().recent().size();
        if (rows_ > 0) first_row_ = ctx.inicio->activity().recent()[0].dato;
        event_log_ = ctx.logs->lDebug;
        sql_log_ = ctx.logs->lMonitoreo;
        log_file_ = ctx.logs->cLogFile;
        io.stop();
      });
      return Status::OK();
    };
  }

  std::function<Status(Context&)> Recorder(const std::string& name,
                                           Status result = Status::OK()) {
    return [this, name, result](Context& ctx) {
      ran_.push_back(name);
      seen_empresa_.push_back(ctx.empresa);
      EXPECT_NE(ctx.inicio, nullptr);
      EXPECT_NE(ctx.logs, nullptr);
      EXPECT_EQ(ctx.clock, &clock_);
      EXPECT_EQ(ctx.defatmp, ctx.inicio->cTmpDir);
      return result;
    };
  }

  int Run(std::vector<std::string> args = {"D=", "P=8080/"}) {
    for (std::string& a : args) {
      if (a == "D=") a += dir_.path();
    }
    args.insert(args.begin(), "/opt/kelmar/kelmar-websrv");
    return MAIN(args, stages_, options_);
  }

  TempDir dir_;
  FixedClock clock_;
  MainOptions options_;
  StartupStages stages_;
  std::ostringstream out_, err_;
  std::vector<std::string> ran_;
  std::vector<std::string> seen_empresa_;
  size_t rows_ = 0;
  std::string first_row_;
  bool event_log_ = false, sql_log_ = false;
  std::string log_file_;
};

TEST_F(StartupTest, StagesRunInOrderThenItServes) {
  dir_.Write("WebSrv32.ini", "[SESION]\r\nEmpresa=07\r\n");
  EXPECT_EQ(Run(), 0) << err_.str();
  EXPECT_EQ(ran_, (std::vector<std::string>{
                      "open_database", "load_company", "load_formula_variables",
                      "create_tables", "upgrade_schema", "start_listener"}));
  // The company code joins the context after the connection opens.
  EXPECT_EQ(seen_empresa_[0], "");
  EXPECT_EQ(seen_empresa_[1], "07");
  EXPECT_EQ(out_.str(),
            "Puerto 8080/ /  / ( Ver.24.02.01.716 01/02/2024 )\n"
            "Log de Eventos : OFF\nLog de SQL : OFF\n");
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(rows_, 1u);
  EXPECT_EQ(first_row_, ">>>>>>>> WebServer Activado 12:00:01 <<<<<<<<");
  EXPECT_EQ(log_file_, dir_.File("web.txt"));
  EXPECT_TRUE(IsDirectory(dir_.File("tmp/8080/")));
}

TEST_F(StartupTest, EmptyStagesAreSkipped) {
  StartupStages only_listener;
  only_listener.start_listener = stages_.start_listener;
  stages_ = only_listener;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ran_, std::vector<std::string>{"start_listener"});
}

TEST_F(StartupTest, StopFailuresEndTheStartWithStatusOne) {
  struct Case {
    const char* failing;
    std::vector<std::string> ran;
  } cases[] = {
      {"open_database", {"open_database"}},
      {"load_company", {"open_database", "load_company"}},
      {"load_formula_variables",
       {"open_database", "load_company", "load_formula_variables"}},
  };
  for (const Case& c : cases) {
    ran_.clear();
    err_.str("");
    out_.str("");
    Status failure = Status::Error("2. Error, configp no encontr\xF3 empresa");
    if (std::string(c.failing) == "open_database") {
      stages_.open_database = Recorder("open_database", failure);
    } else if (std::string(c.failing) == "load_company") {
      stages_.open_database = Recorder("open_database");
      stages_.load_company = Recorder("load_company", failure);
    } else {
      stages_.load_company = Recorder("load_company");
      stages_.load_formula_variables =
          Recorder("load_formula_variables", failure);
    }
    EXPECT_EQ(Run(), 1) << c.failing;
    EXPECT_EQ(ran_, c.ran) << c.failing;
    EXPECT_EQ(err_.str(), "2. Error, configp no encontr\xC3\xB3 empresa\n");
    EXPECT_EQ(out_.str(), "") << c.failing;
  }
}

TEST_F(StartupTest, ListenerFailureStopsTheStart) {
  stages_.start_listener = [](Context&, asio::io_context&) {
    return Status::Error("cannot listen on port 8080");
  };
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(err_.str(), "cannot listen on port 8080\n");
}

TEST_F(StartupTest, SchemaFailuresAreReportedAndTheStartGoesOn) {
  stages_.create_tables = Recorder("create_tables", Status::Error("x"));
  stages_.upgrade_schema = Recorder("upgrade_schema", Status::Error("upgrade"));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ran_.back(), "start_listener");
  EXPECT_EQ(err_.str(),
            "ATENCION: Algunas o todas las tablas de datos no pudieron ser "
            "creadas\r\nGrabaciones e inserciones no se podr\xC3\xA1n "
            "ejecutar\nATENCION: upgrade\n");
}

TEST_F(StartupTest, AutomaticLogsFollowTheWorkingFoldersSettings) {
  struct Case {
    const char* value;
    bool on;
  } cases[] = {
      {"SI", true}, {" SI ", true}, {"si", false}, {"NO", false}, {"", false}};
  for (const Case& c : cases) {
    dir_.Write("WebSrv32.ini",
               std::string("[SESION]\r\nSESION.LOGAUTOMATICO=") + c.value);
    out_.str("");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(event_log_, c.on) << c.value;
    EXPECT_EQ(sql_log_, c.on) << c.value;
    std::string state = c.on ? "ON" : "OFF";
    EXPECT_NE(out_.str().find("Log de Eventos : " + state), std::string::npos);
    EXPECT_NE(out_.str().find("Log de SQL : " + state), std::string::npos);
  }
}

TEST_F(StartupTest, SecondCopyIsRefusedUnlessMultipleCopiesAreAllowed) {
  InstanceLock running;  // another copy of this program
  ASSERT_TRUE(running.Acquire(ExecutableName(), dir_.path()));
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(err_.str(),
            "/opt/kelmar/kelmar-websrv: No puede cargar esta "
            "aplicaci\xC3\xB3n m\xC3\xA1s de una vez\n");
  EXPECT_TRUE(ran_.empty());

  dir_.Write("WebSrv32.ini", "[SESION]\r\nSESION.MULTIPLE=si\r\n");
  err_.str("");
  EXPECT_EQ(Run(), 0) << err_.str();
}

TEST_F(StartupTest, LeftoversOfEarlierRunsAreDeleted) {
  ASSERT_TRUE(MakeDirs(dir_.File("tmp/8080")).ok());
  for (const char* name :
       {"_1.gz", "_x.GZ", "T0000001.DBF", "old.dbf", "keep.txt", "a.gz"}) {
    dir_.Write(std::string("tmp/8080/") + name, "x");
  }
  // The activity table of a copy still running in the same folder.
  int other = OpenLockedExclusive(dir_.File("tmp/8080/T0000005.DBF"));
  ASSERT_GE(other, 0);
  EXPECT_EQ(Run(), 0);
  ::close(other);
  std::vector<std::string> left = ListFiles(dir_.File("tmp/8080"));
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"T0000002.DBF", "T0000005.DBF",
                                            "a.gz", "keep.txt"}));
}

TEST_F(StartupTest, DefaultPageIsWrittenOnlyWhenMissing) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dir_.Read("www/default.htm"),
            "<html>\r\n<head>\r\n<title>Kelmar WebServer</title>\r\n</head>\r\n"
            "<body>\r\n<h1>Pagina por default Kelmar WebServer</h1>\r\n"
            "<p><a href='www/reportes'>reportes</a></p></body>\r\n</html>");
  dir_.Write("www/default.htm", "mine");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dir_.Read("www/default.htm"), "mine");
}

TEST_F(StartupTest, OnlyTheFirstFourArgumentsCount) {
  EXPECT_EQ(Run({"D=", "P=8080/", "C=x.ini", "I=1", "P=9999/"}), 0);
  EXPECT_TRUE(IsDirectory(dir_.File("tmp/8080/")));
  EXPECT_FALSE(FileExists(dir_.File("tmp/9999/")));
}

}  // namespace
}  // namespace kelmar
