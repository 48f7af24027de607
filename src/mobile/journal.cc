#include "mobile/journal.h"

namespace kelmar {

std::string JournalLine(std::string_view accion, std::string_view linea) {
  if (accion != "001" && accion != "VALIDARCLAVE") return std::string(linea);
  // Token 4 runs from after the third "|" to the fourth (or the end).
  size_t start = 0;
  for (int bars = 0; bars < 3; ++bars) {
    size_t bar = linea.find('|', start);
    if (bar == std::string_view::npos) return std::string(linea);
    start = bar + 1;
  }
  size_t end = linea.find('|', start);
  if (end == std::string_view::npos) end = linea.size();
  std::string out(linea.substr(0, start));
  out += "*****";
  out += linea.substr(end);
  return out;
}

}  // namespace kelmar
