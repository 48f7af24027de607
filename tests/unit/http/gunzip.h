// Reading back the gzip streams the server sends, to compare what they
// carry with the plain text.
#ifndef KELMAR_TESTS_UNIT_HTTP_GUNZIP_H_
#define KELMAR_TESTS_UNIT_HTTP_GUNZIP_H_

#include <zlib.h>

#include <string>

namespace kelmar::testing {

// Inflates the whole gzip stream `gz` into `*text`. False when the stream
// is not gzip, is cut short or carries more than `limit` bytes.
inline bool Gunzip(const std::string& gz, std::string* text,
                   size_t limit = 1 << 20) {
  z_stream zs{};
  if (inflateInit2(&zs, 15 + 16) != Z_OK) return false;
  std::string out(limit, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
  zs.avail_in = static_cast<uInt>(gz.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  inflateEnd(&zs);
  if (rc != Z_STREAM_END) return false;
  *text = std::move(out);
  return true;
}

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_UNIT_HTTP_GUNZIP_H_
