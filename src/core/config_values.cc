#include "core/config_values.h"

#include "core/context.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/text1252.h"

namespace kelmar {

std::string ReadSettingValue(const std::string& folder,
                             std::string_view section, std::string_view key,
                             bool mail) {
  std::string path = JoinPath(folder, mail ? kMailFileName : kSettingsFileName);
  return Trim(ReadProfileString(path, section, key));
}

std::string OBTIENEVALOR(const Context& ctx, std::string_view section,
                         std::string_view key, bool mail) {
  return ReadSettingValue(ctx.workdir.empty() ? CurrentDir() : ctx.workdir,
                          section, key, mail);
}

std::string OBTIENEVALOR(std::string_view section, std::string_view key,
                         bool mail) {
  return ReadSettingValue(CurrentDir(), section, key, mail);
}

bool ATRUE(std::string_view value) {
  std::string v = Upper1252(Trim(value));
  return !v.empty() &&
         std::string_view("SI_1_TRUE_.T.").find(v) != std::string_view::npos;
}

bool ATRUE(const char* value) {
  return value != nullptr && ATRUE(std::string_view(value));
}

bool ATRUE(const std::string& value) { return ATRUE(std::string_view(value)); }

bool ATRUE(bool value) { return value; }

bool ATRUE(int value) { return value > 0; }

bool ATRUE(double value) { return value > 0; }

std::string STRIM(std::string_view value) { return Trim(value); }

std::string PARSEARGS(const std::vector<std::string>& args,
                      std::string_view key) {
  std::string found;
  for (const std::string& a : args) {
    if (!key.empty() && a.compare(0, key.size(), key) == 0) {
      found = a.substr(key.size());
    }
  }
  return found;
}

}  // namespace kelmar
