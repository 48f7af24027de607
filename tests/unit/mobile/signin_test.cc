#include "mobile/signin.h"

#include <gtest/gtest.h>

#include "mobile/validator.h"
#include "platform/text1252.h"
#include "sqlite_test_connection.h"

namespace kelmar {
namespace {

using testing_sqlite::SqliteConnection;

constexpr char kRut[] = "76123456-7";

std::string Maeus(const std::string& user, const std::string& code,
                  int64_t delta = 0) {
  return "INSERT INTO MAEUS VALUES ('" + user + "','" + code + "'," +
         std::to_string(PermissionCheckNumber(kRut, user, code) + delta) + ");";
}

class SigninTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string control = "char(5,32,5,32,5)";
    std::string script =
        "CREATE TABLE CONFIGP (EMPRESA CHAR(2) COLLATE RTRIM, RUT CHAR(12) "
        "COLLATE RTRIM, RAZON "
        "VARCHAR(50) COLLATE RTRIM);"
        "INSERT INTO CONFIGP VALUES ('01','" +
        std::string(kRut) +
        "','Comercial Demo  ');"
        "CREATE TABLE PDAMAQ (MAQUINA VARCHAR(50) COLLATE RTRIM, USUARIO "
        "CHAR(3) COLLATE RTRIM "
        "CHECK (length(USUARIO) <= 3), SISTEMA TEXT);"
        "INSERT INTO PDAMAQ VALUES ('M1','VEN','');"
        "CREATE TABLE TABFU (KOFU CHAR(3) COLLATE RTRIM, PWFU CHAR(25) COLLATE "
        "RTRIM, MODALIDAD CHAR(5) COLLATE RTRIM, "
        "IDTABFU INTEGER);"
        "INSERT INTO TABFU VALUES ('VEN','" +
        TRANFOCLAV("12345") +
        "','01',7);"
        "INSERT INTO TABFU VALUES ('ADM','" +
        TRANFOCLAV("clave") +
        "','',8);"
        "CREATE TABLE CONFIEST (EMPRESA CHAR(2) COLLATE RTRIM, MODALIDAD "
        "CHAR(5) COLLATE RTRIM, "
        "ESUCURSAL CHAR(3) COLLATE RTRIM, EBODEGA CHAR(3) COLLATE RTRIM);"
        "INSERT INTO CONFIEST VALUES ('01','01','S01','B01');"
        "INSERT INTO CONFIEST VALUES ('01','02','S02','B02');"
        "INSERT INTO CONFIEST VALUES ('01','03','S03','B03');"
        "INSERT INTO CONFIEST VALUES ('01'," +
        control +
        ",'S09','B09');"
        "INSERT INTO CONFIEST VALUES ('02','05','S05','B05');"
        "CREATE TABLE MAEUS (KOUS CHAR(3) COLLATE RTRIM, KOOP CHAR(8) COLLATE "
        "RTRIM, ECKOUS REAL);" +
        Maeus("VEN", "MO-01   ") + Maeus("VEN", "MO-03   ", 1) +
        Maeus("VEN", "RM-00010") + Maeus("VEN", "RM-00020", -3) +
        Maeus("VEN", "BO-B01") + Maeus("VEN", "BO-B02") +
        Maeus("VEN", "BO-X09") + "INSERT INTO MAEUS VALUES ('VEN','MO-'||" +
        control +
        ",0);"
        "UPDATE MAEUS SET ECKOUS = " +
        std::to_string(PermissionCheckNumber(
            kRut, "VEN", "MO-" + std::string("\x05\x20\x05\x20\x05", 5))) +
        " WHERE KOOP = 'MO-'||" + control +
        ";"
        "CREATE TABLE TABBO (EMPRESA CHAR(2) COLLATE RTRIM, KOBO CHAR(3) "
        "COLLATE RTRIM);"
        "INSERT INTO TABBO VALUES ('01','B01');"
        "INSERT INTO TABBO VALUES ('01','B02');"
        "INSERT INTO TABBO VALUES ('02','X09');";
    ASSERT_EQ(db_.Run(script), "");
    ctx_.odbc = &db_;
    ctx_.tax_id_cache = &cache_;
    settings_.empresa = "01";
    settings_.version = "24.02.01.716";
    settings_.ult_fecha = "01/02/2024";
  }

  std::string Run(const std::string& command, bool* error = nullptr) {
    std::string answer;
    RunCommand(ctx_, settings_, command, &answer, error);
    return answer;
  }

  SqliteConnection db_;
  CompanyTaxIdCache cache_;
  Context ctx_;
  MobileSettings settings_;
};

