#include "core/startup.h"

#include <csignal>
#include <iostream>

#include "asio/signal_set.hpp"
#include "core/config_values.h"
#include "core/logs.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/text1252.h"

namespace kelmar {

namespace {

void Message(std::ostream& err, const std::string& title,
             const std::string& text) {
  if (!title.empty()) err << Cp1252ToUtf8(title) << ": ";
  err << Cp1252ToUtf8(text) << std::endl;
}

std::string Arg(const std::vector<std::string>& argv, size_t i) {
  return i < argv.size() ? argv[i] : std::string();
}

}  // namespace

Status WriteDefaultPage(const std::string& root_path, const std::string& root) {
  Status s = MakeDirs(root_path);
  if (!s.ok()) return s;
  std::string page = JoinPath(root_path, "default.htm");
  if (FileExists(page)) return Status::OK();
  std::string html =
      "<html>\r\n<head>\r\n<title>Kelmar WebServer</title>\r\n</head>\r\n"
      "<body>\r\n<h1>Pagina por default Kelmar WebServer</h1>\r\n"
      "<p><a href='" +
      root + "/reportes'>reportes</a></p></body>\r\n</html>";
  return WriteWholeFile(page, html);
}

void DeleteLeftovers(const std::string& folder, const std::string& keep) {
  for (const std::string& name : ListFiles(folder)) {
    if (name == keep) continue;
    if (!WildcardMatch("_*.gz", name) && !WildcardMatch("*.DBF", name)) {
      continue;
    }
    std::string path = JoinPath(folder, name);
    // A copy allowed to share this folder still writes its activity table;
    // deleting it would lose that copy's rows.
    if (FileLockedByOther(path)) continue;
    RemoveFile(path);
  }
}

int MAIN(const std::vector<std::string>& argv, const StartupStages& stages,
         const MainOptions& options) {
  std::ostream& out = options.out != nullptr ? *options.out : std::cout;
  std::ostream& err = options.err != nullptr ? *options.err : std::cerr;
  Clock* clock = options.clock != nullptr ? options.clock : SystemClock();
  std::string workdir =
      options.workdir.empty() ? CurrentDir() : options.workdir;

  // A client that closes its connection early must cost a failed write,
  // not the process.
  std::signal(SIGPIPE, SIG_IGN);

  // 1. The process-wide values, reached through the one context.
  Logs logs(clock, workdir);
  Context ctx;
  ctx.logs = &logs;
  ctx.clock = clock;
  ctx.def_redon = 0;
  ctx.workdir = workdir;

  // 2. Date conventions are fixed (core/conventions.h).

  // 3. Command line: only the first four arguments count.
  std::vector<std::string> args;
  for (size_t i = 1; i <= 4 && i < argv.size(); ++i) args.push_back(argv[i]);
  std::string dir = workdir;
  std::string ini_name = kSettingsFileName;
  std::string port = PARSEARGS(args, "P=");
  if (std::string d = PARSEARGS(args, "D="); !d.empty()) dir = d;
  if (std::string c = PARSEARGS(args, "C="); !c.empty()) ini_name = c;
  // "I=" starts the window minimised; there is no window to minimise.

  // 4. The settings object.
  TInicio inicio(port, dir, ini_name, clock);
  inicio.cExeFile = ExecutableName();
  ctx.inicio = &inicio;
  ctx.defatmp = inicio.cTmpDir;
  if (!inicio.status().ok()) {
    // The server can still serve; only the activity rows stay in memory.
    Message(err, "ATENCION",
            "No se pudo preparar la carpeta temporal: " +
                inicio.status().message());
  }

  // 5. Single instance.
  InstanceLock lock;
  if (!inicio.lMultiple) {
    std::string folder = options.lock_folder.empty()
                             ? InstanceLock::DefaultFolder()
                             : options.lock_folder;
    if (!lock.Acquire(inicio.cExeFile, folder)) {
      Message(err, Arg(argv, 0),
              "No puede cargar esta aplicaci\xF3n m\xE1s de una vez");
      return 1;
    }
  }

  // 6. Database connection.
  if (stages.open_database) {
    Status s = stages.open_database(ctx);
    if (!s.ok()) {
      Message(err, "", s.message());
      return 1;
    }
  }

  // 7.
  ctx.empresa = inicio.cEmpresa;

  // 8. Left-overs of earlier runs.
  DeleteLeftovers(inicio.cTmpDir, inicio.dbf + ".DBF");

  // 9. Company data.
  if (stages.load_company) {
    Status s = stages.load_company(ctx);
    if (!s.ok()) {
      Message(err, "", s.message());
      return 1;
    }
  }

  // 10. Formula variables.
  if (stages.load_formula_variables) {
    Status s = stages.load_formula_variables(ctx);
    if (!s.ok()) {
      Message(err, "", s.message());
      return 1;
    }
  }

  // 11. and 12. The server's own tables.
  if (stages.create_tables && !stages.create_tables(ctx).ok()) {
    Message(err, "ATENCION",
            "Algunas o todas las tablas de datos no pudieron ser creadas\r\n"
            "Grabaciones e inserciones no se podr\xE1n ejecutar");
  }
  if (stages.upgrade_schema) {
    Status s = stages.upgrade_schema(ctx);
    if (!s.ok()) Message(err, "ATENCION", s.message());
  }

  // 13.
  std::string log_automatico =
      OBTIENEVALOR(ctx, "SESION", "SESION.LOGAUTOMATICO");

  // 15. Start serving: the listener, then the activation row.
  asio::io_context io(1);
  asio::signal_set signals(io);
  if (options.stop_signals.empty()) {
    signals.add(SIGINT);
    signals.add(SIGTERM);
  } else {
    for (int sig : options.stop_signals) signals.add(sig);
  }
  signals.async_wait([&io](const std::error_code&, int) { io.stop(); });

  logs.lDebug = false;
  logs.cLogFile = JoinPath(workdir, "web.txt");
  if (!inicio.cRoot.empty()) {
    Status s = WriteDefaultPage(JoinPath(workdir, inicio.cRoot), inicio.cRoot);
    if (!s.ok()) Message(err, "ATENCION", s.message());
  }
  if (stages.start_listener) {
    Status s = stages.start_listener(ctx, io);
    if (!s.ok()) {
      Message(err, "", s.message());
      return 1;
    }
  }
  out << "Puerto " << Cp1252ToUtf8(inicio.cIpPuerto) << " / "
      << Cp1252ToUtf8(inicio.cRazonSocial) << " / ( Ver." << inicio.Version
      << " " << DTOC(inicio.UltFecha) << " )" << std::endl;
  inicio.Graba(nullptr, ">>>>>>>> WebServer Activado " +
                            TimeText(clock->NowLocal()) + " <<<<<<<<");
  if (log_automatico == "SI") {
    logs.lDebug = true;
    logs.lMonitoreo = true;
  }
  out << "Log de Eventos : " << (logs.lDebug ? "ON" : "OFF") << std::endl;
  out << "Log de SQL : " << (logs.lMonitoreo ? "ON" : "OFF") << std::endl;

  // 16. Serve until told to stop.
  io.run();
  return 0;
}

}  // namespace kelmar
