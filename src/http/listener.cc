// The socket side of TWebServer: accept, collect a header, hand it to the
// router, send what it answers, close. All on the io_context's one thread.
#include <algorithm>
#include <array>
#include <asio.hpp>
#include <deque>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "http/framing.h"
#include "http/web_server.h"
#include "platform/host.h"

namespace kelmar {

namespace {

// How long a closing connection may take to drain what the client still
// sends, so that closing never resets a reply the client has not read.
constexpr std::chrono::milliseconds kLingerTimeout{5000};
constexpr size_t kReadChunk = 8192;

}  // namespace

class TWebServer::Net {
 public:
  Net(TWebServer* owner, asio::io_context& io)
      : owner_(owner), io_(io), acceptor_(io), retry_timer_(io) {}

  ~Net() { Close(); }

  Status Listen(const std::string& address, int port) {
    asio::error_code ec;
    asio::ip::address ip = asio::ip::address_v4::any();
    if (!address.empty()) {
      ip = asio::ip::make_address(address, ec);
      if (ec) return Status::Error("direccion de escucha invalida: " + address);
    }
    asio::ip::tcp::endpoint endpoint(ip, static_cast<unsigned short>(port));
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    // Bursts of devices connecting at once must not be refused, so the
    // queue is as long as the system allows.
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
      acceptor_.close();
      return Status::Error("no se pudo escuchar en el puerto " +
                           std::to_string(port) + ": " + ec.message());
    }
    port_ = acceptor_.local_endpoint(ec).port();
    Accept();
    return Status::OK();
  }

  int port() const { return port_; }

  void Close() {
    asio::error_code ec;
    acceptor_.close(ec);
    retry_timer_.cancel();
    auto open = conns_;
    for (const auto& c : open) Finish(c);
  }

 private:
  struct Conn {
    explicit Conn(asio::io_context& io) : socket(io), timer(io) {}
    asio::ip::tcp::socket socket;
    asio::steady_timer timer;
    std::string buffer;
    std::array<char, kReadChunk> chunk;
    std::string client_ip;
    int64_t handle = 0;
    bool finished = false;
    std::deque<std::string> out;
    std::ifstream file;
    unsigned timer_generation = 0;
  };
  using ConnPtr = std::shared_ptr<Conn>;

  void Accept() {
    auto conn = std::make_shared<Conn>(io_);
    acceptor_.async_accept(conn->socket, [this, conn](asio::error_code ec) {
      if (ec == asio::error::operation_aborted || !acceptor_.is_open()) return;
      if (ec) {
        // Out of descriptors or similar: try again shortly rather than
        // spinning on the same error.
        retry_timer_.expires_after(std::chrono::milliseconds(100));
        retry_timer_.async_wait([this](asio::error_code wait_ec) {
          if (!wait_ec && acceptor_.is_open()) Accept();
        });
        return;
      }
      Start(conn);
      Accept();
    });
  }

  void Start(const ConnPtr& c) {
    asio::error_code ec;
    asio::ip::tcp::endpoint peer = c->socket.remote_endpoint(ec);
    if (!ec) {
      asio::ip::address a = peer.address();
      if (a.is_v6() && a.to_v6().is_v4_mapped()) {
        a = asio::ip::make_address_v4(asio::ip::v4_mapped, a.to_v6());
      }
      c->client_ip = a.to_string();
    }
    c->handle = static_cast<int64_t>(c->socket.native_handle());
    conns_.insert(c);
    Arm(c, owner_->settings_.header_timeout, "cabecera incompleta");
    Read(c);
  }

  // One deadline per connection; a new one replaces the old. A drop with a
  // `reason` is logged.
  void Arm(const ConnPtr& c, std::chrono::milliseconds after,
           const char* reason) {
    unsigned generation = ++c->timer_generation;
    c->timer.expires_after(after);
    c->timer.async_wait([this, c, generation, reason](asio::error_code ec) {
      if (ec || c->finished || generation != c->timer_generation) return;
      if (reason != nullptr) {
        owner_->LogTo("0descartadas.txt",
                      {std::string("conexion cerrada: ") + reason, c->client_ip,
                       std::to_string(c->buffer.size())});
      }
      Finish(c);
    });
  }

  void Read(const ConnPtr& c) {
    c->socket.async_read_some(
        asio::buffer(c->chunk), [this, c](asio::error_code ec, size_t n) {
          if (c->finished) return;
          if (ec) {
            // The client closed (or the socket failed): close our side.
            Finish(c);
            return;
          }
          c->buffer.append(c->chunk.data(), n);
          if (c->buffer.find("\r\n\r\n") != std::string::npos) {
            Dispatch(c);
            return;
          }
          if (c->buffer.size() > owner_->settings_.header_limit) {
            owner_->LogTo("0descartadas.txt",
                          {std::string("cabecera demasiado larga"),
                           c->client_ip, std::to_string(c->buffer.size())});
            Finish(c);
            return;
          }
          Read(c);
        });
  }

