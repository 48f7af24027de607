// This machine's network address, as the server reports it for the rows it
// writes itself.
#ifndef KELMAR_PLATFORM_HOST_H_
#define KELMAR_PLATFORM_HOST_H_

#include <string>

namespace kelmar {

// The IPv4 address of this machine's host name in dotted form. Falls back to
// the first non-loopback interface address, then to "127.0.0.1", so it
// never returns empty text.
std::string HostIpAddress();

}  // namespace kelmar

#endif  // KELMAR_PLATFORM_HOST_H_
