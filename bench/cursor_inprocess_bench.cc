// The database limit of the "cursor=" gateway: the same query through the
// same routine the router calls (CURSORES), on the same database file, in
// this process and without HTTP. The server's rate for that query divided
// by this one is what HTTP, framing and the per-request bookkeeping cost.
//
// Usage (load.sh passes both; they are read before Google Benchmark's own
// flags):
//   cursor_inprocess_bench --db=PATH --query=TEXT [--rows=N] [benchmark flags]
// TEXT is the query as it follows "cursor=" in the request, percent escapes
// included, so the gateway decodes it the way it decodes a request. With
// --rows the run stops at once, before measuring, when the answer does not
// hold exactly N rows: a broken query must not pass for a fast one.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "core/logs.h"
#include "db/engine/connection.h"
#include "db/gateway.h"
#include "platform/clock.h"

namespace {

struct Options {
  std::string db;
  std::string query;
  long rows = -1;
};

Options& TheOptions() {
  static Options options;
  return options;
}

// Rows of a CURSORES answer: the line of column names, then one CR LF-ended
// line per row. A failed query answers "0 data|" and has none.
long RowsOf(const std::string& answer) {
  if (answer.rfind("0 data|", 0) == 0) return 0;
  long lines = 0;
  for (size_t p = answer.find("\r\n"); p != std::string::npos;
       p = answer.find("\r\n", p + 2)) {
    ++lines;
  }
  return lines > 0 ? lines - 1 : 0;
}

// The server's own setup: one connection for the process, the logs object
// with both switches off (as they are unless an operator turns them on).
class Gateway {
 public:
  Gateway() : clock_(kelmar::SystemClock()), logs_(clock_) {
    kelmar::Status s =
        kelmar::OpenEmbeddedConnection(TheOptions().db, clock_, &conn_);
    if (!s.ok()) {
      std::fprintf(stderr, "cursor_inprocess_bench: %s: %s\n",
                   TheOptions().db.c_str(), s.message().c_str());
      std::exit(1);
    }
    ctx_.odbc = conn_.get();
    ctx_.logs = &logs_;
    ctx_.clock = clock_;
    ctx_.empresa = "01";
  }
  void Run(std::string* answer) {
    kelmar::CURSORES(ctx_, TheOptions().query, answer);
  }

 private:
  kelmar::Clock* clock_;
  kelmar::Logs logs_;
  std::unique_ptr<kelmar::Connection> conn_;
  kelmar::Context ctx_;
};

void BM_CursorInProcess(benchmark::State& state) {
  Gateway gateway;
  std::string answer;
  gateway.Run(&answer);
  long rows = RowsOf(answer);
  if (TheOptions().rows >= 0 && rows != TheOptions().rows) {
    state.SkipWithError("the query does not return the expected rows");
    return;
  }
  for (auto _ : state) {
    gateway.Run(&answer);
    benchmark::DoNotOptimize(answer.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["answer_bytes"] = static_cast<double>(answer.size());
}
BENCHMARK(BM_CursorInProcess)->UseRealTime();

bool TakeOption(std::string_view arg, std::string_view name,
                std::string* value) {
  if (arg.substr(0, name.size()) != name) return false;
  *value = std::string(arg.substr(name.size()));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  rest.push_back(argv[0]);
  for (int i = 1; i < argc; ++i) {
    std::string rows;
    if (TakeOption(argv[i], "--db=", &TheOptions().db) ||
        TakeOption(argv[i], "--query=", &TheOptions().query)) {
      continue;
    }
    if (TakeOption(argv[i], "--rows=", &rows)) {
      TheOptions().rows = std::strtol(rows.c_str(), nullptr, 10);
      continue;
    }
    rest.push_back(argv[i]);
  }
  if (TheOptions().db.empty() || TheOptions().query.empty()) {
    std::fprintf(stderr,
                 "usage: cursor_inprocess_bench --db=PATH --query=TEXT "
                 "[--rows=N] [benchmark flags]\n");
    return 2;
  }
  int rest_count = static_cast<int>(rest.size());
  benchmark::Initialize(&rest_count, rest.data());
  if (benchmark::ReportUnrecognizedArguments(rest_count, rest.data())) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
