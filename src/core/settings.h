// The settings object, TInicio: connection, port, folders, company, version
// stamp and mail settings, plus the instance's temporary folder and
// activity table. One object lives for the whole process (oInicio).
//
// Settings the request processors use are not held here: they read them
// from "WebSrv32.ini" at each use through OBTIENEVALOR, so an edit applies
// without a restart. The members below change only through readConfig,
// readMailConfig and the settings dialog.
#ifndef KELMAR_CORE_SETTINGS_H_
#define KELMAR_CORE_SETTINGS_H_

#include <functional>
#include <string>

#include "core/activity.h"
#include "core/conventions.h"
#include "platform/status.h"

namespace kelmar {

class Clock;

// The client connection of an activity row.
struct ActivityClient {
  int64_t socket = 0;  // connection handle
  std::string ip;      // peer's IP address
};

class TInicio {
 public:
  // Builds the object: `port` is the "P=" value (empty: take the port from
  // the settings file), `dir` the program folder, `ini_name` the settings
  // file name within it. Reads both settings files, creates `dir`/tmp and
  // the temporary folder, and creates the activity table there. Problems
  // doing so are kept in status(); the object is usable either way (an
  // activity table that cannot be created keeps its rows in memory only).
  // `clock` is not owned and must outlive the object. `host_ip` is the
  // address written in the rows the server writes itself; empty means
  // this machine's address (HostIpAddress).
  TInicio(const std::string& port, const std::string& dir,
          const std::string& ini_name, Clock* clock,
          const std::string& host_ip = "");

  TInicio(const TInicio&) = delete;
  TInicio& operator=(const TInicio&) = delete;

  // Reads [Conexion], [SESION], [PRUEBAS] and [STOCK] "Bodegas del Stock
  // teorico" from cIniFile. A non-empty cIpPuerto is kept; only an empty
  // one is taken from the file.
  void readConfig();
  // Reads [MAIL] from cMailIni into the mail members, with their paddings.
  void readMailConfig();
  // Writes the [MAIL] keys back to cMailIni, texts trimmed and logical
  // values as "true"/"false"; every other line of the file is kept.
  Status saveMailConfig() const;

  // Appends one activity row: today's date, the time of day, `detail` and
  // `seller` trimmed; the connection's handle and peer address when
  // `client` is given, else 0 and this machine's address. Unless lPausa,
  // calls on_activity afterwards so a view can refresh.
  void Graba(const ActivityClient* client, const std::string& detail,
             const std::string& seller = "");

  // Problems met by the constructor (temporary folder or activity table);
  // ok when none.
  const Status& status() const { return status_; }
  ActivityTable& activity() { return activity_; }
  const ActivityTable& activity() const { return activity_; }
  Clock* clock() const { return clock_; }

  // Members, in the order and with the meaning of the settings object.
  std::string dbf;            // activity table name: "T" + 7 digits
  std::string cDsn;           // [Conexion] ODBC.DSN
  std::string cUser;          // [Conexion] ODBC.USER
  std::string cPassword;      // [Conexion] ODBC.PASSWORD
  std::string cIpServer;      // [Conexion] IP.SERVER: scheme and public address
  std::string cIpPuerto;      // "P=" or [Conexion] IP.PUERTO, e.g. "8080/"
  std::string cRazonSocial;   // company name, from CONFIGP at start-up
  std::string cRut;           // company tax id, from CONFIGP at start-up
  std::string cDir;           // program folder
  std::string cIniFile;       // cDir + "/" + settings file name
  std::string cMailIni;       // cDir + "/SendMail.properties"
  std::string cTmpDir;        // cDir + "/tmp/" + cIpPuerto
  bool lMultiple = false;     // [SESION] SESION.MULTIPLE by ATRUE
  std::string Version;        // "24.02.01.716"
  Date UltFecha;              // 01/02/2024
  bool lPausa = false;        // no list refresh while true
  int nTiempoEspera = 0;      // [PRUEBAS] Tiempo INKEY, seconds
  std::string cEmpresa;       // [SESION] Empresa, "01" when empty
  std::string cbodegasstock;  // [STOCK] Bodegas del Stock teorico
  std::string cExeFile;       // executable file name, set by start-up
  std::string cRoot;          // [Conexion] ROOT DIR, "www" when empty
  std::string cEntidadTemplate;  // [Conexion] ENTIDAD MAGENTO, 13 wide
  bool lServicioVisita = false;  // [Conexion] SERVICO TIPO VISITA by ATRUE
  std::string cCodigoServicio;   // [Conexion] CODIGO DE SERVICIO TIPO VISITA
  std::string cPais;            // "CHI", then the company's country (3 letters)
  double Iva = 19;              // VAT rate in percent, then the company's
  bool lActivoCorreo = false;   // [MAIL] mail.activo
  std::string cSubject;         // [MAIL] mail.subject, padded
  std::string cContent;         // [MAIL] mail.content
  std::string cNombre;          // [MAIL] Nombre, padded
  std::string cFrom;            // [MAIL] mail.from, padded
  std::string cHost;            // [MAIL] mail.host, padded
  bool lTLS = false;            // [MAIL] mail.host.starttls
  std::string cTLSPort;         // [MAIL] mail.host.starttls.port, padded
  bool lAutenticacion = false;  // [MAIL] Autenticacion
  bool lCopiaCliente = false;   // [MAIL] Copia Cliente
  std::string cMailUser;        // [MAIL] mail.user, padded
  std::string cMailPassWord;    // [MAIL] mail.pass, padded
  bool lDebug = false;          // [MAIL] debug (mail debug switch)
  std::string cSitioWeb;        // reserved: 200 blanks
  std::string cDestinatario;    // reserved: 100 blanks

  // Called after each Graba unless lPausa; may be empty.
  std::function<void()> on_activity;

 private:
  Clock* clock_;
  std::string host_ip_;
  Status status_;
  ActivityTable activity_;
};

// The padded form of the mail texts the settings dialog edits in fixed
// fields: the value followed by 50 blanks, or 100 blanks when empty.
std::string PadMailText(const std::string& value);
// cTLSPort's form: the value followed by 50 blanks, or 5 blanks.
std::string PadMailPort(const std::string& value);

}  // namespace kelmar

#endif  // KELMAR_CORE_SETTINGS_H_
