#include "db/sql_text.h"

#include <cmath>
#include <cstdio>

#include "platform/text1252.h"

namespace kelmar {

namespace {

// A number written unquoted into SQL must parse as one, whatever it holds.
std::string FiniteNumberText(double number, int decimals) {
  if (!std::isfinite(number) || std::fabs(number) >= 1e18) {
    if (!std::isfinite(number)) return "0";
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0f", number);
    return buf;
  }
  return NumberText(number, decimals);
}

}  // namespace

std::string TRANFESQL(const Date& date) {
  if (date.empty()) return "NULL";
  char buf[64];
  std::snprintf(buf, sizeof buf, "{d '%04d-%02d-%02d'}", date.year, date.month,
                date.day);
  return buf;
}

std::string SqlLiteral(const Value& value, char quote) {
  switch (value.kind()) {
    case Value::Kind::kText: {
      std::string out(1, quote);
      for (char c : value.text()) {
        out += c;
        if (c == quote) out += c;
      }
      out += quote;
      return out;
    }
    case Value::Kind::kNumber:
      return FiniteNumberText(value.number(), value.decimals());
    case Value::Kind::kDate:
      return TRANFESQL(value.date());
    case Value::Kind::kLogical:
      return value.logical() ? "1" : "0";
    case Value::Kind::kNil:
      break;
  }
  return "NULL";
}

std::string KeyWhere(const std::vector<std::string>& names,
                     const std::vector<Value>& values) {
  std::string out;
  size_t n = std::min(names.size(), values.size());
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) out += " AND ";
    out += names[i];
    out += '=';
    out += SqlLiteral(values[i]);
  }
  return out;
}

std::string NACSB(double number) {
  if (number == std::trunc(number)) return FiniteNumberText(number, 0);
  return FiniteNumberText(number, Value::kFreeDecimals);
}

std::string NACSB(const Value& number) {
  double n = number.number();
  if (n == std::trunc(n)) return FiniteNumberText(n, 0);
  return FiniteNumberText(n, number.decimals());
}

std::string NUMSINDEC(double number) {
  if (!std::isfinite(number)) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f",
                std::fabs(number - std::trunc(number)));
  std::string_view fraction(buf);
  // "0.500" or, when the fraction rounds up, "1.000": the digits after ".".
  std::string_view d = fraction.substr(fraction.find('.') + 1, 3);
  int decimals = 0;
  if (d[2] != '0') {
    decimals = 3;
  } else if (d[1] != '0') {
    decimals = 2;
  } else if (d[0] != '0') {
    decimals = 1;
  }
  return FiniteNumberText(number, decimals);
}

std::pair<std::string, std::string> FROMWHERE(
    const std::vector<std::pair<std::string, std::string>>& catalogue,
    const std::vector<std::string>& needed) {
  std::string from, where;
  for (const std::string& name : needed) {
    for (const auto& [table, condition] : catalogue) {
      if (table != name) continue;
      if (!from.empty()) from += ',';
      from += table;
      if (!where.empty()) where += " AND ";
      where += condition;
      break;
    }
  }
  return {from, where};
}

std::array<Value, 5> EXTRAE(std::string_view text) {
  std::array<Value, 5> items = {Value(0), Value(0), Value(""), Value(""),
                                Value("")};
  std::string gathered;
  int stored = 0;
  for (size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c != ',' && c != ']') {
      gathered += c;
      continue;
    }
    items[stored++] = Value(gathered);
    gathered.clear();
    if (stored == 4) {
      items[4] = Value(Trim(text.substr(i + 1)));
      break;
    }
  }
  return items;
}

int QUEDARESTO(std::string_view formula) {
  size_t i = 0;
  while (i < formula.size() && formula[i] == '[') {
    int depth = 0;
    for (; i < formula.size(); ++i) {
      if (formula[i] == '[') ++depth;
      if (formula[i] == ']' && --depth == 0) break;
    }
    if (i >= formula.size()) return 0;
    ++i;
  }
  return i < formula.size() ? static_cast<int>(i) + 1 : 0;
}

std::string EXTRAECAMPO(std::string_view formula, int start) {
  std::string out;
  if (start < 1) start = 1;
  for (size_t i = static_cast<size_t>(start) - 1; i < formula.size(); ++i) {
    if (std::string_view("+-/*(){}[]").find(formula[i]) !=
        std::string_view::npos) {
      break;
    }
    out += formula[i];
  }
  return out;
}

std::string ARREGLAXX(const std::vector<std::string>& fields,
                      std::string_view expression, std::string_view prefix) {
  std::string text;
  text.reserve(expression.size() + 2);
  text.append(1, '(').append(expression).append(1, ')');
  auto is_field = [&](std::string_view token) {
    if (token.empty()) return false;
    std::string upper = Upper1252(token);
    for (const std::string& field : fields) {
      if (field.find(upper) != std::string::npos) return true;
    }
    return false;
  };
  auto marked = [&](std::string_view token) {
    std::string out;
    if (is_field(token)) {
      out.append(1, '<').append(prefix).append(1, '>');
    }
    out.append(token);
    return out;
  };
  constexpr std::string_view kDelimiters = "+-/*() {}";
  std::string out, token;
  for (char c : text) {
    if (kDelimiters.find(c) != std::string_view::npos) {
      out += marked(token);
      out += c;
      token.clear();
    } else if ((c >= '0' && c <= '9') || c == '.' || c == ',') {
      if (token.empty()) {
        out += c;
      } else {
        token += c;
      }
    } else {
      token += c;
    }
  }
  out += marked(Trim(token));
  return out;
}

double POSIBLEERROR(double numerator, double denominator) {
  return denominator == 0 ? 0 : numerator / denominator;
}

}  // namespace kelmar
