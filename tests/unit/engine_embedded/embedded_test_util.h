// Helpers for tests of the embedded engine: run T-SQL and show the results
// as one text.
#ifndef KELMAR_TESTS_UNIT_ENGINE_EMBEDDED_EMBEDDED_TEST_UTIL_H_
#define KELMAR_TESTS_UNIT_ENGINE_EMBEDDED_EMBEDDED_TEST_UTIL_H_

#include <memory>
#include <string>

#include "db/engine/connection.h"
#include "platform/clock.h"

namespace kelmar {

// 2024-03-05 14:07:09.250 local time, a Tuesday.
inline LocalTime TestNow() {
  LocalTime t;
  t.year = 2024;
  t.month = 3;
  t.day = 5;
  t.hour = 14;
  t.minute = 7;
  t.second = 9;
  t.millisecond = 250;
  return t;
}

// Runs `sql` and renders every result: the column names each followed by
// "|", then one line per row with each value followed by "|" (NULL shown as
// "NULL"); results are separated by "\n--\n". A failure renders as
// "ERROR: " + message.
inline std::string Query(Connection* conn, const std::string& sql) {
  std::unique_ptr<Statement> st = conn->NewStatement();
  Status s = st->Execute(sql);
  if (!s.ok()) return "ERROR: " + s.message();
  std::string out;
  bool more = st->ColumnCount() > 0;
  while (more) {
    if (!out.empty()) out += "\n--\n";
    for (int i = 0; i < st->ColumnCount(); ++i) out += st->Column(i).name + "|";
    bool row = false;
    while (st->Fetch(&row).ok() && row) {
      out += "\n";
      for (int i = 0; i < st->ColumnCount(); ++i) {
        std::string v;
        bool null = false;
        Status g = st->GetText(i, &v, &null);
        if (!g.ok()) return "ERROR: " + g.message();
        out += (null ? "NULL" : v) + "|";
      }
    }
    if (!st->NextResult(&more).ok()) break;
  }
  return out;
}

}  // namespace kelmar

#endif  // KELMAR_TESTS_UNIT_ENGINE_EMBEDDED_EMBEDDED_TEST_UTIL_H_