TEST_F(SigninTest, SignInCases) {
  const std::string bad_version =
      "0|Version no valida. Actualice su programa.|";
  const std::string no_machine = "0|M\xE1quina no registrada|";
  struct Case {
    const char* command;
    std::string reply;
  } cases[] = {
      // The version is refused before anything else.
      {"001|NOPE|VEN|12345|1.4|", bad_version},
      {"001|M1|VEN|12345|1.10|", bad_version},
      {"001|M1|VEN|12345|1|", bad_version},
      {"001|M1|VEN|12345|1.|", bad_version},
      {"001|M1|ABC", bad_version},
      {"001|NOPE|VEN|12345|1.5.3|", no_machine},
      {"001|NOPE|VEN|12345|1.50|", no_machine},
      {"001|NOPE|VEN|12345|2.0|", no_machine},
      {"001|NOPE|VEN|12345|10|", no_machine},
      // The mode comes from TABFU when the token is empty; RM-00020 has an
      // altered check number and RM-00030 no row; X09 belongs to another
      // company.
      // The mode read from TABFU goes back as stored, padded.
      {"001|M1|VEN|12345|1.5|",
       "1|correcto|01   |100000000|S01|B01|01|B01,B02|"},
      {"VALIDARCLAVE|M1|VEN|12345|1.5|",
       "1|correcto|01   |100000000|S01|B01|01|B01,B02|"},
      {"001|M1|VEN|12345|1%2E5|02", "0|sin permiso para modalidad indicada|"},
      // An altered check number on the mode permission grants nothing.
      {"001|M1|VEN|12345|1.5|03", "0|sin permiso para modalidad indicada|"},
      {"001|M1|VEN|mala|1.5|99", "0|modalidad indicada no existe|"},
      {"001|M1|VEN|12345|1.5|05", "0|modalidad indicada no existe|"},
      {"001|M1|VEN|mala|1.5|01", "0|no coincide usuario/clave|"},
      {"001|M1|VEN|12345|1.5| 01 ",
       "1|correcto|01|100000000|S01|B01|01|B01,B02|"},
      // "!!!" works in the control-character mode and goes back as "!!!".
      {"001|M1|VEN|12345|1.5|!!!",
       "1|correcto|!!!|100000000|S09|B09|01|B01,B02|"},
      // No mode at all: no mode check, empty mode, branch and warehouse.
      {"001|M1|ADM|clave|1.5|", "1|correcto||000000000|||01||"},
      {"001|M1|ADM|clave9|1.5|", "1|correcto||000000000|||01||"},
      {"001|M1|ADM|otra|1.5|", "0|no coincide usuario/clave|"},
      // Quotes in tokens stay inside their literals.
      {"001|M1|VEN' OR '1'='1|x|1.5|", "0|no coincide usuario/clave|"},
  };
  for (const Case& c : cases) {
    bool error = false;
    EXPECT_EQ(Run(c.command, &error), c.reply) << c.command;
    EXPECT_FALSE(error) << c.command;
  }
}

TEST_F(SigninTest, RegistrationTwiceAndForASecondUser) {
  EXPECT_EQ(Run("000|M9|VEN"), "1|M\xE1quina exitosamente registrada|");
  EXPECT_EQ(Run("000|M9|VEN|extra"),
            "0|usuario y m\xE1quina ya estan instalados|");
  EXPECT_EQ(Run("VALIDARMAQUINA|M9|ADM"),
            "1|M\xE1quina exitosamente registrada|");
  EXPECT_EQ(Run("000|M9|DEMASIADO"), "0|error al instalar maquina|");
  EXPECT_EQ(Run("000|M'Q|VEN"), "1|M\xE1quina exitosamente registrada|");
  EXPECT_EQ(Run("000| M8 |VEN"), "1|M\xE1quina exitosamente registrada|");
  EXPECT_TRUE(MAQUINAVALIDA(ctx_, "M'Q"));
  EXPECT_TRUE(MAQUINAVALIDA(ctx_, "M8"));
  EXPECT_FALSE(MAQUINAVALIDA(ctx_, "M7"));
  EXPECT_EQ(Run("001|M9|VEN|12345|1.5|01"),
            "1|correcto|01|100000000|S01|B01|01|B01,B02|");
}

TEST_F(SigninTest, PingWithAndWithoutTheCompany) {
  bool error = false;
  EXPECT_EQ(Run("PING", &error), "1|24.02.01.716|Comercial Demo|");
  EXPECT_FALSE(error);
  settings_.empresa = "09";
  EXPECT_EQ(Run("PING|x", &error), "0|24.02.01.716|empresa 09 no existe|");
  EXPECT_TRUE(error);
  // The router may pass no flag at all.
  EXPECT_EQ(Run("PING", nullptr), "0|24.02.01.716|empresa 09 no existe|");
}

TEST_F(SigninTest, UnknownCodesAndExactMatching) {
  EXPECT_EQ(Run("XYZ|1|2"), "0| validator=XYZ no contemplado|");
  EXPECT_EQ(Run("w100a|1"), "0| validator=w100a no contemplado|");
  EXPECT_EQ(Run("ping"), "0| validator=ping no contemplado|");
  EXPECT_EQ(Run(""), "0| validator= no contemplado|");
  EXPECT_EQ(Run(" PING"), "0| validator= PING no contemplado|");
}

