// The envelope of device requests: "name=seller,device,latitude,longitude|"
// before the real text, journalled in PDALOG.
#ifndef KELMAR_HTTP_ENVELOPE_H_
#define KELMAR_HTTP_ENVELOPE_H_

#include <string>
#include <string_view>

#include "core/context.h"
#include "http/processors.h"

namespace kelmar {

// CORTAINSERTA: takes the envelope off `params` and returns the trimmed text
// after it. "%7C"/"%7c" become "|", "%2C"/"%2c" ",", "%22" a double quote
// before cutting. Unless `kind` is "validator3", *seller becomes the
// envelope's first field and one PDALOG row is inserted (ACCION: the
// command code for "validator", else the kind; LINEA: the text without
// single quotes, cleaned by LIMPIACADENA). A failed insert is written to
// "Comandos_con_error.txt" and the request goes on. When `processors` has
// a journal_line, LINEA is what it makes of the cleaned text.
std::string CORTAINSERTA(const Context& ctx, std::string_view kind,
                         std::string_view params, std::string* seller,
                         const Processors* processors = nullptr);

}  // namespace kelmar

#endif  // KELMAR_HTTP_ENVELOPE_H_
