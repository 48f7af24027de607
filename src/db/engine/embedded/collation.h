// Text comparison of the embedded engine, the way SQL Server's usual
// collation compares: letter case does not matter, accents do, and trailing
// blanks are ignored ('ABC' = 'abc  ', 'a' <> 'á').
//
// Text columns created by the engine are declared with kTextCollation, so
// equality, ordering, GROUP BY, DISTINCT, UNION and indexes on them follow
// it. LIKE is replaced by the dialect's LIKE under the same folding.
//
// Databases written before this collation declared their text columns
// COLLATE RTRIM: those columns keep comparing with letter case until their
// table is rebuilt (any ALTER COLUMN, or an ADD that needs a rebuild),
// which writes the new collation. A database file holding the collation
// can only be queried where it is registered: kelmar-sql and the server,
// not a bare sqlite3 shell.
#ifndef KELMAR_DB_ENGINE_EMBEDDED_COLLATION_H_
#define KELMAR_DB_ENGINE_EMBEDDED_COLLATION_H_

#include <string_view>

#include "platform/status.h"

struct sqlite3;

namespace kelmar {

inline constexpr char kTextCollation[] = "KELMAR_CI_AS";

// Orders `a` and `b` (negative, zero, positive) by code page 1252 bytes
// with letters folded to lower case and trailing blanks removed.
int CompareText1252(std::string_view a, std::string_view b);

// T-SQL's `value LIKE pattern`: "%" any run, "_" any one character,
// "[abc]", "[a-f]" and "[^abc]" sets, `escape` (or -1 for none) making the
// next pattern character literal. Letters match without regard to case;
// trailing blanks of `value` are ignored, those of `pattern` are not.
bool Like1252(std::string_view value, std::string_view pattern, int escape);

// Registers kTextCollation and the LIKE above (SQLite's like() with two and
// three arguments) on `db`.
Status RegisterTextCollation(sqlite3* db);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_EMBEDDED_COLLATION_H_
