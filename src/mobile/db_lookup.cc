#include "mobile/db_lookup.h"

#include <cctype>
#include <memory>

#include "db/engine/connection.h"
#include "mobile/frame.h"

namespace kelmar {
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Reads the current row of `stmt` into *row.
Status ReadRow(Statement& stmt, DbRow* row) {
  row->columns().clear();
  int n = stmt.ColumnCount();
  for (int i = 0; i < n; ++i) {
    std::string value;
    bool is_null = false;
    Status s = stmt.GetText(i, &value, &is_null);
    if (!s.ok()) return s;
    row->columns().emplace_back(stmt.Column(i).name, std::move(value));
  }
  return Status::OK();
}

}  // namespace

const std::string& DbRow::Get(std::string_view name) const {
  static const std::string* const kEmpty = new std::string();
  for (const auto& [n, v] : columns_) {
    if (SameNameIgnoringCase(n, name)) return v;
  }
  return *kEmpty;
}

std::string SeekText(std::string_view table, const std::vector<KeyTerm>& keys,
                     std::string_view select_list) {
  std::string sql = "SELECT TOP 1 ";
  sql += select_list;
  sql += " FROM ";
  sql += table;
  sql += " WITH ( NOLOCK )  WHERE ";
  bool first = true;
  for (const auto& [name, value] : keys) {
    if (!first) sql += " AND ";
    first = false;
    sql += name;
    sql += "='";
    sql += QuoteDoubled(value);
    sql += '\'';
  }
  return sql;
}

bool QueryFirstRow(Context& ctx, std::string_view sql, DbRow* row,
                   bool* error) {
  row->columns().clear();
  if (ctx.odbc == nullptr) {
    if (error != nullptr) *error = true;
    return false;
  }
  std::unique_ptr<Statement> stmt = ctx.odbc->NewStatement();
  bool has_row = false;
  Status s = stmt->Execute(sql);
  if (s.ok()) s = stmt->Fetch(&has_row);
  if (s.ok() && has_row) s = ReadRow(*stmt, row);
  if (!s.ok()) {
    if (error != nullptr) *error = true;
    row->columns().clear();
    return false;
  }
  return has_row;
}

bool QueryRows(Context& ctx, std::string_view sql, std::vector<DbRow>* rows,
               bool* error) {
  if (ctx.odbc == nullptr) {
    if (error != nullptr) *error = true;
    return false;
  }
  std::unique_ptr<Statement> stmt = ctx.odbc->NewStatement();
  Status s = stmt->Execute(sql);
  while (s.ok()) {
    bool has_row = false;
    s = stmt->Fetch(&has_row);
    if (!s.ok() || !has_row) break;
    DbRow row;
    s = ReadRow(*stmt, &row);
    if (s.ok()) rows->push_back(std::move(row));
  }
  if (!s.ok()) {
    if (error != nullptr) *error = true;
    return false;
  }
  return true;
}

bool ExecuteStatement(Context& ctx, std::string_view sql,
                      std::string* message) {
  if (ctx.odbc == nullptr) {
    if (message != nullptr) *message = "sin conexion a base de datos";
    return false;
  }
  std::unique_ptr<Statement> stmt = ctx.odbc->NewStatement();
  Status s = stmt->Execute(sql);
  if (!s.ok() && message != nullptr) *message = s.message();
  return s.ok();
}

}  // namespace kelmar
