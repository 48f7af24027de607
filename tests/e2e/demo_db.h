// Builds embedded test databases from the demo ERP scripts.
//
// End-to-end tests need a database that looks like the ERP's: they start from
// demo/erp-schema.sql (every ERP table the server touches), optionally the
// demo company of demo/erp-seed.sql, and add a few rows of their own:
//
//   std::string db = dir + "/erp.db";
//   ASSERT_TRUE(CreateDemoDatabase(db, DemoData::kSchemaOnly,
//       "INSERT INTO TABFU (KOFU, PWFU) VALUES ('V01', '...')").ok());
//
// The server is then pointed at it with "ODBC.DSN=sqlite:erp.db" in the test's
// program folder. Scripts are split into batches at lines that hold only
// "go" (any case, blanks around it allowed), as kelmar-sql splits them, and
// run through the embedded engine directly.
#ifndef KELMAR_TESTS_E2E_DEMO_DB_H_
#define KELMAR_TESTS_E2E_DEMO_DB_H_

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "db/engine/connection.h"
#include "platform/clock.h"
#include "platform/status.h"

namespace kelmar {
namespace testsupport {

enum class DemoData {
  kSchemaOnly,  // the ERP's tables, empty
  kSeed,        // plus the demo company
};

// The demo scripts in the source tree.
inline std::string DemoSchemaPath() {
  return std::string(KELMAR_SOURCE_DIR) + "/demo/erp-schema.sql";
}
inline std::string DemoSeedPath() {
  return std::string(KELMAR_SOURCE_DIR) + "/demo/erp-seed.sql";
}

// Reads a whole file as bytes. False when it cannot be opened.
inline bool ReadFileBytes(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *out = buffer.str();
  return true;
}

// True when `batch` holds nothing but blanks, line ends and "--" comment
// lines; kelmar-sql does not send such batches.
inline bool IsEmptyBatch(std::string_view batch) {
  size_t pos = 0;
  while (pos < batch.size()) {
    size_t end = batch.find('\n', pos);
    if (end == std::string_view::npos) end = batch.size();
    std::string_view line = batch.substr(pos, end - pos);
    size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string_view::npos && line.substr(first, 2) != "--") {
      return false;
    }
    pos = end + 1;
  }
  return true;
}

// Splits script text into batches at "go" lines, as kelmar-sql does. Empty
// batches (see IsEmptyBatch) are dropped; CR LF and LF both end lines.
inline std::vector<std::string> SplitGoBatches(std::string_view script) {
  std::vector<std::string> batches;
  std::string current;
  auto flush = [&] {
    if (!IsEmptyBatch(current)) batches.push_back(current);
    current.clear();
  };
  size_t pos = 0;
  while (pos < script.size()) {
    size_t end = script.find('\n', pos);
    size_t next = end == std::string_view::npos ? script.size() : end + 1;
    std::string_view line = script.substr(pos, next - pos);
    size_t first = line.find_first_not_of(" \t\r\n");
    size_t last = line.find_last_not_of(" \t\r\n");
    bool is_go = first != std::string_view::npos && last - first == 1 &&
                 (line[first] == 'g' || line[first] == 'G') &&
                 (line[last] == 'o' || line[last] == 'O');
    if (is_go) {
      flush();
    } else {
      current.append(line);
    }
    pos = next;
  }
  flush();
  return batches;
}

// Runs every batch of `script` on `connection`, stopping at the first that
// fails; the error names the batch by its number and first line.
inline Status RunScript(Connection* connection, std::string_view script,
                        std::string_view name) {
  std::vector<std::string> batches = SplitGoBatches(script);
  for (size_t i = 0; i < batches.size(); ++i) {
    std::unique_ptr<Statement> statement = connection->NewStatement();
    Status s = statement->Execute(batches[i]);
    if (!s.ok()) {
      std::string head = batches[i].substr(0, batches[i].find('\n', 1));
      return Status::Error(std::string(name) + " batch " +
                           std::to_string(i + 1) + " (" + head +
                           "): " + s.message());
    }
  }
  return Status::OK();
}

// Creates a fresh embedded database file at `path` (an existing file there
// is removed first) holding the demo schema, the demo company when `data`
// asks for it, and then `extra_sql` (run in one transaction unless it names
// transactions itself). `clock`, when given, serves the
// engine's date functions while the scripts run (default values such as
// GetDate()); it must outlive the call. On failure the file may hold part
// of the data.
inline Status CreateDemoDatabase(const std::string& path, DemoData data,
                                 std::string_view extra_sql = {},
                                 Clock* clock = nullptr) {
  std::remove(path.c_str());
  std::remove((path + "-journal").c_str());
  FixedClock default_clock(LocalTime{2026, 12, 11, 9, 0, 0, 0, 5});
  std::unique_ptr<Connection> connection;
  Status s = OpenEmbeddedConnection(
      path, clock != nullptr ? clock : &default_clock, &connection);
  if (!s.ok()) return s;

  std::vector<std::string> files = {DemoSchemaPath()};
  if (data == DemoData::kSeed) files.push_back(DemoSeedPath());
  for (const std::string& file : files) {
    std::string script;
    if (!ReadFileBytes(file, &script)) {
      return Status::Error("cannot read " + file);
    }
    s = RunScript(connection.get(), script, file);
    if (!s.ok()) return s;
  }
  // One transaction for the test's rows too (one disk sync instead of one per
  // statement), unless the text manages transactions itself.
  bool own_transaction = false;
  for (size_t i = 0; i + 11 <= extra_sql.size() && !own_transaction; ++i) {
    own_transaction = true;
    for (size_t j = 0; j < 11; ++j) {
      char c = extra_sql[i + j];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != "TRANSACTION"[j]) own_transaction = false;
    }
  }
  if (own_transaction || IsEmptyBatch(extra_sql)) {
    return RunScript(connection.get(), extra_sql, "extra SQL");
  }
  s = RunScript(connection.get(), "BEGIN TRANSACTION", "extra SQL");
  if (s.ok()) s = RunScript(connection.get(), extra_sql, "extra SQL");
  Status end = RunScript(connection.get(),
                         s.ok() ? "COMMIT TRANSACTION" : "ROLLBACK TRANSACTION",
                         "extra SQL");
  return s.ok() ? end : s;
}

}  // namespace testsupport
}  // namespace kelmar

#endif  // KELMAR_TESTS_E2E_DEMO_DB_H_
