#include "platform/host.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kelmar {

namespace {

std::string Dotted(const sockaddr* sa) {
  char buf[INET_ADDRSTRLEN] = {0};
  const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
  if (::inet_ntop(AF_INET, &in->sin_addr, buf, sizeof(buf)) == nullptr) {
    return "";
  }
  return buf;
}

}  // namespace

std::string HostIpAddress() {
  char name[256] = {0};
  if (::gethostname(name, sizeof(name) - 1) == 0) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &res) == 0) {
      std::string ip;
      for (addrinfo* p = res; p != nullptr && ip.empty(); p = p->ai_next) {
        ip = Dotted(p->ai_addr);
      }
      ::freeaddrinfo(res);
      if (!ip.empty()) return ip;
    }
  }
  ifaddrs* ifs = nullptr;
  std::string ip;
  if (::getifaddrs(&ifs) == 0) {
    for (ifaddrs* p = ifs; p != nullptr && ip.empty(); p = p->ifa_next) {
      if (p->ifa_addr == nullptr || p->ifa_addr->sa_family != AF_INET) continue;
      std::string candidate = Dotted(p->ifa_addr);
      if (candidate.rfind("127.", 0) != 0) ip = candidate;
    }
    ::freeifaddrs(ifs);
  }
  return ip.empty() ? "127.0.0.1" : ip;
}

}  // namespace kelmar
