// INI files read and written the way the Windows profile functions do, since
// the settings files are shared with tools that edit them that way.
//
// Reading: sections ("[name]") and keys ("key=value") are matched without
// regard to letter case (code page 1252); white space around names and
// values is ignored and a value enclosed in a matching pair of single or
// double quotes loses them. The first matching section and, within it, the
// first matching key win. A value is cut at kMaxIniValue characters. A
// missing file, section or key reads as empty text. Lines without "=",
// odd bytes and a missing final line break are all accepted.
//
// Writing: updates the first matching key in place, keeping every other
// line byte for byte; adds the key at the end of the first matching section
// when it is missing, and the section at the end of the file when that is
// missing; creates the file when it does not exist. New lines end in CR LF.
#ifndef KELMAR_PLATFORM_INI_H_
#define KELMAR_PLATFORM_INI_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace kelmar {

inline constexpr size_t kMaxIniValue = 4094;

// A settings file loaded once, for reading many keys from the same text.
class IniFile {
 public:
  // Loads `path`; a missing or unreadable file gives an empty IniFile.
  static IniFile Load(const std::string& path);
  // Parses text already in memory.
  static IniFile Parse(std::string_view text);

  // The value of `key` in `section` under the reading rules above.
  std::string Get(std::string_view section, std::string_view key) const;

 private:
  struct Entry {
    std::string section;  // upper case
    std::string key;      // upper case
    std::string value;
  };
  std::vector<Entry> entries_;
};

// Reads one value from `path` (the file is opened on every call).
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key);

// Writes `key`=`value` into `section` of `path` under the writing rules
// above. The file is replaced as a whole through a temporary file in the
// same folder, so a failure never leaves it half written.
Status WriteProfileString(const std::string& path, std::string_view section,
                          std::string_view key, std::string_view value);

}  // namespace kelmar

#endif  // KELMAR_PLATFORM_INI_H_
