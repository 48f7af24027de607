// SQL Server column types as the embedded engine stores and describes them.
//
// Tables keep their columns' declared T-SQL type as SQLite's declared type
// ("char(10)", "decimal(18,2)", "datetime"); an identity column is the
// table's "INTEGER PRIMARY KEY AUTOINCREMENT" (its rowid).
#ifndef KELMAR_DB_ENGINE_EMBEDDED_TSQL_TYPES_H_
#define KELMAR_DB_ENGINE_EMBEDDED_TSQL_TYPES_H_

#include <string>
#include <string_view>
#include <vector>

#include "db/engine/connection.h"

namespace kelmar {

struct TsqlType {
  enum Kind {
    kUnknown,
    kChar,     // char(n), nchar(n): stored padded to `length`
    kVarchar,  // varchar(n), nvarchar(n); length 0 for (max)
    kText,     // text, ntext
    kInt,      // int, smallint, tinyint, bigint, INTEGER (identity)
    kBit,
    kFloat,     // float, real
    kDecimal,   // decimal(p,s), numeric(p,s), money
    kDatetime,  // datetime, smalldatetime, date
    kBinary,    // image, binary, varbinary
  };
  Kind kind = kUnknown;
  int length = 0;
  int precision = 0;
  int scale = 0;
  bool wide = false;  // n-prefixed text types
  std::string base;   // lower-case type name as declared ("smallint")

  bool IsText() const {
    return kind == kChar || kind == kVarchar || kind == kText;
  }
};

// Parses a declared type such as "char(10)", "decimal(18, 0)", "INTEGER".
TsqlType ParseTsqlType(std::string_view declared);

// The canonical declared form written into SQLite: lower case, no blanks.
std::string CanonicalTypeText(const TsqlType& t);

// Fills sql_type, column_size and decimal_digits as SQL Server's driver
// reports a column of type `t`.
void DescribeTsqlType(const TsqlType& t, ColumnDescription* d);

// One column of a table, as the engine's catalog knows it.
struct TableColumn {
  std::string name;
  std::string declared;  // SQLite's declared type
  TsqlType type;
  bool identity = false;
  bool not_null = false;
  std::string default_sql;  // SQLite text of the default, empty when none
};

struct TableInfo {
  std::string name;
  std::vector<TableColumn> columns;
  bool has_identity = false;

  // Column by name, any letter case; nullptr when absent.
  const TableColumn* Find(std::string_view column) const;
};

// Case-insensitive ASCII comparison of names.
bool SameName(std::string_view a, std::string_view b);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_EMBEDDED_TSQL_TYPES_H_
