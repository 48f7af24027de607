// The runtime conventions every part of the server shares: how dates,
// numbers and logical values are written as text and read back.
//
// Dates are written and read as "dd/mm/yyyy"; a two-digit year read from
// text belongs to the years 2000 to 2099.
#ifndef KELMAR_CORE_CONVENTIONS_H_
#define KELMAR_CORE_CONVENTIONS_H_

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace kelmar {

// A calendar date; all zero is the empty date.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;

  bool empty() const { return year == 0; }
  bool operator==(const Date&) const = default;
};

// The date part of a local time.
Date DateOf(const LocalTime& t);

// "dd/mm/yyyy"; the empty date gives "  /  /    " (its blank form).
std::string DTOC(const Date& d);

// "yyyymmdd"; the empty date gives eight blanks.
std::string DTOS(const Date& d);

// Reads "dd/mm/yyyy" or "dd/mm/yy" (also with "-" or "." between the parts,
// surrounding blanks ignored). Two-digit years are 2000 + yy. Text that is
// not a real calendar date gives the empty date.
Date CTOD(std::string_view text);

// True for a real calendar date (leap years included).
bool IsValidDate(int year, int month, int day);

// "hh:mm:ss".
std::string TimeText(const LocalTime& t);

// Seconds since midnight with two decimals, truncated: "45296.12".
std::string SecondsText(const LocalTime& t);

// The text-to-number rule: leading blanks are skipped, then an optional
// sign, digits, and an optional "." with more digits are read; reading
// stops at the first other character. Text without leading digits is 0.
// "12abc" is 12, "  -3.5x" is -3.5, "abc" and "" are 0.
double VAL(std::string_view text);

// True when `text`, trimmed, is a whole decimal number (optional sign,
// at least one digit, optionally "." and digits) and nothing else. Values
// inserted into SQL text without quotes must pass this.
bool IsNumberText(std::string_view text);

// Number to text without blanks: a whole number without decimals ("5",
// "-12"); any other number in its shortest decimal form ("2.5", "0.125").
// With `decimals` >= 0 the number is rounded to and always written with
// that many decimals ("2.500000" for 2.5 and 6).
std::string NumberText(double value, int decimals = -1);

// The plain fixed form: the number rounded to `decimals`, right-aligned
// with leading blanks in a field of 10 positions for the whole part plus,
// when `decimals` > 0, "." and the decimals. A wider number is written
// whole rather than replaced by asterisks.
std::string FixedNumberText(double value, int decimals = 0);

// Logical values as text: ".T." or ".F.".
std::string LogicalText(bool value);

}  // namespace kelmar

#endif  // KELMAR_CORE_CONVENTIONS_H_
