// The production backend: Connection and Statement over the unixODBC driver
// manager. OpenOdbcConnection (connection.h) is the way in; this header only
// exposes the limits the backend applies.
#ifndef KELMAR_DB_ENGINE_ODBC_ODBC_CONNECTION_H_
#define KELMAR_DB_ENGINE_ODBC_ODBC_CONNECTION_H_

#include <cstddef>

namespace kelmar {

// Driver messages are cut to this many bytes, as the server always did.
inline constexpr size_t kMaxOdbcMessage = 256;

// Long values are read from the driver in pieces of this many bytes.
inline constexpr size_t kOdbcReadPiece = 4096;

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_ODBC_ODBC_CONNECTION_H_
