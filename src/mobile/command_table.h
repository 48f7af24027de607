// The device protocol's command table: one row per command, in the order the
// protocol lists them, each with every code and long alias it answers to.
// A command family (signin.cc, ...) provides the handlers; its rows are added
// here when its work lands, so a code whose command is not built yet is
// simply unknown.
#ifndef KELMAR_MOBILE_COMMAND_TABLE_H_
#define KELMAR_MOBILE_COMMAND_TABLE_H_

#include <span>
#include <string>
#include <string_view>

#include "core/context.h"
#include "mobile/frame.h"
#include "mobile/mobile_settings.h"

namespace kelmar {

// Everything one command sees. Built by VALIDATOR before dispatch.
struct MobileRequest {
  Context& ctx;
  const Tokens& tokens;
  MobileSettings settings;  // company, VAT rate, version stamps
  StockWarehouses bodegas;  // from the setting cbodegasstock
  bool json = false;        // the code asked for the JSON encoding
  std::string* reply;       // out: the reply text
  bool* error;              // out: set when a lookup failed; never null
};

using CommandHandler = void (*)(MobileRequest& request);

struct CommandRow {
  // Codes answered in the text form, long aliases included. Unused slots are
  // empty.
  std::string_view codes[4];
  // The "J" twins: same command, answered with the JSON encoder.
  std::string_view json_codes[2];
  CommandHandler handler;
};

// The table, in protocol order.
std::span<const CommandRow> CommandTable();

// The first row that lists `code` exactly (case-sensitive), or null. Sets
// *json when the code is one of the row's JSON codes.
const CommandRow* FindCommand(std::string_view code, bool* json);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_COMMAND_TABLE_H_
