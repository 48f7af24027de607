// SERVER: creates and starts the HTTP listener from the settings.
#ifndef KELMAR_HTTP_SERVER_H_
#define KELMAR_HTTP_SERVER_H_

#include <memory>
#include <string>

#include "core/context.h"
#include "http/processors.h"
#include "http/web_server.h"
#include "platform/status.h"

namespace asio {
class io_context;
}

namespace kelmar {

// The listener's settings: from the settings object (Version, cRoot, cDir,
// nTiempoEspera) and from [Conexion] of its settings file:
//   "IP.ESCUCHA"   address to listen on; empty: every local address.
//   "SQL.CLIENTES" addresses allowed to use the SQL gateway, separated by
//                  ",", ";" or blanks; empty: every client.
//   "CABECERA.SEGUNDOS" (30), "CABECERA.BYTES" (65536),
//   "INACTIVIDAD.SEGUNDOS" (60): the header time and size limits and the
//                  idle limit of unanswered connections.
// A limit that is not a positive whole number keeps its default.
WebServerSettings ReadWebServerSettings(const Context& ctx);

// The leading number of a port text such as "8080/"; 0 when there is none.
int PortOf(const std::string& ip_puerto);

// Creates the listener for ctx.inicio->cIpPuerto with the web folder
// cRoot (relative to the working folder) and starts it on `io`. The
// listener belongs to `io` and is closed when `io` shuts down, before the
// sockets' services go; *server (when given) may use it until then.
// `processors` is not owned and must outlive `io`.
Status SERVER(Context& ctx, asio::io_context& io, const Processors* processors,
              TWebServer** server = nullptr);

}  // namespace kelmar

#endif  // KELMAR_HTTP_SERVER_H_
