// Placeholder until the embedded engine lands: it reports itself missing.
#include "db/engine/connection.h"

namespace kelmar {

Status OpenEmbeddedConnection(const std::string&, Clock*,
                              std::unique_ptr<Connection>*) {
  return Status::Error("embedded engine not built yet");
}

}  // namespace kelmar
