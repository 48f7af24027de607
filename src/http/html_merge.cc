#include "http/html_merge.h"

#include <optional>

namespace kelmar {
namespace {

std::string Normalize(std::string_view expr) {
  std::string out;
  for (char c : expr) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return out;
}

std::optional<std::string> Evaluate(std::string_view expr,
                                    const MergeValues& v) {
  std::string e = Normalize(expr);
  if (e == "PARAMETERS") return v.parameters;
  if (e == "NSOCKET") return std::to_string(v.nSocket);
  if (e == "QUERY") return v.query;
  if (e == "COOKIE") return v.cookie;
  if (e == "CLIENTIP()") return v.client_ip ? v.client_ip() : std::string();
  if (e == "SERVERIP()") return v.server_ip ? v.server_ip() : std::string();
  return std::nullopt;
}

}  // namespace

std::string HtmlMerge(std::string_view page, const MergeValues& values) {
  std::string out;
  out.reserve(page.size());
  size_t pos = 0;
  while (true) {
    size_t open = page.find("<<", pos);
    if (open == page.npos) break;
    size_t close = page.find(">>", open + 2);
    if (close == page.npos) break;
    out.append(page, pos, open - pos);
    std::optional<std::string> value =
        Evaluate(page.substr(open + 2, close - open - 2), values);
    out += value ? *value : std::string("( expression error )");
    pos = close + 2;
  }
  out.append(page.substr(pos));
  return out;
}

}  // namespace kelmar
