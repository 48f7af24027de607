// Scalar functions that give the embedded engine SQL Server's semantics.
// The T-SQL rewriter turns calls and operators of the dialect into calls of
// these functions; they are registered on every embedded connection.
//
// Storage conventions of the embedded engine, which these functions rely on:
//   char(n), varchar(n), text : TEXT (char(n) stored padded to n blanks)
//   int, bit                  : INTEGER (bit 0 or 1)
//   float, decimal(p,s)       : REAL
//   datetime                  : TEXT "yyyy-mm-dd hh:mm:ss.mmm"
//
// Functions (all names prefixed "tsql_" so they never clash with SQLite's
// own or its keywords such as LEFT):
//   tsql_getdate()                    now from the Clock, as a datetime
//   tsql_convert(type, value, style)  CONVERT/CAST: type is the target's
//                                     text as written ("varchar(45)",
//                                     "datetime", "float", "char(10)", ...),
//                                     style an integer or NULL
//   tsql_add(a, b)                    "+": texts concatenate, else numbers add
//   tsql_len, tsql_charindex, tsql_left, tsql_right, tsql_substring,
//   tsql_ltrim, tsql_rtrim, tsql_upper, tsql_lower, tsql_replace,
//   tsql_round, tsql_year, tsql_month, tsql_day, tsql_isnull,
//   tsql_datediff, tsql_dateadd       as SQL Server's functions of that name
//   tsql_pad(value, n)                fixed-width char(n) storage: pads with
//                                     blanks; fails with SQL Server's
//                                     truncation message when longer
//   tsql_checklen(value, n)           varchar(n) storage: the value, or the
//                                     truncation failure when longer
#ifndef KELMAR_DB_ENGINE_EMBEDDED_FUNCTIONS_H_
#define KELMAR_DB_ENGINE_EMBEDDED_FUNCTIONS_H_

#include <string>

#include "platform/status.h"

struct sqlite3;

namespace kelmar {

class Clock;

// SQL Server's message for a value too long for its column.
inline constexpr char kTruncationMessage[] =
    "String or binary data would be truncated.";

// Registers every function above on `db`. `clock` must outlive `db`.
Status RegisterTsqlFunctions(sqlite3* db, Clock* clock);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_EMBEDDED_FUNCTIONS_H_