TEST_F(SigninTest, FailedLookupsSetTheErrorFlagAndReadAsNotFound) {
  ASSERT_EQ(db_.Run("DROP TABLE PDAMAQ;"), "");
  bool error = false;
  EXPECT_EQ(Run("001|M1|VEN|12345|1.5|", &error),
            "0|M\xE1quina no registrada|");
  EXPECT_TRUE(error);
}

TEST_F(SigninTest, CompanyTaxIdIsReadOnceAndKept) {
  EXPECT_TRUE(VALIDAPERMISO(ctx_, "VEN", "RM-00010"));
  EXPECT_EQ(Trim(cache_.rut()), kRut);
  ASSERT_EQ(db_.Run("UPDATE CONFIGP SET RUT='99999999-9';"), "");
  EXPECT_TRUE(VALIDAPERMISO(ctx_, "VEN", "RM-00010"));
  // Without a cache the tax id is read each time.
  ctx_.tax_id_cache = nullptr;
  EXPECT_FALSE(VALIDAPERMISO(ctx_, "VEN", "RM-00010"));
}

TEST_F(SigninTest, RestrictionIgnoresTheCheckNumber) {
  EXPECT_TRUE(EXISTERESTRICCION(ctx_, "VEN", "RM-00020"));
  EXPECT_FALSE(VALIDAPERMISO(ctx_, "VEN", "RM-00020"));
  EXPECT_FALSE(EXISTERESTRICCION(ctx_, "VEN", "NO000240"));
}

TEST_F(SigninTest, ExistaClaveReturnsCodeAndId) {
  ClaveResult r = EXISTACLAVE(ctx_, "VEN", "12345");
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.kofu, "VEN");
  EXPECT_EQ(r.idtabfu, 7);
  r = EXISTACLAVE(ctx_, "VEN", "1234");
  EXPECT_FALSE(r.found);
  EXPECT_EQ(r.kofu, "");
  EXPECT_EQ(r.idtabfu, 0);
}

TEST_F(SigninTest, VersionWebServer) {
  std::string reply = Run("VERSIONWEBSERVER");
  ASSERT_EQ(reply.rfind("1|24.02.01.716|01/02/2024|", 0), 0u) << reply;
  // dd/mm/yyyy of the running executable, then the closing bar.
  std::string date =
      reply.substr(std::string("1|24.02.01.716|01/02/2024|").size());
  ASSERT_EQ(date.size(), 11u) << reply;
  EXPECT_EQ(date[2], '/');
  EXPECT_EQ(date[5], '/');
  EXPECT_EQ(date[10], '|');
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

TEST_F(SigninTest, VersionListingShowsEachSellersLatestSignIn) {
  ASSERT_EQ(
      db_.Run("CREATE TABLE PDALOG (IDPDALOG INTEGER PRIMARY KEY, VENDEDOR "
              "CHAR(3) COLLATE RTRIM, FECHA DATETIME, ACCION VARCHAR(10), "
              "LINEA VARCHAR(250));"
              // A: the highest id is the latest date.
              "INSERT INTO PDALOG VALUES (1,'A','2024-03-01 00:00:00.000',"
              "'001','001|M1|A|*****|1.5');"
              "INSERT INTO PDALOG VALUES (2,'A','2024-03-02 00:00:00.000',"
              "'001','001|M1|A|*****|1.6');"
              // B: the highest id carries an older date.
              "INSERT INTO PDALOG VALUES (3,'B','2024-03-05 00:00:00.000',"
              "'001','001|M2|B|*****|1.7');"
              "INSERT INTO PDALOG VALUES (4,'B','2024-03-04 00:00:00.000',"
              "'001','001|M2|B|*****|1.8');"
              // C never signed in.
              "INSERT INTO PDALOG VALUES (5,'C','2024-03-06 00:00:00.000',"
              "'000','000|M3|C');"),
      "");
  // Cursor text comes padded to the column width.
  std::string linea = "001|M1|A|*****|1.6";
  linea.resize(250, ' ');
  EXPECT_EQ(Run("VKM"),
            "VENDEDOR|FECHA|LINEA|\r\nA  |02/03|" + linea + "|\r\n");
  EXPECT_EQ(Run("VERSIONKELMARMOVIL"), Run("VKM"));
  std::string json = Run("JSONVKM");
  EXPECT_EQ(json, Run("JSONVERSIONKELMARMOVIL"));
  EXPECT_NE(json.find("\"VENDEDOR\":\"A\""), std::string::npos) << json;
  EXPECT_EQ(json.find("\"VENDEDOR\":\"B\""), std::string::npos) << json;
  EXPECT_EQ(json.front(), '[');

  ASSERT_EQ(db_.Run("DELETE FROM PDALOG;"), "");
  EXPECT_EQ(Run("VKM"), "VENDEDOR|FECHA|LINEA|");
  EXPECT_EQ(Run("JSONVKM"), "{}");
}

}  // namespace
}  // namespace kelmar
