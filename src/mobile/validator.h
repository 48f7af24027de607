// VALIDATOR: the processor of the device protocol. The router hands it one
// command text per request; it answers with one reply text.
#ifndef KELMAR_MOBILE_VALIDATOR_H_
#define KELMAR_MOBILE_VALIDATOR_H_

#include <string>

#include "core/context.h"
#include "mobile/mobile_settings.h"

namespace kelmar {

// Decodes `command` (LIMPIACADENA), cuts it into tokens, builds the request
// settings and runs the command whose code is token 1, setting *answer. An
// unknown code answers "0| validator=" + code + " no contemplado|". When
// `error` is not null it is set (never reset) when a lookup of the command
// failed at the database, or when "PING" finds no company. `event_log` is
// accepted for the router's sake and not used.
void VALIDATOR(Context& ctx, const std::string& command, std::string* answer,
               bool event_log, bool* error);

// VALIDATOR with the settings given instead of read from the context.
void RunCommand(Context& ctx, const MobileSettings& settings,
                const std::string& command, std::string* answer, bool* error);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_VALIDATOR_H_
