#include "db/startup_stage.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/context.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "support/fake_connection.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::Col;

TEST(ConnectionStringTest, FollowsDsnUserPasswordRules) {
  struct Case {
    const char* dsn;
    const char* user;
    const char* password;
    const char* expected;
  } cases[] = {
      {" ERP ", " sa ", " pw ", "DSN=ERP;UID=sa;PWD=pw"},
      {"ERP", "", "", "DSN=ERP;PWD="},
      {"Driver={FreeTDS};Server=db;Database=erp", "u", "p",
       "Driver={FreeTDS};Server=db;Database=erp;UID=u;PWD=p"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConnectionString(c.dsn, c.user, c.password), c.expected);
  }
  EXPECT_EQ(ConnectionFailureText(" ERP", "sa", "x"),
            "\nFallo de conexion: Al intentar conectar a base de datos...\n"
            "DSN : ERP\nUSR : sa\nPSW : x");
}

class CompanyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    inicio_ = std::make_unique<TInicio>("8080/", dir_.path(), "WebSrv32.ini",
                                        &clock_);
    inicio_->cEmpresa = "01";
    ctx_.inicio = inicio_.get();
    ctx_.odbc = &db_;
  }

  FixedClock clock_{LocalTime{2026, 12, 11, 10, 0, 0}};
  testing::TempDir dir_;
  std::unique_ptr<TInicio> inicio_;
  testing::FakeConnection db_;
  Context ctx_;
};

TEST_F(CompanyTest, ReadsCompanyAndDecimals) {
  struct Case {
    const char* pais;
    const char* cpais;
    int def_redon;
  } cases[] = {{"peru ", "PER", 2}, {"CHILE", "CHI", 0}, {" PE", "PE", 0}};
  for (const Case& c : cases) {
    db_.results.push_back(
        {{Col("RUT", kSqlChar, 12), Col("RAZON", kSqlVarchar, 50),
          Col("PAIS", kSqlChar, 10), Col("IVAPAIS", kSqlFloat, 53)},
         {{"76543210-1", "Kelmar Demo", c.pais, "18"}},
         ""});
    ASSERT_TRUE(LoadCompany(&ctx_).ok());
    EXPECT_EQ(db_.executed.back(),
              "SELECT TOP 1 RUT,RAZON,PAIS,IVAPAIS FROM CONFIGP WITH ( "
              "NOLOCK )  WHERE EMPRESA='01'");
    EXPECT_EQ(inicio_->cRazonSocial, "Kelmar Demo");
    EXPECT_EQ(inicio_->cRut, "76543210-1");
    EXPECT_EQ(inicio_->cPais, c.cpais);
    EXPECT_EQ(inicio_->Iva, 18);
    EXPECT_EQ(ctx_.def_redon, c.def_redon);
  }
}

TEST_F(CompanyTest, MissingCompanyStopsWithItsMessage) {
  db_.results.push_back({{Col("RUT", kSqlChar, 12)}, {}, ""});
  inicio_->cEmpresa = "07";
  Status s = LoadCompany(&ctx_);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.message(),
            "ATENCION: 2. Error, configp no encontr\xF3 empresa '07'");
}

TEST_F(CompanyTest, UnreachableDatabaseGivesConnectionText) {
  inicio_->cDsn = "no_such_dsn_kelmar";
  inicio_->cUser = "sa";
  inicio_->cPassword = "pw";
  std::unique_ptr<Connection> connection;
  Status s = OpenDatabase(*inicio_, &clock_, &connection);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(connection, nullptr);
  EXPECT_EQ(s.message(),
            ConnectionFailureText("no_such_dsn_kelmar", "sa", "pw"));
}

}  // namespace
}  // namespace kelmar
