#include "mobile/command_table.h"

#include <iterator>

#include "mobile/signin.h"

namespace kelmar {
namespace {

// Protocol order. A command family adds its rows here when it lands.
const CommandRow kCommandTable[] = {
    {{"000", "VALIDARMAQUINA"}, {}, &CmdValidarMaquina},
    {{"001", "VALIDARCLAVE"}, {}, &CmdValidarClave},
    {{"VKM", "VERSIONKELMARMOVIL"}, {}, &CmdVersionKelmarMovil},
    {{"VWS", "VERSIONWEBSERVER"}, {}, &CmdVersionWebServer},
    {{}, {"JSONVKM", "JSONVERSIONKELMARMOVIL"}, &CmdVersionKelmarMovil},
    {{"PING"}, {}, &CmdPing},
};

}  // namespace

std::span<const CommandRow> CommandTable() {
  return std::span<const CommandRow>(kCommandTable, std::size(kCommandTable));
}

const CommandRow* FindCommand(std::string_view code, bool* json) {
  for (const CommandRow& row : CommandTable()) {
    for (std::string_view c : row.codes) {
      if (!c.empty() && c == code) {
        *json = false;
        return &row;
      }
    }
    for (std::string_view c : row.json_codes) {
      if (!c.empty() && c == code) {
        *json = true;
        return &row;
      }
    }
  }
  return nullptr;
}

}  // namespace kelmar
