// The listener over real loopback sockets, the io_context on its own thread.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <asio.hpp>
#include <filesystem>
#include <string>
#include <thread>

#include "core/context.h"
#include "core/logs.h"
#include "http/web_server.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

// A blocking client whose every wait is bounded.
class Client {
 public:
  explicit Client(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval tv{10, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ =
        ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
  }
  ~Client() { ::close(fd_); }
  bool connected() const { return connected_; }
  void Send(const std::string& data) {
    ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
  }
  // Everything until the server closes (or 10 s pass).
  std::string ReadAll() {
    std::string out;
    char buf[65536];
    for (;;) {
      ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
      if (n <= 0) break;
      out.append(buf, static_cast<size_t>(n));
    }
    return out;
  }
  // True when something (data or the close) arrives within `ms`.
  bool Readable(int ms) {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
  }
  // True when the server closed the connection (within 10 s).
  bool ClosedByServer() {
    char c;
    ssize_t n = ::recv(fd_, &c, 1, 0);
    return n == 0 || (n < 0 && errno == ECONNRESET);
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

class ListenerTest : public ::testing::Test {
 protected:
  ListenerTest()
      : clock_(LocalTime{2024, 3, 5, 10, 0, 0, 0, 2}),
        logs_(&clock_, dir_.path()) {
    std::filesystem::create_directories(dir_.File("www"));
    ctx_.logs = &logs_;
    ctx_.clock = &clock_;
    processors_.validator = [this](Context&, const std::string& command,
                                   std::string* answer, bool, bool*) {
      commands_.push_back(command);
      *answer = "1|PONG|";
    };
  }
  ~ListenerTest() override {
    io_.stop();
    if (thread_.joinable()) thread_.join();
  }

  void Start(WebServerSettings s = WebServerSettings()) {
    s.bind_address = "127.0.0.1";
    server_ = std::make_unique<TWebServer>(&ctx_, &processors_, 0, s);
    server_->cDefPath = dir_.File("www");
    ASSERT_TRUE(server_->Activate(io_).ok());
    port_ = server_->port();
    thread_ = std::thread([this] { io_.run(); });
  }

  testing::TempDir dir_;
  FixedClock clock_;
  Logs logs_;
  Context ctx_;
  Processors processors_;
  std::vector<std::string> commands_;  // touched on the server thread only
  asio::io_context io_;
  asio::executor_work_guard<asio::io_context::executor_type> work_ =
      asio::make_work_guard(io_);
  std::unique_ptr<TWebServer> server_;
  std::thread thread_;
  int port_ = 0;
};

const char kPing[] = "GET /getSQL?validator=PING HTTP/1.0\r\n\r\n";
const char kPong[] =
    "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
    "Content-type: text/plain\r\nContent-length:          7\r\n\r\n"
    "1|PONG|\r\n";

TEST_F(ListenerTest, HeaderInTwoWritesIsReadWhole) {
  Start();
  Client c(port_);
  ASSERT_TRUE(c.connected());
  c.Send("GET /getSQL?validator=PI");
  // Half a header gets no answer.
  EXPECT_FALSE(c.Readable(100));
  c.Send("NG HTTP/1.0\r\n\r\n");
  EXPECT_EQ(c.ReadAll(), kPong);
}

TEST_F(ListenerTest, BodyIsNotAwaited) {
  Start();
  Client c(port_);
  c.Send(
      "POST /getSQL?validator=W100|x| HTTP/1.0\r\nContent-length: 5\r\n\r\n");
  // The answer comes without the announced body, which is not part of it.
  EXPECT_EQ(c.ReadAll(), "1|PONG|\r\n");
  c.Send("abcde");
  io_.stop();
  thread_.join();
  ASSERT_EQ(commands_.size(), 1u);
  EXPECT_EQ(commands_[0], "W100|x|");
}

TEST_F(ListenerTest, SlowHeaderDoesNotHoldUpOthers) {
  Start();
  Client slow(port_);
  slow.Send("GET /getSQL?valid");
  Client silent(port_);
  for (int i = 0; i < 3; ++i) {
    Client c(port_);
    c.Send(kPing);
    EXPECT_EQ(c.ReadAll(), kPong);
  }
  slow.Send("ator=PING HTTP/1.0\r\n\r\n");
  EXPECT_EQ(slow.ReadAll(), kPong);
}

TEST_F(ListenerTest, OversizedOrStalledHeadersAreDropped) {
  WebServerSettings s;
  s.header_limit = 1024;
  s.header_timeout = std::chrono::milliseconds(200);
  s.idle_timeout = std::chrono::milliseconds(200);
  Start(s);
  Client big(port_);
  big.Send("GET /" + std::string(2000, 'a'));
  EXPECT_TRUE(big.ClosedByServer());
  Client stalled(port_);
  stalled.Send("GET / HTTP/1.0\r\n");
  EXPECT_TRUE(stalled.ClosedByServer());
  // OPTIONS gets no answer; the connection is not kept forever.
  Client options(port_);
  options.Send("OPTIONS / HTTP/1.0\r\n\r\n");
  EXPECT_TRUE(options.ClosedByServer());
  // The server goes on serving.
  Client c(port_);
  c.Send(kPing);
  EXPECT_EQ(c.ReadAll(), kPong);
  io_.stop();
  thread_.join();
  std::string log = dir_.Read("0descartadas.txt");
  EXPECT_NE(log.find("cabecera demasiado larga"), std::string::npos);
  EXPECT_NE(log.find("cabecera incompleta"), std::string::npos);
}

TEST_F(ListenerTest, FilesAreSentWhole) {
  Start();
  for (size_t size :
       {size_t{29999}, size_t{30000}, size_t{30001}, size_t{90001}}) {
    std::string content;
    for (size_t i = 0; i < size; ++i)
      content += static_cast<char>('a' + i % 26);
    dir_.Write("www/f.png", content);
    Client c(port_);
    c.Send("GET /f.png HTTP/1.0\r\n\r\n");
    std::string reply = c.ReadAll();
    std::string header = reply.substr(0, reply.find("\r\n\r\n") + 4);
    EXPECT_NE(header.find("Content-type: image\r\n"), std::string::npos);
    EXPECT_EQ(reply.substr(header.size()), content) << size;
  }
}

TEST_F(ListenerTest, EmptyConnectionAndLateDataAreHarmless) {
  Start();
  { Client gone(port_); }
  Client c(port_);
  c.Send(kPing);
  c.Send("trailing bytes the server never reads");
  EXPECT_EQ(c.ReadAll(), kPong);
}

}  // namespace
}  // namespace kelmar
