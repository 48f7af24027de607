// The listener over real loopback sockets, the io_context on its own thread.
#include <gtest/gtest.h>

#include <asio.hpp>
#include <filesystem>
#include <string>
#include <thread>

#include "core/context.h"
#include "core/logs.h"
#include "http/web_server.h"
#include "platform/clock.h"
#include "support/http_client.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::LoopbackClient;

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
  LoopbackClient c(port_);
  ASSERT_TRUE(c.connected());
  c.Send("GET /getSQL?validator=PI");
  // Half a header gets no answer.
  EXPECT_FALSE(c.Readable(100));
  c.Send("NG HTTP/1.0\r\n\r\n");
  EXPECT_EQ(c.ReadAll(), kPong);
}

TEST_F(ListenerTest, BodyIsNotAwaited) {
  Start();
  LoopbackClient c(port_);
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
  LoopbackClient slow(port_);
  slow.Send("GET /getSQL?valid");
  LoopbackClient silent(port_);
  for (int i = 0; i < 3; ++i) {
    LoopbackClient c(port_);
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
  LoopbackClient big(port_);
  big.Send("GET /" + std::string(2000, 'a'));
  EXPECT_TRUE(big.ClosedByServer());
  LoopbackClient stalled(port_);
  stalled.Send("GET / HTTP/1.0\r\n");
  EXPECT_TRUE(stalled.ClosedByServer());
  // OPTIONS gets no answer; the connection is not kept forever.
  LoopbackClient options(port_);
  options.Send("OPTIONS / HTTP/1.0\r\n\r\n");
  EXPECT_TRUE(options.ClosedByServer());
  // The server goes on serving.
  LoopbackClient c(port_);
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
    LoopbackClient c(port_);
    c.Send("GET /f.png HTTP/1.0\r\n\r\n");
    std::string reply = c.ReadAll();
    std::string header = reply.substr(0, reply.find("\r\n\r\n") + 4);
    EXPECT_NE(header.find("Content-type: image\r\n"), std::string::npos);
    EXPECT_EQ(reply.substr(header.size()), content) << size;
  }
}

TEST_F(ListenerTest, EmptyConnectionAndLateDataAreHarmless) {
  Start();
  { LoopbackClient gone(port_); }
  LoopbackClient c(port_);
  c.Send(kPing);
  c.Send("trailing bytes the server never reads");
  EXPECT_EQ(c.ReadAll(), kPong);
}

}  // namespace
}  // namespace kelmar
