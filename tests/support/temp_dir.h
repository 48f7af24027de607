// A temporary folder for one test, removed with everything in it when the
// object goes out of scope.
#ifndef KELMAR_TESTS_SUPPORT_TEMP_DIR_H_
#define KELMAR_TESTS_SUPPORT_TEMP_DIR_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace kelmar::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kelmar-test-XXXXXX")
            .string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  // Writes `content` as the whole file `name` (relative to the folder).
  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(File(name), std::ios::binary | std::ios::trunc) << content;
  }
  // The whole content of `name`, empty when missing.
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(File(name));
  }

 private:
  std::string path_;
};

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_SUPPORT_TEMP_DIR_H_
