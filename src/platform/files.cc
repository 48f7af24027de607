#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/text1252.h"

namespace kelmar {

namespace {

Status Errno(const std::string& what, const std::string& path) {
  return Status::Error(what + " " + path + ": " + std::strerror(errno));
}

Status WriteAll(int fd, std::string_view data, const std::string& path) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Errno("cannot write", path);
    }
    done += static_cast<size_t>(n);
  }
  return Status::OK();
}

}  // namespace

std::string CurrentDir() {
  char buf[PATH_MAX];
  if (::getcwd(buf, sizeof(buf)) == nullptr) return ".";
  return buf;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  if (dir.empty() || (!name.empty() && name[0] == '/'))
    return std::string(name);
  std::string out(dir);
  if (out.back() != '/') out += '/';
  out += name;
  return out;
}

std::string DirPart(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return "";
  return std::string(path.substr(0, slash + 1));
}

std::string BaseName(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(path.substr(slash + 1));
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

Status MakeDirs(const std::string& path) {
  if (path.empty() || IsDirectory(path)) return Status::OK();
  std::string partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    partial = path.substr(0, slash);
    if (!partial.empty() && !IsDirectory(partial)) {
      if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
        return Errno("cannot create folder", partial);
      }
    }
    pos = slash + 1;
  }
  return IsDirectory(path) ? Status::OK()
                           : Status::Error("cannot create folder " + path);
}

Status AppendToFile(const std::string& path, std::string_view data) {
  int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return Errno("cannot open", path);
  Status s = WriteAll(fd, data, path);
  if (::close(fd) != 0 && s.ok()) s = Errno("cannot close", path);
  return s;
}

Status WriteWholeFile(const std::string& path, std::string_view data) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Errno("cannot open", path);
  Status s = WriteAll(fd, data, path);
  if (::close(fd) != 0 && s.ok()) s = Errno("cannot close", path);
  return s;
}

Status ReadWholeFile(const std::string& path, std::string* data) {
  data->clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Errno("cannot open", path);
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof(buf));
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return Errno("cannot read", path);
    }
    if (n == 0) break;
    data->append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return Status::OK();
}

bool RenameFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::vector<std::string> ListFiles(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (::stat(JoinPath(dir, name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      names.push_back(name);
    }
  }
  ::closedir(d);
  return names;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative match with one backtracking point for the last "*".
  size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || Upper1252(pattern[p]) == Upper1252(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string ExecutableName() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return "kelmar-websrv";
  buf[n] = '\0';
  return BaseName(buf);
}

}  // namespace kelmar
