// The one value type through which database values reach the rest of the
// server. A value is dynamically typed, as the ERP's own code is: text (code
// page 1252 bytes), number, calendar date (possibly empty), logical, or
// nothing. It is a small copyable struct so commands can pass values around
// freely.
#ifndef KELMAR_DB_VALUE_H_
#define KELMAR_DB_VALUE_H_

#include <concepts>
#include <string>
#include <string_view>
#include <utility>

#include "core/conventions.h"

namespace kelmar {

class Value {
 public:
  enum class Kind { kNil, kText, kNumber, kDate, kLogical };

  // Decimals of a number whose text form is its shortest exact one: numbers
  // computed in code rather than read from the database.
  static constexpr int kFreeDecimals = -1;

  Value() = default;  // nothing
  Value(std::string text) : kind_(Kind::kText), text_(std::move(text)) {}
  Value(std::string_view text) : kind_(Kind::kText), text_(text) {}
  Value(const char* text)
      : kind_(Kind::kText), text_(text != nullptr ? text : "") {}
  // Whole numbers print without decimals. A char is no number: it does not
  // convert.
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char> &&
           !std::same_as<T, signed char> && !std::same_as<T, unsigned char>)
      Value(T number)
      : kind_(Kind::kNumber),
        number_(static_cast<double>(number)),
        decimals_(0) {}
  template <std::floating_point T>
  Value(T number) : kind_(Kind::kNumber), number_(number) {}
  Value(bool logical) : kind_(Kind::kLogical), logical_(logical) {}
  Value(Date date) : kind_(Kind::kDate), date_(date) {}

  // A number that prints with exactly `decimals` decimals, as the values
  // read from the database do (six).
  static Value Number(double number, int decimals) {
    Value v(number);
    v.decimals_ = decimals;
    return v;
  }

  Kind kind() const { return kind_; }
  bool is_nil() const { return kind_ == Kind::kNil; }
  bool is_text() const { return kind_ == Kind::kText; }
  bool is_number() const { return kind_ == Kind::kNumber; }
  bool is_date() const { return kind_ == Kind::kDate; }
  bool is_logical() const { return kind_ == Kind::kLogical; }

  // Each accessor returns the value when it is of that kind, and the kind's
  // neutral value otherwise (empty text, 0, empty date, false); callers that
  // treat blanks as absent rely on this.
  const std::string& text() const;
  double number() const { return kind_ == Kind::kNumber ? number_ : 0; }
  int decimals() const { return kind_ == Kind::kNumber ? decimals_ : 0; }
  Date date() const { return kind_ == Kind::kDate ? date_ : Date{}; }
  bool logical() const { return kind_ == Kind::kLogical && logical_; }

  // Same kind and same content (numbers compare by value, not decimals).
  bool operator==(const Value& other) const;

 private:
  Kind kind_ = Kind::kNil;
  std::string text_;
  double number_ = 0;
  int decimals_ = kFreeDecimals;
  Date date_;
  bool logical_ = false;
};

// EVALGETNUM: the database's number text to a number. "1.5E-3" is 1.5 times
// ten to the -3; other texts by the text-to-number rule (VAL). Rounded to six
// decimals.
double EVALGETNUM(std::string_view text);

}  // namespace kelmar

#endif  // KELMAR_DB_VALUE_H_
