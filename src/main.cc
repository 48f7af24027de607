// kelmar-websrv: the composition root. It wires the layers together and
// hands their start-up stages to MAIN; core/ itself knows neither the
// database nor the HTTP layer.
#include <string>
#include <vector>

#include "core/startup.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  kelmar::StartupStages stages;
  // Stages join here as their layers land, in the start-up order:
  // open_database and load_company (database stage), load_formula_variables,
  // create_tables and upgrade_schema (schema), start_listener (HTTP).
  return kelmar::MAIN(args, stages);
}
