// Talking HTTP to a server on 127.0.0.1 from a test. Every wait is bounded
// (a 10 s receive timeout), so a server that never answers fails the test
// instead of hanging it.
#ifndef KELMAR_TESTS_SUPPORT_HTTP_CLIENT_H_
#define KELMAR_TESTS_SUPPORT_HTTP_CLIENT_H_

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

namespace kelmar::testing {

// One blocking connection to 127.0.0.1:`port`, for tests that need to
// control how a request is split or when the stream ends.
class LoopbackClient {
 public:
  explicit LoopbackClient(int port) {
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
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;
  ~LoopbackClient() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool connected() const { return connected_; }
  void Send(const std::string& data) {
    ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
  }
  // Everything until the server closes (or 10 s pass without data).
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
  // No more from this side; the server sees the end of the stream.
  void Finish() { ::shutdown(fd_, SHUT_WR); }
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

// Sends `request` on a fresh connection and returns all the server wrote
// until it closed; empty when nothing accepted the connection.
inline std::string Ask(int port, const std::string& request) {
  LoopbackClient c(port);
  if (!c.connected()) return "";
  c.Send(request);
  return c.ReadAll();
}

// Ask with a plain HTTP/1.0 GET of `target`.
inline std::string Get(int port, const std::string& target) {
  return Ask(port, "GET " + target + " HTTP/1.0\r\n\r\n");
}

// What follows the header of `reply`; the whole reply when it has no
// header end.
inline std::string Body(const std::string& reply) {
  size_t end = reply.find("\r\n\r\n");
  return end == std::string::npos ? reply : reply.substr(end + 4);
}

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_SUPPORT_HTTP_CLIENT_H_