  void Dispatch(const ConnPtr& c) {
    HttpRequest request;
    request.text = std::move(c->buffer);
    c->buffer.clear();
    request.client_ip = c->client_ip;
    request.socket = c->handle;
    HttpReply reply;
    try {
      reply = owner_->OnRead(request);
    } catch (const std::exception& e) {
      owner_->LogTo(
          "0descartadas.txt",
          {std::string("error al procesar: ") + e.what(), c->client_ip});
      reply.action = HttpReply::Action::kClose;
    } catch (...) {
      owner_->LogTo("0descartadas.txt",
                    {std::string("error al procesar"), c->client_ip});
      reply.action = HttpReply::Action::kClose;
    }
    switch (reply.action) {
      case HttpReply::Action::kLeaveOpen:
        // Unanswered (OPTIONS, empty parameters...): the client may still
        // send a new request, but the connection does not stay forever.
        Arm(c, owner_->settings_.idle_timeout, "sin respuesta");
        Read(c);
        break;
      case HttpReply::Action::kClose:
        Finish(c);
        break;
      case HttpReply::Action::kSend:
        Arm(c, owner_->settings_.idle_timeout, "envio detenido");
        if (!reply.file.empty()) {
          c->file.open(reply.file, std::ios::binary);
          if (c->file && reply.file_offset != 0) {
            c->file.seekg(static_cast<std::streamoff>(reply.file_offset));
          }
          // The header goes out together with the file's first piece.
          reply.data += NextPiece(c);
        }
        if (!reply.data.empty()) c->out.push_back(std::move(reply.data));
        Write(c);
        break;
    }
  }

  // The next piece of the file being sent; the file is closed after a
  // piece that comes short.
  std::string NextPiece(const ConnPtr& c) {
    std::string piece(kFilePiece, '\0');
    if (!c->file.is_open()) return std::string();
    c->file.read(piece.data(), static_cast<std::streamsize>(kFilePiece));
    size_t got =
        static_cast<size_t>(std::max<std::streamsize>(0, c->file.gcount()));
    piece.resize(got);
    if (got < kFilePiece) c->file.close();
    return piece;
  }

  // Sends queued text, then the file in pieces until a read comes short.
  void Write(const ConnPtr& c) {
    if (c->out.empty() && c->file.is_open()) {
      std::string piece = NextPiece(c);
      if (!piece.empty()) c->out.push_back(std::move(piece));
    }
    if (c->out.empty()) {
      Shutdown(c);
      return;
    }
    asio::async_write(c->socket, asio::buffer(c->out.front()),
                      [this, c](asio::error_code ec, size_t) {
                        if (c->finished) return;
                        if (ec) {
                          Finish(c);
                          return;
                        }
                        c->out.pop_front();
                        Write(c);
                      });
  }

  // Ends the reply: no more sending, then drain until the client closes so
  // that unread bytes it sent (a late body) do not reset the connection
  // before it has read the answer.
  void Shutdown(const ConnPtr& c) {
    asio::error_code ec;
    c->socket.shutdown(asio::ip::tcp::socket::shutdown_send, ec);
    if (ec) {
      Finish(c);
      return;
    }
    Arm(c, kLingerTimeout, nullptr);
    Drain(c);
  }

  void Drain(const ConnPtr& c) {
    c->socket.async_read_some(asio::buffer(c->chunk),
                              [this, c](asio::error_code ec, size_t) {
                                if (c->finished) return;
                                if (ec) {
                                  Finish(c);
                                  return;
                                }
                                Drain(c);
                              });
  }

  void Finish(const ConnPtr& c) {
    if (c->finished) return;
    c->finished = true;
    ++c->timer_generation;
    c->timer.cancel();
    asio::error_code ec;
    c->socket.close(ec);
    c->file.close();
    conns_.erase(c);
  }

  TWebServer* owner_;
  asio::io_context& io_;
  asio::ip::tcp::acceptor acceptor_;
  asio::steady_timer retry_timer_;
  std::set<ConnPtr> conns_;
  int port_ = 0;
};

TWebServer::TWebServer(Context* ctx, const Processors* processors, int port,
                       WebServerSettings settings)
    : wait([](int seconds) {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
      }),
      server_ip([] { return HostIpAddress(); }),
      cHtmlError(kHtmlError),
      cHeaderEstandar(kHeaderEstandar),
      cHeaderTxt(kHeaderTxt),
      cHeaderJson(kHeaderJson),
      cHeaderJsonGZip(kHeaderJsonGZip),
      ctx_(ctx),
      processors_(processors),
      requested_port_(port),
      settings_(std::move(settings)) {}

Status TWebServer::Activate(asio::io_context& io) {
  net_ = std::make_unique<Net>(this, io);
  return net_->Listen(settings_.bind_address, requested_port_);
}

int TWebServer::port() const { return net_ ? net_->port() : 0; }

void TWebServer::Close() {
  if (net_) net_->Close();
}

TWebServer::~TWebServer() = default;

}  // namespace kelmar
