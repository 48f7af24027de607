// What the request journal (PDALOG) may keep of a device command.
#ifndef KELMAR_MOBILE_JOURNAL_H_
#define KELMAR_MOBILE_JOURNAL_H_

#include <string>
#include <string_view>

namespace kelmar {

// The journal text of a command whose code is `accion`. A sign-in ("001",
// "VALIDARCLAVE") keeps every token but the password (token 4), written as
// "*****": the journal is readable by any client through "VKM", and the
// application version it exists to show is token 5. Other commands, and a
// sign-in too short to carry a password, come back unchanged.
std::string JournalLine(std::string_view accion, std::string_view linea);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_JOURNAL_H_
