// 1,000 single-row autocommit INSERTs through the embedded engine, the
// shape of the per-request journal row every device call writes. Each
// iteration is one full loop on a fresh file, so the figure includes every
// commit's sync.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "db/engine/connection.h"
#include "platform/clock.h"

namespace {

constexpr int kInserts = 1000;

std::string DbPath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() /
       ("kelmar_write_bench_" + std::to_string(::getpid()) + ".db"))
          .string();
  return path;
}

void RemoveDb() {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(DbPath() + suffix);
}

void Inserts(benchmark::State& state) {
  kelmar::FixedClock clock(kelmar::LocalTime{2024, 3, 5, 10, 0, 0, 0, 2});
  for (auto _ : state) {
    state.PauseTiming();
    RemoveDb();
    std::unique_ptr<kelmar::Connection> conn;
    if (!kelmar::OpenEmbeddedConnection(DbPath(), &clock, &conn).ok())
      std::abort();
    auto st = conn->NewStatement();
    if (!st->Execute("CREATE TABLE PDALOG (ID int IDENTITY(1,1) NOT NULL, "
                     "KOFU char(3), FECHA datetime, ACCION varchar(40))")
             .ok())
      std::abort();
    state.ResumeTiming();
    for (int i = 0; i < kInserts; ++i) {
      if (!st->Execute("INSERT INTO PDALOG (KOFU,FECHA,ACCION) VALUES ('" +
                       std::to_string(i % 100) +
                       "','2024-03-05 10:00:00','Login correcto')")
               .ok())
        std::abort();
    }
  }
  RemoveDb();
}

BENCHMARK(Inserts)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
