#include "http/server.h"

#include <asio.hpp>
#include <cctype>

#include "core/settings.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

// A positive whole number, or `fallback`.
long long PositiveOr(const std::string& text, long long fallback) {
  if (text.empty() || text.size() > 12) return fallback;
  long long n = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return fallback;
    n = n * 10 + (c - '0');
  }
  return n > 0 ? n : fallback;
}

// Owns the listener on behalf of the io_context, so that the listener is
// closed while the io_context's socket services still exist, whatever the
// order in which the caller's objects go.
class ListenerOwner : public asio::execution_context::service {
 public:
  using key_type = ListenerOwner;
  static asio::execution_context::id id;
  explicit ListenerOwner(asio::execution_context& owner)
      : asio::execution_context::service(owner) {}
  std::unique_ptr<TWebServer> server;

 private:
  void shutdown() override { server.reset(); }
};

asio::execution_context::id ListenerOwner::id;

}  // namespace

int PortOf(const std::string& ip_puerto) {
  std::string t = TrimSpace(ip_puerto);
  long long n = 0;
  size_t i = 0;
  while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) &&
         n <= 65535) {
    n = n * 10 + (t[i] - '0');
    ++i;
  }
  return n > 65535 ? 0 : static_cast<int>(n);
}

WebServerSettings ReadWebServerSettings(const Context& ctx) {
  WebServerSettings s;
  if (ctx.inicio == nullptr) return s;
  const TInicio& ini = *ctx.inicio;
  s.version = ini.Version;
  s.root = ini.cRoot.empty() ? "www" : ini.cRoot;
  s.dir = ini.cDir;
  s.tiempo_espera = ini.nTiempoEspera;
  auto read = [&](const char* key) {
    return TrimSpace(ReadProfileString(ini.cIniFile, "Conexion", key));
  };
  s.bind_address = read("IP.ESCUCHA");
  std::string clients = read("SQL.CLIENTES");
  std::string item;
  for (size_t i = 0; i <= clients.size(); ++i) {
    char c = i < clients.size() ? clients[i] : ',';
    if (c == ',' || c == ';' || c == ' ' || c == '\t') {
      if (!item.empty()) s.sql_clients.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  s.header_timeout =
      std::chrono::seconds(PositiveOr(read("CABECERA.SEGUNDOS"), 30));
  s.header_limit =
      static_cast<size_t>(PositiveOr(read("CABECERA.BYTES"), 64 * 1024));
  s.idle_timeout =
      std::chrono::seconds(PositiveOr(read("INACTIVIDAD.SEGUNDOS"), 60));
  return s;
}

Status SERVER(Context& ctx, asio::io_context& io, const Processors* processors,
              TWebServer** server) {
  if (ctx.inicio == nullptr) return Status::Error("SERVER: sin configuracion");
  WebServerSettings settings = ReadWebServerSettings(ctx);
  std::string workdir = ctx.workdir.empty() ? CurrentDir() : ctx.workdir;
  auto web = std::make_unique<TWebServer>(
      &ctx, processors, PortOf(ctx.inicio->cIpPuerto), settings);
  web->cDefPath = JoinPath(workdir, settings.root);
  Status s = web->Activate(io);
  if (!s.ok()) return s;
  ListenerOwner& owner = asio::has_service<ListenerOwner>(io)
                             ? asio::use_service<ListenerOwner>(io)
                             : asio::make_service<ListenerOwner>(io);
  if (server != nullptr) *server = web.get();
  owner.server = std::move(web);
  return Status::OK();
}

}  // namespace kelmar
