#include "core/settings.h"

#include <gtest/gtest.h>

#include "core/tempfile.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::TempDir;
using namespace std::string_literals;

// The value followed by the 50 blanks of the fixed-width mail fields.
std::string Pad50(const std::string& value) {
  std::string out = value;
  out.append(50, ' ');
  return out;
}

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : clock_(LocalTime{2024, 3, 5, 8, 9, 10, 0, 2}) {}
  std::unique_ptr<TInicio> Make(const std::string& port = "",
                                const std::string& ini = "WebSrv32.ini") {
    return std::make_unique<TInicio>(port, dir_.path(), ini, &clock_,
                                     "10.0.0.5");
  }
  TempDir dir_;
  FixedClock clock_;
};

TEST_F(SettingsTest, DefaultsWithoutSettingsFiles) {
  auto o = Make();
  ASSERT_TRUE(o->status().ok()) << o->status().message();
  EXPECT_EQ(o->cDsn, "");
  EXPECT_EQ(o->cIpPuerto, "");
  EXPECT_EQ(o->cDir, dir_.path());
  EXPECT_EQ(o->cIniFile, dir_.File("WebSrv32.ini"));
  EXPECT_EQ(o->cMailIni, dir_.File("SendMail.properties"));
  EXPECT_EQ(o->cTmpDir, dir_.File("tmp/"));
  EXPECT_FALSE(o->lMultiple);
  EXPECT_EQ(o->Version, "24.02.01.716");
  EXPECT_EQ(o->UltFecha, (Date{2024, 2, 1}));
  EXPECT_FALSE(o->lPausa);
  EXPECT_EQ(o->nTiempoEspera, 0);
  EXPECT_EQ(o->cEmpresa, "01");
  EXPECT_EQ(o->cRoot, "www");
  EXPECT_EQ(o->cEntidadTemplate, std::string(13, ' '));
  EXPECT_FALSE(o->lServicioVisita);
  EXPECT_EQ(o->cPais, "CHI");
  EXPECT_EQ(o->Iva, 19);
  EXPECT_EQ(o->cRazonSocial, "");
  EXPECT_EQ(o->cRut, "");
  EXPECT_EQ(o->cExeFile, "");
  EXPECT_FALSE(o->lActivoCorreo);
  EXPECT_EQ(o->cNombre, std::string(100, ' '));
  EXPECT_EQ(o->cTLSPort, std::string(5, ' '));
  EXPECT_EQ(o->cSitioWeb, std::string(200, ' '));
  EXPECT_EQ(o->cDestinatario, std::string(100, ' '));
  EXPECT_EQ(o->dbf, "T0000001");
  EXPECT_TRUE(dir_.Exists("tmp/T0000001.DBF"));
}

TEST_F(SettingsTest, ReadingRulesOfTheSettingsFile) {
  dir_.Write("WebSrv32.ini",
             "[Conexion]\r\n"
             "ODBC.DSN= sqlite:demo.db \r\n"
             "ODBC.USER=sa\r\nODBC.PASSWORD=  secret\r\n"
             "IP.SERVER=http://1.2.3.4\r\nIP.PUERTO=8080/\r\n"
             "ROOT DIR=web\r\nENTIDAD MAGENTO= 7654321 \r\n"
             "SERVICO TIPO VISITA=true\r\n"
             "CODIGO DE SERVICIO TIPO VISITA= SV \r\n"
             "[SESION]\r\nSESION.MULTIPLE=si\r\nEMPRESA=02\r\n"
             "[PRUEBAS]\r\nTiempo INKEY=3\r\n"
             "[STOCK]\r\nBodegas del Stock teorico=01,02\r\n");
  auto o = Make();
  EXPECT_EQ(o->cDsn, "sqlite:demo.db");
  EXPECT_EQ(o->cUser, "sa");
  EXPECT_EQ(o->cPassword, "secret");
  EXPECT_EQ(o->cIpServer, "http://1.2.3.4");
  EXPECT_EQ(o->cIpPuerto, "8080/");
  EXPECT_EQ(o->cTmpDir, dir_.File("tmp/8080/"));
  EXPECT_TRUE(IsDirectory(o->cTmpDir));
  EXPECT_EQ(o->cRoot, "web");
  EXPECT_EQ(o->cEntidadTemplate, "7654321      ");
  EXPECT_TRUE(o->lServicioVisita);
  EXPECT_EQ(o->cCodigoServicio, "SV");
  EXPECT_TRUE(o->lMultiple);
  EXPECT_EQ(o->cEmpresa, "02");
  EXPECT_EQ(o->nTiempoEspera, 3);
  EXPECT_EQ(o->cbodegasstock, "01,02");
}

