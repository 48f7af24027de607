// Where the SQLite ODBC driver is installed, so tests can load it by path
// and need no odbcinst.ini.
#ifndef KELMAR_TESTS_SUPPORT_ODBC_DRIVER_H_
#define KELMAR_TESTS_SUPPORT_ODBC_DRIVER_H_

#include <filesystem>
#include <string>

namespace kelmar::testing {

// The driver's path; empty when it is not installed.
inline std::string SqliteOdbcDriver() {
  for (const char* p : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
                        "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                        "/usr/lib/odbc/libsqlite3odbc.so"}) {
    if (std::filesystem::exists(p)) return p;
  }
  return {};
}

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_SUPPORT_ODBC_DRIVER_H_
