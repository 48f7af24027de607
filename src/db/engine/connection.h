// The database engine seam. Everything above this layer talks to the database
// through Connection and Statement, whatever backend serves them: the ODBC
// driver manager (production, SQL Server) or the embedded engine (SQLite
// speaking the SQL Server dialect).
//
// All text is SQL Server (T-SQL) text in code page 1252 bytes. Values come
// back as character data exactly as SQL Server's ODBC driver renders them
// (datetime "yyyy-mm-dd hh:mm:ss.mmm", bit "1"/"0", ...).
#ifndef KELMAR_DB_ENGINE_CONNECTION_H_
#define KELMAR_DB_ENGINE_CONNECTION_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace kelmar {

class Clock;

// ODBC SQL type codes as SQL Server's driver reports them.
enum SqlType : int {
  kSqlChar = 1,
  kSqlNumeric = 2,
  kSqlDecimal = 3,
  kSqlInteger = 4,
  kSqlSmallInt = 5,
  kSqlFloat = 6,
  kSqlReal = 7,
  kSqlDouble = 8,
  kSqlTimestamp = 93,
  kSqlVarchar = 12,
  kSqlLongVarchar = -1,
  kSqlBinary = -2,
  kSqlVarBinary = -3,
  kSqlLongVarBinary = -4,
  kSqlBigInt = -5,
  kSqlTinyInt = -6,
  kSqlBit = -7,
  kSqlWChar = -8,
  kSqlWVarchar = -9,
  kSqlWLongVarchar = -10,
};

struct ColumnDescription {
  std::string name;
  int sql_type = kSqlVarchar;  // one of SqlType
  uint64_t column_size = 0;    // characters for text, precision for numbers
  int decimal_digits = 0;
  bool nullable = true;
};

// One statement handle. Not thread-safe; owned by its creator and destroyed
// before its Connection.
class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  virtual ~Statement() = default;

  // Runs `sql`, which may hold several statements (a batch). On success the
  // statement is positioned on the first result that has columns, if any.
  // On failure returns the driver's message (at most 256 characters); the
  // statements of a batch that ran before the failing one stay done.
  virtual Status Execute(std::string_view sql) = 0;

  // Columns of the current result; 0 when it has none.
  virtual int ColumnCount() const = 0;
  // Requires 0 <= i < ColumnCount().
  virtual const ColumnDescription& Column(int i) const = 0;

  // Advances to the next row of the current result. Sets *has_row to false
  // past the last row.
  virtual Status Fetch(bool* has_row) = 0;

  // Reads column i (0-based) of the current row as character data. Columns
  // must be read in increasing order within a row, as ODBC's SQLGetData
  // requires; each column at most once. *is_null tells SQL NULL (value
  // then empty).
  virtual Status GetText(int i, std::string* value, bool* is_null) = 0;

  // Moves to the next result of a batch that has columns. Sets *has_more to
  // false when there is none.
  virtual Status NextResult(bool* has_more) = 0;
};

// One open database connection. Several statements may be open at once on
// it. Autocommit is on; "BEGIN TRANSACTION", "COMMIT TRANSACTION" and
// "ROLLBACK TRANSACTION" sent as statement text span whatever runs in between
// on this connection.
class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  virtual ~Connection() = default;

  virtual std::unique_ptr<Statement> NewStatement() = 0;
};

// Opens the embedded engine on the SQLite file at `path`, creating it when
// missing. "Today" and "now" of the engine's date functions come from
// `clock`, which must outlive the connection.
Status OpenEmbeddedConnection(const std::string& path, Clock* clock,
                              std::unique_ptr<Connection>* out);

// Opens an ODBC connection with SQLDriverConnect on `connection_string`
// ("DSN=...;UID=...;PWD=..." or a "DRIVER=..." string). On failure returns
// the driver manager's message.
Status OpenOdbcConnection(const std::string& connection_string,
                          std::unique_ptr<Connection>* out);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_CONNECTION_H_
