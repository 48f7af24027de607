#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/files.h"

namespace kelmar {

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::string InstanceLock::DefaultFolder() {
  const char* dir = std::getenv("KELMAR_LOCK_DIR");
  if (dir != nullptr && *dir != '\0') return dir;
  return "/tmp";
}

bool InstanceLock::Acquire(const std::string& name, const std::string& folder) {
  if (fd_ >= 0) return true;
  std::string path = JoinPath(folder, name + ".lock");
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return true;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    if (err == EINTR) continue;
    ::close(fd);
    return err != EWOULDBLOCK;
  }
  fd_ = fd;
  return true;
}

bool FileLockedByOther(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int rc = ::flock(fd, LOCK_EX | LOCK_NB);
  bool locked = rc != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // also drops the lock taken just now
  return locked;
}

int OpenLockedExclusive(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace kelmar
