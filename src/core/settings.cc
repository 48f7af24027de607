#include "core/settings.h"

#include "core/config_values.h"
#include "core/tempfile.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/ini.h"
#include "platform/text1252.h"

namespace kelmar {

std::string PadMailText(const std::string& value) {
  return value.empty() ? std::string(100, ' ') : value + std::string(50, ' ');
}

std::string PadMailPort(const std::string& value) {
  return value.empty() ? std::string(5, ' ') : value + std::string(50, ' ');
}

TInicio::TInicio(const std::string& port, const std::string& dir,
                 const std::string& ini_name, Clock* clock,
                 const std::string& host_ip)
    : clock_(clock), host_ip_(host_ip) {
  cDir = dir;
  cIpPuerto = Trim(port);
  cIniFile = JoinPath(cDir, ini_name);
  cMailIni = JoinPath(cDir, kMailFileName);
  Version = "24.02.01.716";
  UltFecha = Date{2024, 2, 1};
  lPausa = false;
  cSitioWeb = std::string(200, ' ');
  cDestinatario = std::string(100, ' ');
  readConfig();
  readMailConfig();

  cTmpDir = JoinPath(cDir, "tmp/" + cIpPuerto);
  Status s = MakeDirs(JoinPath(cDir, "tmp"));
  if (s.ok()) s = MakeDirs(cTmpDir);
  if (s.ok()) {
    dbf = TEMPFILE(cTmpDir);
    if (dbf.empty())
      s = Status::Error("no free activity table name in " + cTmpDir);
  }
  cPais = "CHI";
  Iva = 19;
  if (s.ok()) s = activity_.Create(JoinPath(cTmpDir, dbf + ".DBF"));
  status_ = s;
}

void TInicio::readConfig() {
  IniFile ini = IniFile::Load(cIniFile);
  cDsn = Trim(ini.Get("Conexion", "ODBC.DSN"));
  cUser = Trim(ini.Get("Conexion", "ODBC.USER"));
  cPassword = Trim(ini.Get("Conexion", "ODBC.PASSWORD"));
  cIpServer = Trim(ini.Get("Conexion", "IP.SERVER"));
  if (cIpPuerto.empty()) cIpPuerto = Trim(ini.Get("Conexion", "IP.PUERTO"));
  cRoot = Trim(ini.Get("Conexion", "ROOT DIR"));
  if (cRoot.empty()) cRoot = "www";
  lMultiple = ATRUE(ini.Get("SESION", "SESION.MULTIPLE"));
  std::string wait = Trim(ini.Get("PRUEBAS", "Tiempo INKEY"));
  nTiempoEspera = wait.empty() ? 0 : static_cast<int>(VAL(wait));
  if (nTiempoEspera < 0) nTiempoEspera = 0;
  cEmpresa = Trim(ini.Get("SESION", "Empresa"));
  if (cEmpresa.empty()) cEmpresa = "01";
  cbodegasstock = Trim(ini.Get("STOCK", "Bodegas del Stock teorico"));
  std::string entidad = Trim(ini.Get("Conexion", "ENTIDAD MAGENTO"));
  cEntidadTemplate = PadRight(entidad, 13);
  lServicioVisita = ATRUE(ini.Get("Conexion", "SERVICO TIPO VISITA"));
  cCodigoServicio =
      STRIM(ini.Get("Conexion", "CODIGO DE SERVICIO TIPO VISITA"));
}

void TInicio::readMailConfig() {
  IniFile ini = IniFile::Load(cMailIni);
  auto get = [&ini](const char* key) { return Trim(ini.Get("MAIL", key)); };
  lActivoCorreo = ATRUE(get("mail.activo"));
  cSubject = PadMailText(get("mail.subject"));
  cContent = get("mail.content");
  cNombre = PadMailText(get("Nombre"));
  cFrom = PadMailText(get("mail.from"));
  cHost = PadMailText(get("mail.host"));
  lTLS = ATRUE(get("mail.host.starttls"));
  cTLSPort = PadMailPort(get("mail.host.starttls.port"));
  lAutenticacion = ATRUE(get("Autenticacion"));
  lCopiaCliente = ATRUE(get("Copia Cliente"));
  cMailUser = PadMailText(get("mail.user"));
  cMailPassWord = PadMailText(get("mail.pass"));
  lDebug = ATRUE(get("debug"));
}

Status TInicio::saveMailConfig() const {
  const std::pair<const char*, std::string> keys[] = {
      {"mail.activo", ATRUE_C(lActivoCorreo)},
      {"mail.subject", Trim(cSubject)},
      {"mail.content", Trim(cContent)},
      {"Nombre", Trim(cNombre)},
      {"mail.from", Trim(cFrom)},
      {"mail.host", Trim(cHost)},
      {"mail.host.starttls", ATRUE_C(lTLS)},
      {"mail.host.starttls.port", Trim(cTLSPort)},
      {"Autenticacion", ATRUE_C(lAutenticacion)},
      {"Copia Cliente", ATRUE_C(lCopiaCliente)},
      {"mail.user", Trim(cMailUser)},
      {"mail.pass", Trim(cMailPassWord)},
      {"debug", ATRUE_C(lDebug)},
  };
  for (const auto& [key, value] : keys) {
    Status s = WriteProfileString(cMailIni, "MAIL", key, value);
    if (!s.ok()) return s;
  }
  return Status::OK();
}

void TInicio::Graba(const ActivityClient* client, const std::string& detail,
                    const std::string& seller) {
  LocalTime now = clock_->NowLocal();
  ActivityRow row;
  row.fecha = DateOf(now);
  row.hora = TimeText(now);
  row.dato = Trim(detail);
  row.vendedor = Trim(seller);
  if (client != nullptr) {
    row.socket = client->socket;
    row.clienip = client->ip;
  } else {
    if (host_ip_.empty()) host_ip_ = HostIpAddress();
    row.socket = 0;
    row.clienip = host_ip_;
  }
  activity_.Append(std::move(row));
  if (!lPausa && on_activity) on_activity();
}

}  // namespace kelmar
