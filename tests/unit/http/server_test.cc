#include "http/server.h"

#include <gtest/gtest.h>

#include "core/context.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

TEST(ServerSettingsTest, PortIsTheLeadingNumber) {
  struct {
    const char* text;
    int port;
  } cases[] = {{"8080/", 8080}, {" 80/ ", 80}, {"", 0},
               {"abc", 0},      {"99999/", 0}, {"443x", 443}};
  for (const auto& c : cases) EXPECT_EQ(PortOf(c.text), c.port) << c.text;
}

TEST(ServerSettingsTest, ListenerSettingsFromTheSettingsFile) {
  testing::TempDir dir;
  FixedClock clock(LocalTime{2024, 3, 5, 10, 0, 0});
  dir.Write("WebSrv32.ini",
            "[Conexion]\r\nIP.ESCUCHA= 127.0.0.1 \r\n"
            "SQL.CLIENTES=10.0.0.1, 10.0.0.2;10.0.0.3  10.0.0.4\r\n"
            "CABECERA.SEGUNDOS=5\r\nCABECERA.BYTES=abc\r\n"
            "INACTIVIDAD.SEGUNDOS=-3\r\nROOT DIR=web\r\n"
            "[PRUEBAS]\r\nTiempo INKEY=2\r\n");
  TInicio inicio("8080/", dir.path(), "WebSrv32.ini", &clock, "10.9.9.9");
  Context ctx;
  ctx.inicio = &inicio;
  WebServerSettings s = ReadWebServerSettings(ctx);
  EXPECT_EQ(s.bind_address, "127.0.0.1");
  EXPECT_EQ(s.sql_clients, (std::vector<std::string>{"10.0.0.1", "10.0.0.2",
                                                     "10.0.0.3", "10.0.0.4"}));
  EXPECT_EQ(s.header_timeout, std::chrono::seconds(5));
  // Values that are not positive whole numbers keep their defaults.
  EXPECT_EQ(s.header_limit, 64u * 1024u);
  EXPECT_EQ(s.idle_timeout, std::chrono::seconds(60));
  EXPECT_EQ(s.root, "web");
  EXPECT_EQ(s.tiempo_espera, 2);

  dir.Write("WebSrv32.ini", "[Conexion]\r\n");
  TInicio plain("8080/", dir.path(), "WebSrv32.ini", &clock, "10.9.9.9");
  ctx.inicio = &plain;
  s = ReadWebServerSettings(ctx);
  EXPECT_EQ(s.bind_address, "");  // every local address
  EXPECT_TRUE(s.sql_clients.empty());
  EXPECT_EQ(s.header_timeout, std::chrono::seconds(30));
}

}  // namespace
}  // namespace kelmar
