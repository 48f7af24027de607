#include "mobile/frame.h"

#include "platform/text1252.h"

namespace kelmar {

const std::string_view kControlModeCode("\x05\x20\x05\x20\x05", 5);

Tokens::Tokens(std::string_view text) {
  size_t start = 0;
  while (true) {
    size_t bar = text.find('|', start);
    if (bar == std::string_view::npos) {
      tokens_.emplace_back(text.substr(start));
      break;
    }
    tokens_.emplace_back(text.substr(start, bar - start));
    start = bar + 1;
  }
}

const std::string& Tokens::Get(size_t n) const {
  static const std::string* const kEmpty = new std::string();
  if (n == 0 || n > tokens_.size()) return *kEmpty;
  return tokens_[n - 1];
}

std::string StatusReply(std::string_view status,
                        std::initializer_list<std::string_view> values) {
  std::string reply(status);
  reply += '|';
  for (std::string_view v : values) {
    reply += v;
    reply += '|';
  }
  return reply;
}

std::string SuccessReply(std::string_view value) {
  return StatusReply("1", {value});
}

std::string FailureReply(std::string_view message) {
  return StatusReply("0", {message});
}

std::string QuoteDoubled(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

StockWarehouses BuildStockWarehouses(std::string_view setting) {
  StockWarehouses result;
  std::string text = Trim(setting);
  if (text.empty()) return result;
  text += ',';
  if (text.find("Solo la Bodega de la modalidad") != std::string::npos) {
    return result;
  }
  result.single = false;
  std::string list = "(";
  size_t start = 0;
  bool first = true;
  // Only pieces closed by a comma count; the one appended above closes the
  // last piece.
  for (size_t comma = text.find(','); comma != std::string::npos;
       comma = text.find(',', start)) {
    if (!first) list += ',';
    first = false;
    list += '\'';
    list += QuoteDoubled(std::string_view(text).substr(start, comma - start));
    list += '\'';
    start = comma + 1;
  }
  list += ')';
  result.list = std::move(list);
  return result;
}

std::string CMOD(std::string_view code) {
  if (code.empty()) return std::string();
  if (kControlModeCode.find(code) != std::string_view::npos) return "!!!";
  if (std::string_view("!!!").find(code) != std::string_view::npos) {
    return std::string(kControlModeCode);
  }
  return std::string(code);
}

std::string ENPAREJA(std::string_view label, std::string_view value) {
  std::string row = "<tr><td>";
  row += label;
  row += "</td><td><b>";
  row += value;
  row += "</b></td></tr>";
  return row;
}

std::string ENQUINA(const std::vector<std::string>& cells, bool bold) {
  std::string row = "<tr>";
  for (const std::string& cell : cells) {
    row += bold ? "<td><b>" : "<td>";
    row += cell;
    row += bold ? "</b></td>" : "</td>";
  }
  row += "</tr>";
  return row;
}

}  // namespace kelmar
