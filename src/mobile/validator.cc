#include "mobile/validator.h"

#include "http/decoders.h"
#include "mobile/command_table.h"
#include "mobile/frame.h"
#include "mobile/mobile_settings.h"

namespace kelmar {

void VALIDATOR(Context& ctx, const std::string& command, std::string* answer,
               bool /*event_log*/, bool* error) {
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
                        ReadMobileSettings(ctx),
                        {},
                        json,
                        answer,
                        error != nullptr ? error : &unused_error};
  request.bodegas = BuildStockWarehouses(request.settings.bodegas_stock);
  row->handler(request);
}

}  // namespace kelmar
