// kelmar-websrv: the composition root. It wires the layers together and
// hands their start-up stages to MAIN; core/ itself knows neither the
// database nor the HTTP layer.
#include <iostream>
#include <string>
#include <vector>

#include "core/startup.h"
#include "db/startup_stage.h"
#include "http/processors.h"
#include "http/server.h"
#include "mobile/signin.h"
#include "mobile/wiring.h"
#include "platform/text1252.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  kelmar::StartupStages stages;
  // Stages join here as their layers land, in the start-up order:
  // load_formula_variables (pricing).

  // Owns the one database connection for the life of the process; table
  // creation failures are operator messages.
  kelmar::DatabaseStages database([](const std::string& text) {
    std::cerr << kelmar::Cp1252ToUtf8(text) << std::endl;
  });
  database.Fill(&stages);

  // The command processors the router calls; each is filled in here when
  // its layer lands (an empty one answers as an unhandled parameter).
  kelmar::Processors processors;
  kelmar::InstallDeviceProtocol(&processors);
  // Lives as long as the process: the permission checks keep company
  // "01"'s tax id here once read.
  kelmar::CompanyTaxIdCache tax_id_cache;
  stages.start_listener = [&](kelmar::Context& ctx, asio::io_context& io) {
    ctx.tax_id_cache = &tax_id_cache;
    return kelmar::SERVER(ctx, io, &processors);
  };
  return kelmar::MAIN(args, stages);
}
