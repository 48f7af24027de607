// Rewrites a T-SQL batch into the steps the embedded engine runs on SQLite.
//
// Plain statements become SQLite text with the dialect's constructs mapped
// onto SQLite or onto the tsql_* functions (functions.h). What SQLite cannot
// express in one statement (IF/ELSE, transactions as text, SELECT INTO,
// DROP of a missing table, sp_MShelpindex, column changes that need a table
// rebuild) becomes a step of its own that the connection carries out.
#ifndef KELMAR_DB_ENGINE_EMBEDDED_TSQL_TRANSLATOR_H_
#define KELMAR_DB_ENGINE_EMBEDDED_TSQL_TRANSLATOR_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/engine/embedded/tsql_types.h"
#include "platform/status.h"

namespace kelmar {

// What the statement text tells about a result column, beyond what SQLite
// reports: CAST(x AS CHAR(7)) is a 7-wide char column whatever its values.
struct ColumnHint {
  int sql_type = 0;  // 0: no hint
  uint64_t size = 0;
  int digits = 0;
  // False for an expression without an alias: SQL Server leaves its name
  // empty, where SQLite would name it by its text.
  bool named = true;
};

struct TsqlStep {
  enum Kind {
    kSql,  // run `sql` in order; the last may return rows
    kIf,   // sql[0] answers one row with 1 or 0; then/else steps
    kBeginTran,
    kCommitTran,
    kRollbackTran,
    kSelectInto,   // create `table` from the query sql[0] and fill it
    kDropTable,    // drop `table`, failing like SQL Server when missing
    kHelpIndex,    // sp_MShelpindex on `table`
    kAddColumn,    // add `column` to `table`, rebuilding it when needed
    kAlterColumn,  // change `column`'s type in `table` (rebuild)
    kFail,         // fails with `message` when reached
    kBlock,        // runs then_steps in order
    kDeferred,     // sql[0] names a table missing at translation: translate
                   // and run it when reached (CREATE and INSERT in one batch)
  };
  Kind kind = kSql;
  std::vector<std::string> sql;
  std::vector<ColumnHint> hints;
  std::string table;
  TableColumn column;
  bool schema_change = false;
  bool inserts = false;  // an INSERT: @@IDENTITY follows it
  bool identity_table = false;
  std::string message;
  std::vector<TsqlStep> then_steps;
  std::vector<TsqlStep> else_steps;
};

// The catalog the translator consults for INSERT, UPDATE and CREATE.
class TableLookup {
 public:
  virtual ~TableLookup() = default;
  // The table's columns, or nullptr when there is no such table.
  virtual const TableInfo* FindTable(const std::string& name) = 0;
};

// Translates `sql`. A statement that cannot be translated becomes a kFail
// step in its place, so the statements before it still run; the result is
// an error only when the batch cannot even be split into statements.
//
// `sql` may hold "?N" parameters in place of text literals (ParameterizeTsql);
// they stay in the output for the connection to bind. When a statement
// needs a literal's text to be translated (DDL, EXEC arguments),
// *needs_literals is set and the caller translates the original text
// instead.
Status TranslateTsql(std::string_view sql, TableLookup* lookup,
                     std::vector<TsqlStep>* out, bool* needs_literals);

// Builds the SQLite column definition of `c` ("\"NAME\" char(3) COLLATE
// KELMAR_CI_AS NOT NULL DEFAULT ..."), as CREATE TABLE and table rebuilds
// write it.
std::string SqliteColumnDefinition(const TableColumn& c);

// True when a column default's SQLite text is a literal (SQLite can add such
// a column in place; an expression default needs a table rebuild).
bool DefaultIsLiteral(const std::string& sql);

// Quotes an identifier for SQLite.
std::string QuoteName(std::string_view name);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_EMBEDDED_TSQL_TRANSLATOR_H_
