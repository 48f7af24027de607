// The real binary answering over loopback, byte for byte.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "e2e/company_db.h"
#include "e2e/server_process.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::ServerProcess;
using testing::TempDir;

// A blocking loopback client; every wait is bounded by a receive timeout.
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
    ok_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
  }
  ~Client() { ::close(fd_); }
  bool ok() const { return ok_; }
  void Send(const std::string& d) {
    ::send(fd_, d.data(), d.size(), MSG_NOSIGNAL);
  }
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
  bool Readable(int ms) {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
  }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

std::string Body(const std::string& reply) {
  size_t end = reply.find("\r\n\r\n");
  return end == std::string::npos ? reply : reply.substr(end + 4);
}

const char kTxtHeader[] =
    "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
    "Content-type: text/plain\r\n";

class HttpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("WebSrv32.ini", testing::CompanyDatabase(dir_) +
                                   "IP.ESCUCHA=127.0.0.1\r\n"
                                   "[SESION]\r\nSESION.MULTIPLE=SI\r\n");
    std::filesystem::create_directories(dir_.File("www/docs"));
    port_ = testing::FreeLoopbackPort();
    ServerProcess::Options o;
    o.args = {"D=" + dir_.path(), "P=" + std::to_string(port_) + "/"};
    o.workdir = dir_.path();
    o.env = {{"KELMAR_NOW", "2024-03-05 12:00:00"}};
    server_ = std::make_unique<ServerProcess>(o);
    ASSERT_TRUE(server_->Start());
    ASSERT_TRUE(server_->WaitForPort(port_)) << server_->err();
  }
  void TearDown() override {
    if (server_) {
      EXPECT_EQ(server_->Stop(), 0) << server_->err();
    }
  }

  std::string Ask(const std::string& request) {
    Client c(port_);
    c.Send(request);
    return c.ReadAll();
  }

  TempDir dir_;
  int port_ = 0;
  std::unique_ptr<ServerProcess> server_;
};

TEST_F(HttpServerTest, GatewayForms) {
  // NADA is no table of the test database: the query gives no rows.
  const std::string no_rows = std::string(kTxtHeader) +
                              "Content-length:         25\r\n\r\n"
                              "0 data|select 1 from NADA\r\n";
  // Header split over two writes, the path form and the query form.
  {
    Client c(port_);
    c.Send("GET /getSQL?cursor=sel");
    EXPECT_FALSE(c.Readable(100));
    c.Send("ect+1+from+NADA HTTP/1.0\r\n\r\n");
    EXPECT_EQ(c.ReadAll(), no_rows);
  }
  EXPECT_EQ(Ask("GET /getSQL/cursor/select+1+from+NADA HTTP/1.0\r\n\r\n"),
            no_rows);
  EXPECT_EQ(Ask("POST /getSQL HTTP/1.0\r\n\r\ncursor=select+1+from+NADA"),
            no_rows);

  EXPECT_EQ(
      Ask("GET /getSQL?command=UPDATE+MAEPR+SET+X%3D1 HTTP/1.0\r\n\r\n"),
      std::string(kTxtHeader) + "Content-length:          2\r\n\r\n0|\r\n");
  EXPECT_EQ(Ask("GET /getSQL?nada=1 HTTP/1.0\r\n\r\n"),
            "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
            "Content-type: text/html\r\nContent-length: 26\r\n\r\n"
            "0|parametro no contemplado\r\n");
  std::string json =
      Ask("GET /getJSON?cursor=select+1+from+NADA HTTP/1.0\r\n\r\n");
  EXPECT_EQ(json.rfind("HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
                       "Content-type: application/json; charset=iso-8859-1\r\n",
                       0),
            0u);
  EXPECT_EQ(Body(json), "{}\r\n");
  EXPECT_NE(dir_.Read("ELSE.txt").find("nada=1"), std::string::npos);
}

TEST_F(HttpServerTest, StaticFilesAndDefaultPage) {
  dir_.Write("www/docs/index.html", "<b>docs</b>");
  dir_.Write("www/error.HTM", "<b>falta</b>");
  dir_.Write("www/leeme.txt", "no se sirve");
  std::string page = Ask("GET / HTTP/1.0\r\n\r\n");
  EXPECT_EQ(page.rfind("HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 2.5.2\r\n"
                       "\r\n<html>",
                       0),
            0u);
  EXPECT_NE(page.find("Pagina por default Kelmar WebServer (v24.02.01.716)"),
            std::string::npos);

  const std::string html =
      "HTTP/1.0 200 OK\r\n"
      "Server: Kelmar WebServer (v24.02.01.716)\r\n"
      "Content-type: text/html\r\nContent-length: ";
  EXPECT_EQ(Ask("GET /docs/ HTTP/1.0\r\n\r\n"),
            html + "        11\r\n\r\n<b>docs</b>");
  EXPECT_EQ(Ask("GET /falta.png HTTP/1.0\r\n\r\n"),
            html + "        12\r\n\r\n<b>falta</b>");
  EXPECT_EQ(Ask("GET /leeme.txt HTTP/1.0\r\n\r\n"), "");

  for (size_t size : {size_t{30000}, size_t{30001}}) {
    std::string content(size, 'x');
    content.back() = 'z';
    dir_.Write("www/p.gif", content);
    EXPECT_EQ(Ask("GET /p.gif HTTP/1.0\r\n\r\n"),
              "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer (v24.02.01.716)\r\n"
              "Content-type: image\r\nContent-length:      " +
                  std::to_string(size) + "\r\n\r\n" + content);
  }
}

TEST_F(HttpServerTest, SlowHeaderDoesNotBlockOthers) {
  Client slow(port_);
  ASSERT_TRUE(slow.ok());
  slow.Send("GET /getSQL?curs");
  EXPECT_EQ(Body(Ask("GET /getSQL?cursor=select+2+from+NADA HTTP/1.0\r\n\r\n")),
            "0 data|select 2 from NADA\r\n");
  slow.Send("or=select+3+from+NADA HTTP/1.0\r\n\r\n");
  EXPECT_EQ(Body(slow.ReadAll()), "0 data|select 3 from NADA\r\n");
}

}  // namespace
}  // namespace kelmar
