// The smallest database a server starts against: an embedded database
// "erp.db" in the test's program folder whose CONFIGP holds company "01".
#ifndef KELMAR_TESTS_E2E_COMPANY_DB_H_
#define KELMAR_TESTS_E2E_COMPANY_DB_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "db/engine/connection.h"
#include "db/sql_helpers.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace kelmar::testing {

// Runs `statements` on "erp.db" in `dir` (created when missing). False when
// the database cannot be opened.
inline bool RunOnTestDatabase(const TempDir& dir,
                              const std::vector<std::string>& statements) {
  FixedClock clock(LocalTime{2024, 3, 5, 12, 0, 0});
  std::unique_ptr<Connection> db;
  if (!OpenEmbeddedConnection(dir.File("erp.db"), &clock, &db).ok()) {
    return false;
  }
  Context ctx;
  ctx.odbc = db.get();
  bool all = true;
  for (const std::string& sql : statements) {
    std::string error;
    bool ok = EJECUTESQL(ctx, sql, &error);
    EXPECT_TRUE(ok) << sql << "\n" << error;
    all = all && ok;
  }
  return all;
}

inline constexpr char kConfigpTable[] =
    "CREATE TABLE CONFIGP (EMPRESA char(2) NOT NULL, RUT char(12) NULL, "
    "RAZON varchar(50) NULL, PAIS char(10) NULL, IVAPAIS float NULL)";

// The settings that point a server at the test database: the [Conexion]
// section's header and its DSN line, so more [Conexion] keys may follow.
inline constexpr char kTestDatabaseDsn[] =
    "[Conexion]\r\nODBC.DSN=sqlite:erp.db\r\n";

// Creates the database with company "01" ("Kelmar Demo") and returns
// kTestDatabaseDsn, to put first in "WebSrv32.ini".
inline std::string CompanyDatabase(const TempDir& dir) {
  RunOnTestDatabase(dir, {kConfigpTable,
                          "INSERT INTO CONFIGP (EMPRESA,RUT,RAZON,PAIS,"
                          "IVAPAIS) VALUES ('01','76543210-1','Kelmar Demo',"
                          "'CHILE',19)"});
  return kTestDatabaseDsn;
}

// Writes "WebSrv32.ini" for a server on the company database that listens
// on loopback only and allows (`multiple`) or refuses several running
// copies.
inline void WriteCompanySettings(const TempDir& dir, bool multiple) {
  dir.Write("WebSrv32.ini", CompanyDatabase(dir) +
                                "IP.ESCUCHA=127.0.0.1\r\n"
                                "[SESION]\r\nSESION.MULTIPLE=" +
                                (multiple ? "SI" : "NO") + "\r\n");
}

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_E2E_COMPANY_DB_H_
