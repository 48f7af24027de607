// In-process gzip, so compressed JSON answers need no external program.
#ifndef KELMAR_HTTP_GZIP_H_
#define KELMAR_HTTP_GZIP_H_

#include <string>
#include <string_view>

#include "platform/status.h"

namespace kelmar {

// Sets *out to the standard gzip stream (RFC 1952) of `data`.
Status GzipCompress(std::string_view data, std::string* out);

}  // namespace kelmar

#endif  // KELMAR_HTTP_GZIP_H_
