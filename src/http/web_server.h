// TWebServer: the server's network face. One listening TCP socket, one
// connection per client, a reader that collects a request until the end of
// its header, and the router that answers it in HTTP/1.0 (one request per
// connection, closed by the server after the reply).
//
// Everything runs on the one thread that runs the io_context handed to
// Activate: a request is processed from read to reply before the next event
// is handled, while reads and writes of other connections wait in Asio
// without holding anything up.
#ifndef KELMAR_HTTP_WEB_SERVER_H_
#define KELMAR_HTTP_WEB_SERVER_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "http/html_merge.h"
#include "http/processors.h"
#include "platform/status.h"

namespace asio {
class io_context;
}

namespace kelmar {

// Values the listener takes from the settings when it starts.
struct WebServerSettings {
  std::string version = "24.02.01.716";  // Version
  std::string root = "www";              // cRoot: folder of static files
  std::string dir;                       // cDir: program folder
  int tiempo_espera = 0;     // nTiempoEspera, seconds, when no settings object
  std::string bind_address;  // empty: every local address
  // Addresses allowed to use the SQL gateway; empty: every client.
  std::vector<std::string> sql_clients;
  // A header not complete after this long, or larger than header_limit
  // bytes, is dropped and its connection closed.
  std::chrono::milliseconds header_timeout{30000};
  size_t header_limit = 64 * 1024;
  // A connection left open without an answer is closed after this long.
  std::chrono::milliseconds idle_timeout{60000};
};

// A request as the reader hands it to the router.
struct HttpRequest {
  std::string text;       // request line, header, blank line, early body
  std::string client_ip;  // peer address
  int64_t socket = 0;     // connection handle (nSocket)
};

// What the router asks of the connection after a request.
struct HttpReply {
  enum class Action {
    kLeaveOpen,  // no answer; the client may close or send again
    kClose,      // close without answer
    kSend,       // send `data`, then `file` from `file_offset`, then close
  };
  Action action = Action::kLeaveOpen;
  std::string data;
  std::string file;
  uint64_t file_offset = 0;
};

// Files are sent in pieces of this size.
inline constexpr size_t kFilePiece = 30000;

class TWebServer {
 public:
  // `ctx` and `processors` are not owned and must outlive the server.
  // `port` 0 lets the system choose.
  TWebServer(Context* ctx, const Processors* processors, int port,
             WebServerSettings settings);
  ~TWebServer();
  TWebServer(const TWebServer&) = delete;
  TWebServer& operator=(const TWebServer&) = delete;

  // Binds and starts listening with the system's largest backlog; accepted
  // connections are served on `io`. Fails when the address or port cannot
  // be bound.
  Status Activate(asio::io_context& io);
  // The port actually bound (after Activate).
  int port() const;
  // Stops accepting and closes every open connection.
  void Close();

  // The reader's steps after a complete header: cookie, event log entry,
  // dispatch to OnGet or OnPost, or nothing for other methods.
  HttpReply OnRead(const HttpRequest& request);
  HttpReply OnGet(const HttpRequest& request, std::string text);
  HttpReply OnPost(const HttpRequest& request, std::string text);
  // A GET of an absolute "http:" address: logged, not answered.
  HttpReply OnProxyRequest(const std::string& text);

  // True when `path` names a regular file that can be read. A path with
  // "%" is first decoded with UNESCAPE and trimmed.
  static bool FileExist(const std::string& path);
  // The whole content of the file (same "%" rule); empty when unreadable.
  static std::string HtmlRead(const std::string& path);
  // The template merger with this request's values.
  std::string HtmlMerge(const std::string& page, const std::string& parameters,
                        const HttpRequest& request,
                        const std::string& query = std::string());

  // The pause before JSON answers when nTiempoEspera is set; a seam so
  // tests need not wait. Defaults to sleeping the thread.
  std::function<void(int seconds)> wait;
  // CLIENTIP()/SERVERIP() sources for templates; SERVERIP defaults to the
  // host's address.
  std::function<std::string()> server_ip;

  // Members kept under the names clients and templates know them by.
  std::string cDefPage = "default.htm";
  std::string cDefPath = "www";
  std::string cCookie;
  std::string cHtmlError;
  std::string cHeaderEstandar;
  std::string cHeaderTxt;
  std::string cHeaderJson;
  std::string cHeaderJsonGZip;
  bool lEsJSONGZip = false;
  int64_t nNumero = 0;

  const WebServerSettings& settings() const { return settings_; }
  Context* context() const { return ctx_; }

 private:
  class Net;

  HttpReply ServeStatic(const HttpRequest& request, const std::string& text);
  HttpReply DefaultPage(const HttpRequest& request);
  HttpReply JsonFamily(const HttpRequest& request, const std::string& text,
                       std::string params);
  bool SqlClientAllowed(const std::string& ip) const;
  bool EventLogOn() const;
  void Event(std::vector<std::string> values);
  void LogTo(const std::string& file, std::vector<std::string> values);
  void Graba(const HttpRequest& request, const std::string& detail,
             const std::string& seller);

  Context* ctx_;
  const Processors* processors_;
  int requested_port_;
  WebServerSettings settings_;
  std::unique_ptr<Net> net_;
};

}  // namespace kelmar

#endif  // KELMAR_HTTP_WEB_SERVER_H_
