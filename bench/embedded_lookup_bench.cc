// One-row lookup through the embedded engine against the same query through
// the plain SQLite C API, on the same data. Prints engine time / plain time.
//
// "warm": 64 keys in turn, so the engine's translation and statement caches
// hold every text; "cold": a new key each time out of 20000, so every
// statement text is new to the engine and is lexed, rewritten and prepared.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "db/engine/connection.h"
#include "db/engine/embedded/collation.h"
#include "platform/clock.h"

namespace {

constexpr int kRows = 20000;
constexpr int kWarmKeys = 64;

std::string DbPath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() /
       ("kelmar_lookup_bench_" + std::to_string(::getpid()) + ".db"))
          .string();
  return path;
}

std::string Key(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "P%06d", i);
  return buf;
}

kelmar::FixedClock* TheClock() {
  static kelmar::FixedClock clock(
      kelmar::LocalTime{2024, 3, 5, 10, 0, 0, 0, 2});
  return &clock;
}

void BuildData() {
  std::filesystem::remove(DbPath());
  std::unique_ptr<kelmar::Connection> conn;
  if (!kelmar::OpenEmbeddedConnection(DbPath(), TheClock(), &conn).ok())
    std::abort();
  auto st = conn->NewStatement();
  if (!st->Execute(
             "CREATE TABLE MAEPR (KOPR char(13) NOT NULL, NOKOPR varchar(50), "
             "PRECIO float, CONSTRAINT PK_MAEPR PRIMARY KEY (KOPR))")
           .ok())
    std::abort();
  st->Execute("BEGIN TRANSACTION");
  for (int i = 0; i < kRows; ++i) {
    st->Execute("INSERT INTO MAEPR (KOPR,NOKOPR,PRECIO) VALUES ('" + Key(i) +
                "','Producto " + std::to_string(i) + "'," +
                std::to_string(i * 1.5) + ")");
  }
  st->Execute("COMMIT TRANSACTION");
}

std::string EngineText(int i) {
  return "SELECT TOP 1 KOPR,NOKOPR,PRECIO FROM MAEPR WITH ( NOLOCK )  WHERE "
         "KOPR='" +
         Key(i) + "'";
}
std::string PlainText(int i) {
  return "SELECT KOPR,NOKOPR,PRECIO FROM MAEPR WHERE KOPR='" + Key(i) +
         "' LIMIT 1";
}

void Engine(benchmark::State& state, int keys) {
  std::unique_ptr<kelmar::Connection> conn;
  if (!kelmar::OpenEmbeddedConnection(DbPath(), TheClock(), &conn).ok())
    std::abort();
  int i = 0;
  std::string v;
  bool null = false, row = false;
  for (auto _ : state) {
    auto st = conn->NewStatement();
    if (!st->Execute(EngineText(i++ % keys)).ok()) std::abort();
    st->Fetch(&row);
    for (int c = 0; c < 3; ++c) st->GetText(c, &v, &null);
    benchmark::DoNotOptimize(v);
  }
}

void Plain(benchmark::State& state, int keys) {
  sqlite3* db = nullptr;
  sqlite3_open(DbPath().c_str(), &db);
  // The table's text columns are declared with the engine's collation; the
  // baseline compares with the same one, so the ratio measures the dialect
  // layer, not the comparison rule.
  if (!kelmar::RegisterTextCollation(db).ok()) std::abort();
  int i = 0;
  std::string v;
  for (auto _ : state) {
    std::string sql = PlainText(i++ % keys);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st,
                       nullptr);
    if (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < 3; ++c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        v.assign(reinterpret_cast<const char*>(t), sqlite3_column_bytes(st, c));
      }
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(v);
  }
  sqlite3_close(db);
}

BENCHMARK_CAPTURE(Engine, warm, kWarmKeys);
BENCHMARK_CAPTURE(Plain, warm, kWarmKeys);
BENCHMARK_CAPTURE(Engine, cold, kRows);
BENCHMARK_CAPTURE(Plain, cold, kRows);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.iterations > 0) {
        real_[r.benchmark_name()] = r.GetAdjustedRealTime();
        cpu_[r.benchmark_name()] = r.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() {
    // CPU time is the steadier figure on a shared machine.
    for (const char* kind : {"warm", "cold"}) {
      std::string e = "Engine/" + std::string(kind);
      std::string p = "Plain/" + std::string(kind);
      if (cpu_[p] > 0 && real_[p] > 0)
        std::printf(
            "ratio %s (engine time / plain time): cpu %.2f, real %.2f\n", kind,
            cpu_[e] / cpu_[p], real_[e] / real_[p]);
    }
  }

 private:
  std::map<std::string, double> real_;
  std::map<std::string, double> cpu_;
};

}  // namespace

int main(int argc, char** argv) {
  BuildData();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  std::filesystem::remove(DbPath());
  return 0;
}
