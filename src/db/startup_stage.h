// The database stage of start-up: opens the one connection (ODBC, or the
// embedded engine for a DSN "sqlite:PATH"), completes the company data from
// CONFIGP, and creates and upgrades the server's own tables.
#ifndef KELMAR_DB_STARTUP_STAGE_H_
#define KELMAR_DB_STARTUP_STAGE_H_

#include <memory>
#include <string>
#include <string_view>

#include "core/startup.h"
#include "db/engine/connection.h"
#include "db/schema.h"
#include "platform/status.h"

namespace kelmar {

class Clock;
class TInicio;

// The ODBC connection string: `dsn` whole when it begins with "DRIVER" (any
// case), else "DSN=" + dsn; then ";UID=" + user when there is a user, and
// ";PWD=" + password always. All three are trimmed.
std::string ConnectionString(std::string_view dsn, std::string_view user,
                             std::string_view password);

// The stop message of a failed connection, line by line: an empty line,
// "Fallo de conexion: Al intentar conectar a base de datos...", then the
// data source, user and password.
std::string ConnectionFailureText(std::string_view dsn, std::string_view user,
                                  std::string_view password);

// Opens the connection for the settings in `inicio`. A DSN beginning with
// "sqlite:" opens the embedded engine on the path after it, relative to the
// program folder cDir unless absolute; any other DSN goes to ODBC. On
// failure the message is ConnectionFailureText.
Status OpenDatabase(const TInicio& inicio, Clock* clock,
                    std::unique_ptr<Connection>* out);

// Reads the company `inicio->cEmpresa` from CONFIGP into cRazonSocial, cRut,
// cPais (first three letters, upper case) and Iva, and sets ctx->def_redon
// (2 for "PER", else 0). When the company is missing the message is
// "ATENCION: 2. Error, configp no encontró empresa '<code>'".
Status LoadCompany(Context* ctx);

// Owns the connection for the life of the process and fills MAIN's database
// stages with it: open_database, load_company, create_tables and
// upgrade_schema. Operator messages of table creation go to `report`.
class DatabaseStages {
 public:
  explicit DatabaseStages(OperatorMessage report);
  DatabaseStages(const DatabaseStages&) = delete;
  DatabaseStages& operator=(const DatabaseStages&) = delete;

  void Fill(StartupStages* stages);

 private:
  OperatorMessage report_;
  std::unique_ptr<Connection> connection_;
};

}  // namespace kelmar

#endif  // KELMAR_DB_STARTUP_STAGE_H_