TEST_F(SettingsTest, PortArgumentAndOtherSettingsFile) {
  dir_.Write("WebSrv32.ini", "[Conexion]\r\nIP.PUERTO=8080/\r\nODBC.DSN=a\r\n");
  dir_.Write("otro.ini", "[Conexion]\r\nODBC.DSN=b\r\n");
  auto o = Make(" 9090/ ", "otro.ini");
  EXPECT_EQ(o->cIpPuerto, "9090/");
  EXPECT_EQ(o->cDsn, "b");
  EXPECT_EQ(o->cTmpDir, dir_.File("tmp/9090/"));
  // A later readConfig keeps the port it has.
  dir_.Write("otro.ini", "[Conexion]\r\nIP.PUERTO=7070/\r\nODBC.DSN=c\r\n");
  o->readConfig();
  EXPECT_EQ(o->cIpPuerto, "9090/");
  EXPECT_EQ(o->cDsn, "c");
}

TEST_F(SettingsTest, OddSettingsFileReadsWithoutTrouble) {
  std::string text = "\xFF\xFE[Conexion\r\n\x00\x01=\r\n[SESION]\r\n"s;
  text.append("Empresa=");
  text.append(9000, 'x');
  text.append("\r\nEmpresa=03\r\n[PRUEBAS]\r\nTiempo INKEY=abc");
  dir_.Write("WebSrv32.ini", text);
  auto o = Make();
  EXPECT_TRUE(o->cEmpresa == std::string(4094, 'x')) << o->cEmpresa.size();
  EXPECT_EQ(o->nTiempoEspera, 0);
}

TEST_F(SettingsTest, MailSettingsPaddingAndSaving) {
  dir_.Write("SendMail.properties",
             "# kept\r\n[MAIL]\r\nmail.activo=SI\r\nmail.subject=Pedido\r\n"
             "mail.content=  hola  \r\nNombre=Ventas\r\nmail.from=a@b.cl\r\n"
             "mail.host=smtp.b.cl\r\nmail.host.starttls=1\r\n"
             "mail.host.starttls.port=587\r\nAutenticacion=true\r\n"
             "Copia Cliente=NO\r\nmail.user=u\r\nmail.pass=p\r\ndebug=\r\n"
             "other=stays\r\n");
  auto o = Make();
  EXPECT_TRUE(o->lActivoCorreo);
  EXPECT_EQ(o->cSubject, Pad50("Pedido"));
  EXPECT_EQ(o->cContent, "hola");
  EXPECT_EQ(o->cNombre, Pad50("Ventas"));
  EXPECT_EQ(o->cFrom, Pad50("a@b.cl"));
  EXPECT_EQ(o->cHost, Pad50("smtp.b.cl"));
  EXPECT_TRUE(o->lTLS);
  EXPECT_EQ(o->cTLSPort, Pad50("587"));
  EXPECT_TRUE(o->lAutenticacion);
  EXPECT_FALSE(o->lCopiaCliente);
  EXPECT_EQ(o->cMailUser, Pad50("u"));
  EXPECT_EQ(o->cMailPassWord, Pad50("p"));
  EXPECT_FALSE(o->lDebug);

  o->cHost = Pad50("mail.x.cl");
  o->lDebug = true;
  o->lActivoCorreo = false;
  ASSERT_TRUE(o->saveMailConfig().ok());
  EXPECT_EQ(dir_.Read("SendMail.properties"),
            "# kept\r\n[MAIL]\r\nmail.activo=false\r\nmail.subject=Pedido\r\n"
            "mail.content=hola\r\nNombre=Ventas\r\nmail.from=a@b.cl\r\n"
            "mail.host=mail.x.cl\r\nmail.host.starttls=true\r\n"
            "mail.host.starttls.port=587\r\nAutenticacion=true\r\n"
            "Copia Cliente=false\r\nmail.user=u\r\nmail.pass=p\r\n"
            "debug=true\r\nother=stays\r\n");
}

