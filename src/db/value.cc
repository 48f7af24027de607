#include "db/value.h"

#include <cmath>

namespace kelmar {

const std::string& Value::text() const {
  static const std::string kEmpty;
  return kind_ == Kind::kText ? text_ : kEmpty;
}

bool Value::operator==(const Value& other) const {
  if (kind_ != other.kind_) return false;
  switch (kind_) {
    case Kind::kNil:
      return true;
    case Kind::kText:
      return text_ == other.text_;
    case Kind::kNumber:
      return number_ == other.number_;
    case Kind::kDate:
      return date_ == other.date_;
    case Kind::kLogical:
      return logical_ == other.logical_;
  }
  return false;
}

namespace {

double RoundTo6(double v) {
  // Past 2^53 / 10^6 a double has no decimals left to round.
  if (!std::isfinite(v) || std::fabs(v) >= 9e9) return std::isfinite(v) ? v : 0;
  return std::round(v * 1e6) / 1e6;
}

}  // namespace

double EVALGETNUM(std::string_view text) {
  size_t e = text.find_first_of("Ee");
  if (e == std::string_view::npos) return RoundTo6(VAL(text));
  double mantissa = VAL(text.substr(0, e));
  double exponent = VAL(text.substr(e + 1));
  return RoundTo6(mantissa * std::pow(10.0, exponent));
}

}  // namespace kelmar
