// The few database operations the device commands need, over the request's
// one connection. Rows come back as the database's character data.
#ifndef KELMAR_MOBILE_DB_LOOKUP_H_
#define KELMAR_MOBILE_DB_LOOKUP_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/context.h"

namespace kelmar {

// One result row: {column name as the database names it, text}. NULL reads
// as empty text; fixed-width text keeps its trailing blanks.
class DbRow {
 public:
  // The value of the column whose name equals `name` ignoring case; empty
  // when there is none.
  const std::string& Get(std::string_view name) const;
  std::vector<std::pair<std::string, std::string>>& columns() {
    return columns_;
  }
  const std::vector<std::pair<std::string, std::string>>& columns() const {
    return columns_;
  }

 private:
  std::vector<std::pair<std::string, std::string>> columns_;
};

// A key condition term: column = text value.
using KeyTerm = std::pair<std::string_view, std::string_view>;

// The one-row lookup text of the data layer: "SELECT TOP 1 " + list + " FROM "
// + table + " WITH ( NOLOCK )  WHERE " + the terms joined by " AND ", each
// value a text literal with its quotes doubled.
std::string SeekText(std::string_view table, const std::vector<KeyTerm>& keys,
                     std::string_view select_list);

// Runs `sql` and reads its first row into *row. Returns true when a row
// came. A statement that fails sets *error (when not null) and returns false.
bool QueryFirstRow(Context& ctx, std::string_view sql, DbRow* row, bool* error);

// Runs `sql` and reads every row. Returns false (and sets *error when not
// null) when the statement or a fetch fails; rows read before stay.
bool QueryRows(Context& ctx, std::string_view sql, std::vector<DbRow>* rows,
               bool* error);

// Runs a statement that returns no rows. On failure returns false and sets
// *message (when not null) to the driver's message.
bool ExecuteStatement(Context& ctx, std::string_view sql, std::string* message);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_DB_LOOKUP_H_
