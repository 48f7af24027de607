// The remote SQL gateway: a query or statement sent as a request parameter
// by trusted clients. The router decides who may use it.
#ifndef KELMAR_DB_GATEWAY_H_
#define KELMAR_DB_GATEWAY_H_

#include <string>
#include <string_view>

namespace kelmar {

struct Context;

// CURSORES: runs the query (cleaned by LIMPIACADENA) and sets *answer to the
// column names each followed by "|", then one CR LF-ended line per row with
// every value followed by "|" (texts as held, padded; numbers as their
// decimal text; dates "yyyymmdd"; logicals "1"/"0"). Without rows, or when
// the query fails, the answer is "0 data|" + the cleaned query.
void CURSORES(const Context& ctx, std::string_view request,
              std::string* answer);

// CURSORJSON: the same query answered as JSON (GENERARESPUESTAJSON); "{}"
// without rows or when the query fails.
void CURSORJSON(const Context& ctx, std::string_view request,
                std::string* answer);

// COMANDOS: runs the cleaned statement only when it begins with "SELECT "
// (any case): "1|ok" on success, "0|" + the driver's message on failure,
// "0|" alone when refused. Refusals and failures are written to
// "Comandos_con_error.txt". Rows a query returns are not read.
void COMANDOS(const Context& ctx, std::string_view request,
              std::string* answer);

}  // namespace kelmar

#endif  // KELMAR_DB_GATEWAY_H_
