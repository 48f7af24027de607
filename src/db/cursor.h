// Cursors: an open statement over a query's result that the caller walks row
// by row, reading values lazily through a record array.
//
// Calling order: CREARCURSOR; while a row is current (the found flag, then
// SKIPSQL's result) read values with VCC; SKIPSQL to move on until it
// returns 0; LIBERACURSOR always, also when no row came. A cursor also frees
// its statement when destroyed.
#ifndef KELMAR_DB_CURSOR_H_
#define KELMAR_DB_CURSOR_H_

#include <memory>
#include <string_view>

#include "db/engine/connection.h"
#include "db/record_array.h"

namespace kelmar {

struct Context;

// The cursor handle. A default-constructed (or failed, or released) cursor
// is handle 0: no statement open.
class Cursor {
 public:
  Cursor() = default;
  explicit Cursor(std::shared_ptr<Statement> statement)
      : statement_(std::move(statement)) {}
  Cursor(Cursor&&) = default;
  Cursor& operator=(Cursor&&) = default;
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  bool open() const { return statement_ != nullptr; }
  Statement* statement() const { return statement_.get(); }
  std::weak_ptr<Statement> weak() const { return statement_; }
  void Release() { statement_.reset(); }

 private:
  // Shared only so record arrays can tell when it has been freed.
  std::shared_ptr<Statement> statement_;
};

// CREARCURSOR: runs `sql` (written to the SQL log first when the switch is
// on), fetches the first row and fills `rows` with one entry per result
// column, with the cursor's blanks. A `rows` that already holds entries is
// reported in the event log and emptied first. *found becomes
// true exactly when a row came. When no statement can be allocated the
// result is handle 0, `rows` stays empty and *found is left unchanged; when
// the statement fails the result is handle 0, *found false, `rows` empty.
Cursor CREARCURSOR(const Context& ctx, RecordArray* rows, std::string_view sql,
                   bool* found);

// SKIPSQL: moves to the next row (every entry becomes unread). Returns 1, or
// 0 at the end. `count` has no effect.
int SKIPSQL(Cursor& cursor, RecordArray* rows, int count = 1);

// LIBERACURSOR: frees the statement; a released cursor is handle 0.
void LIBERACURSOR(Cursor& cursor);

}  // namespace kelmar

#endif  // KELMAR_DB_CURSOR_H_
