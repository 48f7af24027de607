#include "db/cursor.h"

#include "core/context.h"
#include "db/db_logs.h"

namespace kelmar {

Cursor CREARCURSOR(const Context& ctx, RecordArray* rows, std::string_view sql,
                   bool* found) {
  rows->set_logs(ctx.logs);
  if (!rows->empty()) {
    // Entries are matched to result columns by position: leftovers of an
    // earlier query would shift every column.
    LogDbError(ctx.logs,
               "ERROR en CREARCURSOR(), arreglo de registro no vacio");
    rows->Clear();
  }
  std::unique_ptr<Statement> allocated =
      ctx.odbc != nullptr ? ctx.odbc->NewStatement() : nullptr;
  if (allocated == nullptr) return Cursor();
  LogSql(ctx, sql);
  std::shared_ptr<Statement> statement(std::move(allocated));
  if (!statement->Execute(sql).ok()) {
    if (found != nullptr) *found = false;
    return Cursor();
  }
  bool has_row = false;
  if (!statement->Fetch(&has_row).ok()) has_row = false;
  if (found != nullptr) *found = has_row;
  for (int i = 0; i < statement->ColumnCount(); ++i) {
    rows->Append(MakeColumnEntry(statement->Column(i), EntryKind::kCursor));
  }
  Cursor cursor(std::move(statement));
  rows->AttachStatement(cursor.weak());
  return cursor;
}

int SKIPSQL(Cursor& cursor, RecordArray* rows, int /*count*/) {
  rows->MarkAllUnread();
  if (!cursor.open()) return 0;
  bool has_row = false;
  if (!cursor.statement()->Fetch(&has_row).ok()) return 0;
  return has_row ? 1 : 0;
}

void LIBERACURSOR(Cursor& cursor) { cursor.Release(); }

}  // namespace kelmar
