#include "db/engine/embedded/value_text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kelmar {

std::string FloatText(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  if (v == 0) return "0";
  char buf[64];
  double a = std::fabs(v);
  if (a >= 1e15 || a < 1e-4) {
    auto r =
        std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string s(buf, r.ptr);
    size_t e = s.find('e');
    std::string mantissa = s.substr(0, e);
    int exp = std::atoi(s.c_str() + e + 1);
    return mantissa + "E" + std::to_string(exp);
  }
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

std::string DecimalText(double v, int scale) {
  if (scale < 0) scale = 0;
  if (scale > 38) scale = 38;
  char buf[128];
  int n = std::snprintf(buf, sizeof buf, "%.*f", scale, v);
  if (n <= 0 || n >= static_cast<int>(sizeof buf)) return FloatText(v);
  std::string s(buf, n);
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
    s.erase(0, 1);
  return s;
}

std::string HexText(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

bool LooksLikeDatetime(std::string_view s) {
  static const char kShape[] = "dddd-dd-dd dd:dd:dd.ddd";
  if (s.size() != sizeof kShape - 1) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    bool digit = std::isdigit(static_cast<unsigned char>(s[i]));
    if (kShape[i] == 'd' ? !digit : s[i] != kShape[i]) return false;
  }
  return true;
}

}  // namespace kelmar
