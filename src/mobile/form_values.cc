#include "mobile/form_values.h"

#include <cstdlib>

#include "mobile/frame.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

// Leading number of the text ("12abc" is 12), 0 when it has none.
double LeadingNumber(std::string_view text) {
  std::string s = Trim(text);
  size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  size_t digits_start = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  }
  if (i == digits_start) return 0;
  return std::strtod(s.substr(0, i).c_str(), nullptr);
}

bool ReadNumberPart(std::string_view text, int* value) {
  if (text.empty() || text.size() > 4) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

FormDate ReadDate(std::string_view text) {
  std::string s = Trim(text);
  size_t a = s.find('/');
  size_t b = a == std::string::npos ? a : s.find('/', a + 1);
  if (b == std::string::npos) return {};
  FormDate d;
  std::string_view v(s);
  if (!ReadNumberPart(v.substr(0, a), &d.day) ||
      !ReadNumberPart(v.substr(a + 1, b - a - 1), &d.month) ||
      !ReadNumberPart(v.substr(b + 1), &d.year)) {
    return {};
  }
  if (v.substr(b + 1).size() <= 2) d.year += 2000;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30,
                                  31, 31, 30, 31, 30, 31};
  bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > kDays[d.month - 1] ||
      (d.month == 2 && d.day == 29 && !leap)) {
    return {};
  }
  return d;
}

}  // namespace

FormPairs LEERVARIABLES(std::string_view text) {
  FormPairs pairs;
  std::string s = Trim(text);
  size_t start = 0;
  while (start <= s.size()) {
    size_t amp = s.find('&', start);
    if (amp == std::string::npos) amp = s.size();
    std::string_view piece = std::string_view(s).substr(start, amp - start);
    if (piece.empty()) break;
    size_t eq = piece.find('=');
    if (eq == std::string_view::npos) {
      pairs.emplace_back(Upper1252(piece), std::string());
    } else {
      size_t eq2 = piece.find('=', eq + 1);
      std::string_view value = eq2 == std::string_view::npos
                                   ? piece.substr(eq + 1)
                                   : piece.substr(eq + 1, eq2 - eq - 1);
      pairs.emplace_back(Upper1252(piece.substr(0, eq)), Trim(value));
    }
    start = amp + 1;
  }
  return pairs;
}

std::string GETPARVARIABLE(const FormPairs& pairs, std::string_view name) {
  std::string wanted = Upper1252(TrimRight(name));
  for (const auto& [n, v] : pairs) {
    if (Upper1252(n) == wanted) return v;
  }
  return std::string();
}

FormValue GETVARIABLE(const FormPairs& pairs, char type,
                      std::string_view name) {
  std::string value = TrimRight(GETPARVARIABLE(pairs, name));
  switch (type) {
    case 'N':
      return LeadingNumber(value);
    case 'D':
      return ReadDate(value);
    case 'L':
      return value != "0";
    default:
      return value;
  }
}

}  // namespace kelmar
