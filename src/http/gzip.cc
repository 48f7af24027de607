#include "http/gzip.h"

#include <zlib.h>

namespace kelmar {

Status GzipCompress(std::string_view data, std::string* out) {
  z_stream zs{};
  // 15 window bits + 16 asks zlib for the gzip wrapper instead of zlib's.
  if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    return Status::Error("gzip: no se pudo iniciar la compresion");
  }
  out->assign(deflateBound(&zs, data.size()) + 32, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out->data());
  zs.avail_out = static_cast<uInt>(out->size());
  int rc = deflate(&zs, Z_FINISH);
  size_t produced = zs.total_out;
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) {
    out->clear();
    return Status::Error("gzip: la compresion no termino");
  }
  out->resize(produced);
  return Status::OK();
}

}  // namespace kelmar