TEST_F(SettingsTest, ActivityRows) {
  auto o = Make("8080/");
  int refreshed = 0;
  o->on_activity = [&refreshed] { ++refreshed; };
  o->Graba(nullptr, "  >>>>>>>> WebServer Activado 08:09:10 <<<<<<<<  ");
  ActivityClient client{17, "192.168.1.20"};
  o->lPausa = true;
  o->Graba(&client, "validator2=1,2|001|" + std::string(2500, 'x'), " 005 ");
  EXPECT_EQ(refreshed, 1);

  const auto& rows = o->activity().recent();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].fecha, (Date{2024, 3, 5}));
  EXPECT_EQ(rows[0].hora, "08:09:10");
  EXPECT_EQ(rows[0].socket, 0);
  EXPECT_EQ(rows[0].clienip, "10.0.0.5");
  EXPECT_EQ(rows[0].dato, ">>>>>>>> WebServer Activado 08:09:10 <<<<<<<<");
  EXPECT_EQ(rows[1].socket, 17);
  EXPECT_EQ(rows[1].clienip, "192.168.1.20");
  EXPECT_EQ(rows[1].vendedor, "005");
  EXPECT_EQ(rows[1].dato.size(), 2000u);

  std::string stored = dir_.Read("tmp/8080/" + o->dbf + ".DBF");
  size_t record = 8 + 20 + 13 + 3 + 20 + 2000 + 2;
  ASSERT_EQ(stored.size(), 2 * record);
  EXPECT_EQ(stored.substr(0, 8 + 20 + 13 + 3 + 20),
            "2024030508:09:10            " + std::string(12, ' ') + "0" +
                "   10.0.0.5            ");
  EXPECT_EQ(stored.substr(record - 2, 2), "\r\n");
}

TEST_F(SettingsTest, ActivityWindowIsBounded) {
  auto o = Make();
  for (size_t i = 0; i < ActivityTable::kWindow + 5; ++i) {
    o->Graba(nullptr, std::to_string(i));
  }
  EXPECT_EQ(o->activity().recent().size(), ActivityTable::kWindow);
  EXPECT_EQ(o->activity().recent().front().dato, "5");
  EXPECT_EQ(o->activity().count(), ActivityTable::kWindow + 5);
}

TEST_F(SettingsTest, TempfileTakesTheFirstFreeName) {
  EXPECT_EQ(TEMPFILE(dir_.path()), "T0000001");
  EXPECT_TRUE(dir_.Exists("T0000001.DBF"));
  dir_.Write("T0000003.DBF", "");
  EXPECT_EQ(TEMPFILE(dir_.path()), "T0000002");
  EXPECT_EQ(TEMPFILE(dir_.path()), "T0000004");
  EXPECT_EQ(TEMPFILE(dir_.File("missing")), "");
}

TEST_F(SettingsTest, SecondObjectInTheSameFolderGetsItsOwnTable) {
  auto first = Make("8080/");
  auto second = Make("8080/");
  EXPECT_EQ(first->dbf, "T0000001");
  EXPECT_EQ(second->dbf, "T0000002");
  EXPECT_TRUE(second->status().ok());
}

}  // namespace
}  // namespace kelmar
