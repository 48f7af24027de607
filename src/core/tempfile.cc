#include "core/tempfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/files.h"

namespace kelmar {

std::string TEMPFILE(const std::string& folder) {
  for (int n = 1; n <= 9999999; ++n) {
    char name[16];
    std::snprintf(name, sizeof(name), "T%07d", n);
    std::string path = JoinPath(folder, std::string(name) + ".DBF");
    // O_EXCL makes the test and the creation one step, so two copies
    // sharing the folder never pick the same name.
    int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

}  // namespace kelmar
