#include "mobile/wiring.h"

#include "mobile/journal.h"
#include "mobile/validator.h"

namespace kelmar {

void InstallDeviceProtocol(Processors* processors) {
  processors->validator = &VALIDATOR;
  processors->journal_line = [](const std::string& accion,
                                const std::string& linea) {
    return JournalLine(accion, linea);
  };
}

}  // namespace kelmar
