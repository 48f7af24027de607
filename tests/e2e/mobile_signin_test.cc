// A device's morning against the real binary over loopback: check the
// server, register, sign in, all through journalled envelopes, byte for
// byte; and the JSON client's PING.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "db/engine/connection.h"
#include "e2e/demo_db.h"
#include "e2e/server_fixture.h"
#include "platform/clock.h"
#include "support/http_client.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::Body;
using testing::Get;

// The text framing of device replies.
std::string Text(const std::string& body) {
  char length[32];
  std::snprintf(length, sizeof length, "%10zu", body.size());
  return "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
         "Content-type: text/plain\r\nContent-length: " +
         std::string(length) + "\r\n\r\n" + body + "\r\n";
}

class MobileSigninTest : public testing::ServedFolderTest {
 protected:
  void SetUp() override {
    dir_.Write("WebSrv32.ini",
               "[Conexion]\r\nODBC.DSN=sqlite:erp.db\r\n"
               "IP.ESCUCHA=127.0.0.1\r\n"
               "[SESION]\r\nSESION.MULTIPLE=SI\r\nEMPRESA=01\r\n"
               "[STOCK]\r\nBodegas del Stock teorico=B01,B02\r\n");
    ASSERT_TRUE(testsupport::CreateDemoDatabase(
                    dir_.File("erp.db"), testsupport::DemoData::kSeed, "")
                    .ok());
    StartServer("2026-12-11 09:00:00");
  }
};

TEST_F(MobileSigninTest, DeviceMorningThroughEnvelopes) {
  const std::string envelope = "/getSQL?validator2=V01,PDA-7,-33.45,-70.66|";
  EXPECT_EQ(Get(port_, envelope + "PING"),
            Text("1|24.02.01.716|Distribuidora Los Alerces S.A.|"));
  EXPECT_EQ(Get(port_, envelope + "001|PDA-7|V01|vend1|1.5.3|RUTA"),
            Text("0|M\xE1quina no registrada|"));
  EXPECT_EQ(Get(port_, envelope + "000|PDA-7|V01"),
            Text("1|M\xE1quina exitosamente registrada|"));
  EXPECT_EQ(Get(port_, envelope + "000|PDA-7|V01"),
            Text("0|usuario y m\xE1quina ya estan instalados|"));
  EXPECT_EQ(Get(port_, envelope + "001|PDA-7|V01|vend1|1.5.3|RUTA"),
            Text("1|correcto|RUTA|110000000|CAS|B02|01|B01,B02|"));
  EXPECT_EQ(Get(port_, envelope + "001|PDA-7|V01|otra|1.5.3|RUTA"),
            Text("0|no coincide usuario/clave|"));
  // The query form answers the same as the envelope form.
  EXPECT_EQ(Get(port_, "/getSQL?validator=001|PDA-7|V01|vend1|1.5.3|RUTA"),
            Text("1|correcto|RUTA|110000000|CAS|B02|01|B01,B02|"));
  EXPECT_EQ(Get(port_, "/getSQL/validator/XYZ|1|2"),
            Text("0| validator=XYZ no contemplado|"));

  // One journal row per envelope; no password is kept.
  std::string journal = Body(
      Get(port_,
          "/getSQL?cursor=SELECT+VENDEDOR,MAQUINA,ACCION,LINEA+FROM+PDALOG+"
          "ORDER+BY+IDPDALOG"));
  EXPECT_EQ(journal.find("vend1"), std::string::npos) << journal;
  EXPECT_EQ(journal.find("otra"), std::string::npos) << journal;
  EXPECT_NE(journal.find("001|PDA-7|V01|*****|1.5.3|RUTA"), std::string::npos)
      << journal;
  size_t rows = 0;
  for (size_t at = journal.find("\r\nV01"); at != std::string::npos;
       at = journal.find("\r\nV01", at + 1)) {
    ++rows;
  }
  EXPECT_EQ(rows, 6u) << journal;

  // The version listing shows the last sign-in of V01, masked.
  std::string vkm = Body(Get(port_, "/getSQL?validator=VKM"));
  EXPECT_NE(vkm.find("001|PDA-7|V01|*****|1.5.3|RUTA"), std::string::npos)
      << vkm;
  // Its JSON form goes out with the JSON header, also to a device.
  std::string json = Get(port_, "/getSQL?validator=JSONVKM");
  EXPECT_NE(json.find("Content-type: application/json"), std::string::npos)
      << json;
  EXPECT_NE(Body(json).find("\"VENDEDOR\":\"V01\""), std::string::npos) << json;
  // The data form of the JSON family turns the listing into objects.
  std::string data = Body(Get(port_, "/getJSON?sqldata=VKM"));
  EXPECT_EQ(data.rfind("[{\"VENDEDOR\":\"V01", 0), 0u) << data;
}

TEST_F(MobileSigninTest, JsonClientPing) {
  std::string reply = Get(port_, "/getJSON?validator=PING");
  EXPECT_EQ(reply.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << reply;
  EXPECT_EQ(Body(reply),
            "[{ \"campo001\": \"1\",  \"campo002\": \"24.02.01.716\",  "
            "\"campo003\": \"Distribuidora Los Alerces S.A.\" }]\r\n");

  // The enveloped JSON form is journalled and answered the same way.
  EXPECT_EQ(Body(Get(port_, "/getJSON?validator2=V01,PDA-7,0,0|PING")),
            Body(reply));
  std::string journal =
      Body(Get(port_,
               "/getSQL?cursor=SELECT+ACCION+FROM+PDALOG+WHERE+VENDEDOR="
               "'V01'"));
  EXPECT_NE(journal.find("PING"), std::string::npos) << journal;

  // The company disappears while the server runs.
  {
    std::unique_ptr<Connection> db;
    FixedClock clock(LocalTime{2026, 12, 11, 9, 0, 0, 0, 5});
    ASSERT_TRUE(OpenEmbeddedConnection(dir_.File("erp.db"), &clock, &db).ok());
    ASSERT_TRUE(db->NewStatement()
                    ->Execute("DELETE FROM CONFIGP WHERE EMPRESA='01'")
                    .ok());
  }
  reply = Get(port_, "/getJSON?validator=PING");
  EXPECT_EQ(reply.rfind("HTTP/1.0 500 Internal Server Error\r\n", 0), 0u)
      << reply;
  EXPECT_NE(Body(reply).find("empresa 01 no existe"), std::string::npos)
      << reply;
  // A device is answered in plain text with status 200 all the same.
  EXPECT_EQ(Get(port_, "/getSQL?validator=PING"),
            Text("0|24.02.01.716|empresa 01 no existe|"));
}

}  // namespace
}  // namespace kelmar
