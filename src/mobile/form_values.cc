#include "mobile/form_values.h"

#include "core/conventions.h"
#include "mobile/frame.h"
#include "platform/text1252.h"

namespace kelmar {

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

Value GETVARIABLE(const FormPairs& pairs, char type, std::string_view name) {
  std::string value = TrimRight(GETPARVARIABLE(pairs, name));
  switch (type) {
    case 'N':
      return Value(VAL(value));
    case 'D':
      return Value(CTOD(value));
    case 'L':
      return Value(value != "0");
    default:
      return Value(value);
  }
}

}  // namespace kelmar
