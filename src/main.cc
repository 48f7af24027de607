// kelmar-websrv: the composition root. It wires the layers together and
// hands their start-up stages to MAIN; core/ itself knows neither the
// database nor the HTTP layer.
#include <string>
#include <vector>

#include "core/startup.h"
#include "http/processors.h"
#include "http/server.h"
#include "mobile/signin.h"
#include "mobile/wiring.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  kelmar::StartupStages stages;
  // Stages join here as their layers land, in the start-up order:
  // open_database and load_company (database stage), load_formula_variables,
  // create_tables and upgrade_schema (schema), start_listener (HTTP).

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
