// Hands the device protocol to the router.
#ifndef KELMAR_MOBILE_WIRING_H_
#define KELMAR_MOBILE_WIRING_H_

#include "http/processors.h"

namespace kelmar {

// Sets processors->validator to VALIDATOR and processors->journal_line to
// the journal masking of the device protocol.
void InstallDeviceProtocol(Processors* processors);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_WIRING_H_
