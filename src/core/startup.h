// The start-up routine MAIN: turns the process into a running server and
// serves until SIGINT or SIGTERM.
//
// core/ knows neither the database nor the HTTP layer: the composition
// root (src/main.cc) hands MAIN the stages those layers provide, and MAIN
// runs them in their place in the start-up order. An empty stage is
// skipped.
//
// Headless behaviour: a stop message goes to standard error and MAIN
// returns 1; an operator message that does not stop the start goes to
// standard error and start-up goes on. Messages are written as
// "<title>: <text>" (or just the text when there is no title) in UTF-8.
#ifndef KELMAR_CORE_STARTUP_H_
#define KELMAR_CORE_STARTUP_H_

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "asio/io_context.hpp"
#include "core/context.h"
#include "platform/status.h"

namespace kelmar {

struct StartupStages {
  // Step 6: opens the one database connection into ctx.odbc (the settings
  // are in *ctx.inicio). A failure stops the start; the Status message is
  // the stop message (code page 1252).
  std::function<Status(Context& ctx)> open_database;
  // Step 9: completes the company data in *ctx.inicio (cRazonSocial, cRut,
  // cPais, Iva) and sets ctx.def_redon. A failure stops the start; the
  // Status message is the stop message.
  std::function<Status(Context& ctx)> load_company;
  // Step 10: fills ctx.tabmacro. A failure stops the start.
  std::function<Status(Context& ctx)> load_formula_variables;
  // Step 11: creates the server's own tables. A failure is reported with
  // the operator message "Algunas o todas las tablas de datos no pudieron
  // ser creadas..." and start-up goes on.
  std::function<Status(Context& ctx)> create_tables;
  // Step 12: the column and index upgrade. A failure's message is shown as
  // an operator message and start-up goes on.
  std::function<Status(Context& ctx)> upgrade_schema;
  // Step 15: creates and starts the HTTP listener for ctx.inicio->cIpPuerto
  // on `io` (the one serving thread runs `io` until the process is told to
  // stop). The stage keeps what it creates alive. A failure stops the
  // start; the Status message is the stop message.
  std::function<Status(Context& ctx, asio::io_context& io)> start_listener;
};

// Seams for tests; the defaults are those of the real process.
struct MainOptions {
  Clock* clock = nullptr;       // null: SystemClock()
  std::string workdir;          // empty: the current folder
  std::string lock_folder;      // empty: InstanceLock::DefaultFolder()
  std::ostream* out = nullptr;  // null: std::cout
  std::ostream* err = nullptr;  // null: std::cerr
  // Stop serving when these signals arrive (SIGINT and SIGTERM when empty).
  std::vector<int> stop_signals;
};

// Runs start-up with the command line `argv` (argv[0] is the program path
// as started; of the rest, the first four are examined for "P=", "D=",
// "C=" and "I=") and serves until a stop signal. Returns the exit status:
// 0 after a stop signal, 1 when start-up was stopped.
int MAIN(const std::vector<std::string>& argv, const StartupStages& stages,
         const MainOptions& options = MainOptions());

// Creates the web folder `root_path` when missing and writes its default
// page "default.htm" when that file does not exist; an existing page is
// never touched. `root` is the folder as configured, used in the page's
// link.
Status WriteDefaultPage(const std::string& root_path, const std::string& root);

// Deletes, in `folder`, the files matching "_*.gz" or "*.DBF" (letter case
// ignored) that earlier runs left behind: `keep` (a file name) and files
// another running copy holds locked stay.
void DeleteLeftovers(const std::string& folder, const std::string& keep);

}  // namespace kelmar

#endif  // KELMAR_CORE_STARTUP_H_
