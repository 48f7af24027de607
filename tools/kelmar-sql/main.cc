// kelmar-sql: runs a T-SQL script against a database.
//
//   kelmar-sql DSN [FILE]
//
// DSN is "sqlite:PATH" for the embedded engine (the file is created when
// missing), an ODBC connection string when it holds "=", else an ODBC data
// source name. The script (FILE, or standard input) is cut into batches at
// lines that hold only "go", so the server's SQL log files replay as they
// are. Each result set prints a line of column names and a line per row,
// every item followed by "|"; a failed batch prints the driver's message on
// standard error and the run goes on. Exit status: 0 when every batch ran,
// 1 when any failed, 2 on wrong usage.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "db/engine/connection.h"
#include "db/engine/result_text.h"
#include "platform/clock.h"

namespace kelmar {
namespace {

std::string_view TrimLine(std::string_view s) {
  auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
  };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsGo(std::string_view line) {
  line = TrimLine(line);
  return line.size() == 2 && (line[0] == 'g' || line[0] == 'G') &&
         (line[1] == 'o' || line[1] == 'O');
}

// Cuts the script at "go" lines. Line ends (LF or CR LF) stay as written
// inside each batch.
std::vector<std::string> SplitBatches(const std::string& script) {
  std::vector<std::string> batches;
  std::string current;
  size_t pos = 0;
  while (pos < script.size()) {
    size_t end = script.find('\n', pos);
    size_t next = end == std::string::npos ? script.size() : end + 1;
    std::string_view line(script.data() + pos, next - pos);
    if (IsGo(line)) {
      batches.push_back(std::move(current));
      current.clear();
    } else {
      current.append(line);
    }
    pos = next;
  }
  batches.push_back(std::move(current));
  return batches;
}

// A batch of nothing but blanks and "--" comments (such as the elapsed-time
// line the SQL log writes after each "go") is not sent: some drivers reject
// an empty statement.
bool IsEmptyBatch(const std::string& batch) {
  std::istringstream in(batch);
  std::string line;
  while (std::getline(in, line)) {
    std::string_view t = TrimLine(line);
    if (!t.empty() && t.substr(0, 2) != "--") return false;
  }
  return true;
}

Status Open(const std::string& dsn, std::unique_ptr<Connection>* conn) {
  if (dsn.rfind("sqlite:", 0) == 0) {
    return OpenEmbeddedConnection(dsn.substr(7), SystemClock(), conn);
  }
  if (dsn.find('=') != std::string::npos) return OpenOdbcConnection(dsn, conn);
  return OpenOdbcConnection("DSN=" + dsn, conn);
}

// Prints every result of the batch. Returns false (after reporting) when
// the batch or one of its results failed.
bool RunBatch(Connection* conn, const std::string& batch) {
  std::unique_ptr<Statement> stmt = conn->NewStatement();
  Status st = stmt->Execute(batch);
  std::string out;
  if (st.ok()) st = AppendResultText(stmt.get(), &out);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (st.ok()) return true;
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", st.message().c_str());
  std::fflush(stderr);
  return false;
}

int Main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: kelmar-sql DSN [FILE]\n");
    return 2;
  }
  std::string script;
  if (argc == 3) {
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[2]);
      return 1;
    }
    script.assign(std::istreambuf_iterator<char>(in), {});
  } else {
    script.assign(std::istreambuf_iterator<char>(std::cin), {});
  }
  // Windows editors may put a UTF-8 byte order mark in front; it is not
  // part of any statement.
  if (script.rfind("\xEF\xBB\xBF", 0) == 0) script.erase(0, 3);
  std::unique_ptr<Connection> conn;
  Status st = Open(argv[1], &conn);
  if (!st.ok()) {
    std::fprintf(stderr, "%s\n", st.message().c_str());
    return 1;
  }
  bool failed = false;
  for (const std::string& batch : SplitBatches(script)) {
    if (IsEmptyBatch(batch)) continue;
    if (!RunBatch(conn.get(), batch)) failed = true;
  }
  std::fflush(stdout);
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace kelmar

int main(int argc, char** argv) { return kelmar::Main(argc, argv); }
