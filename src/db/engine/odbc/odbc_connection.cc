// Placeholder until the ODBC backend lands: it reports itself missing.
#include "db/engine/connection.h"

namespace kelmar {

Status OpenOdbcConnection(const std::string&, std::unique_ptr<Connection>*) {
  return Status::Error("ODBC backend not built yet");
}

}  // namespace kelmar
