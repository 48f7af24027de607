// Reading single settings values: the on-demand reader of the settings
// files, the yes/no reader and the command-line reader.
#ifndef KELMAR_CORE_CONFIG_VALUES_H_
#define KELMAR_CORE_CONFIG_VALUES_H_

#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

struct Context;

// Names of the two settings files that OBTIENEVALOR reads.
inline constexpr char kSettingsFileName[] = "WebSrv32.ini";
inline constexpr char kMailFileName[] = "SendMail.properties";

// Reads [`section`] `key` at call time from "WebSrv32.ini" (or, with
// `mail` true, from "SendMail.properties") in `folder`, trimmed; empty text
// when the file, section or key is missing. Nothing is cached, so an edit
// of the file applies to the next call. The file names are fixed whatever
// the "D=" and "C=" arguments say.
std::string ReadSettingValue(const std::string& folder,
                             std::string_view section, std::string_view key,
                             bool mail = false);

// OBTIENEVALOR: the same, in the context's working folder (ctx.workdir; the
// process's current folder when that is empty). This is the form the request
// processors use.
std::string OBTIENEVALOR(const Context& ctx, std::string_view section,
                         std::string_view key, bool mail = false);

// The same, in the process's current working folder.
std::string OBTIENEVALOR(std::string_view section, std::string_view key,
                         bool mail = false);

// Reads a yes/no value. Text is true when its trimmed, upper-cased form is
// a non-empty part of "SI_1_TRUE_.T." (so SI, S, 1, TRUE, T and .T. are
// true; NO, 0, FALSE and empty text are false). A logical value is itself;
// a number is true when greater than 0.
bool ATRUE(std::string_view value);
bool ATRUE(const char* value);
bool ATRUE(const std::string& value);
bool ATRUE(bool value);
bool ATRUE(int value);
bool ATRUE(double value);

// The "C" and "N" result kinds of ATRUE: "true"/"false" and 1/0.
template <typename T>
std::string ATRUE_C(const T& value) {
  return ATRUE(value) ? "true" : "false";
}
template <typename T>
int ATRUE_N(const T& value) {
  return ATRUE(value) ? 1 : 0;
}

// The trimmed text. (Values here are always text; the "not text gives
// empty text" case of dynamic values has no counterpart.)
std::string STRIM(std::string_view value);

// The value of a key-and-value argument such as "P=8080/": for each
// argument that begins with `key` (letter case counts), the characters that
// follow the key; the last such argument wins; empty text when none.
std::string PARSEARGS(const std::vector<std::string>& args,
                      std::string_view key);

}  // namespace kelmar

#endif  // KELMAR_CORE_CONFIG_VALUES_H_
