#include "mobile/validator.h"

#include "http/decoders.h"
#include "mobile/command_table.h"
#include "mobile/frame.h"

namespace kelmar {

void VALIDATOR(Context& ctx, const std::string& command, std::string* answer,
               bool /*event_log*/, bool* error) {
  RunCommand(ctx, ReadMobileSettings(ctx), command, answer, error);
}

void RunCommand(Context& ctx, const MobileSettings& settings,
                const std::string& command, std::string* answer, bool* error) {
  bool unused_error = false;
  Tokens tokens(LIMPIACADENA(command));
  const std::string& code = tokens.Get(1);
  bool json = false;
  const CommandRow* row = FindCommand(code, &json);
  if (row == nullptr) {
    *answer = FailureReply(" validator=" + code + " no contemplado");
    return;
  }
  MobileRequest request{ctx,
                        tokens,
                        settings,
                        BuildStockWarehouses(settings.bodegas_stock),
                        json,
                        answer,
                        error != nullptr ? error : &unused_error};
  row->handler(request);
}

}  // namespace kelmar
