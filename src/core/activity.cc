#include "core/activity.h"

#include <unistd.h>

#include <cerrno>

#include "platform/instance_lock.h"
#include "platform/text1252.h"

namespace kelmar {

ActivityTable::~ActivityTable() {
  if (fd_ >= 0) ::close(fd_);
}

Status ActivityTable::Create(const std::string& path) {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  int fd = OpenLockedExclusive(path);
  if (fd < 0) return Status::Error("cannot open the activity table " + path);
  if (::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return Status::Error("cannot empty the activity table " + path);
  }
  fd_ = fd;
  path_ = path;
  return Status::OK();
}

std::string ActivityTable::Record(const ActivityRow& row) {
  std::string r = DTOS(row.fecha);
  r += PadRight(row.hora, kHoraWidth);
  r +=
      PadLeft(std::to_string(row.socket), kSocketWidth).substr(0, kSocketWidth);
  r += PadRight(row.vendedor, kVendedorWidth);
  r += PadRight(row.clienip, kClienipWidth);
  r += PadRight(row.dato, kDatoWidth);
  return r;
}

void ActivityTable::Append(ActivityRow row) {
  row.hora = row.hora.substr(0, kHoraWidth);
  row.vendedor = row.vendedor.substr(0, kVendedorWidth);
  row.clienip = row.clienip.substr(0, kClienipWidth);
  row.dato = row.dato.substr(0, kDatoWidth);
  if (fd_ >= 0) {
    std::string rec = Record(row) + "\r\n";
    size_t done = 0;
    while (done < rec.size()) {
      ssize_t n = ::write(fd_, rec.data() + done, rec.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // a full disk loses the row on file only
      done += static_cast<size_t>(n);
    }
  }
  recent_.push_back(std::move(row));
  if (recent_.size() > kWindow) recent_.pop_front();
  ++count_;
}

}  // namespace kelmar
