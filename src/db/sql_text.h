// How values are written into SQL text, and the small text helpers used to
// build statements and formula text.
//
// Every text value that goes between quotes has that quote character doubled
// inside it, so a quote in a request can never end the literal early. Texts
// without quotes are written unchanged.
#ifndef KELMAR_DB_SQL_TEXT_H_
#define KELMAR_DB_SQL_TEXT_H_

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/value.h"

namespace kelmar {

// The literal of `value`: text between `quote` characters (each `quote`
// inside doubled), a number by NumberText with its decimals, a date by
// TRANFESQL, a logical as "1" or "0", nothing as "NULL".
std::string SqlLiteral(const Value& value, char quote = '\'');

// TRANFESQL: "NULL" for the empty date, else "{d 'yyyy-mm-dd'}".
std::string TRANFESQL(const Date& date);

// The WHERE text of a key condition: name=literal for each position, joined
// by " AND ". Extra names or values beyond the shorter list are ignored.
std::string KeyWhere(const std::vector<std::string>& names,
                     const std::vector<Value>& values);

// A value that a caller writes into SQL without quotes must pass
// IsNumberText (core/conventions.h) first.

// NACSB: a whole number without decimals, any other number with its
// decimals (six when read from the database).
std::string NACSB(const Value& number);
std::string NACSB(double number);

// NUMSINDEC: the number with only its significant decimals, at most three
// (3.1416 gives "3.142", 12.50 gives "12.5").
std::string NUMSINDEC(double number);

// FROMWHERE: for each needed table name in order, the first catalogue entry
// {name, condition} of that name adds its name to the FROM list (joined by
// ",") and its condition to the WHERE text (joined by " AND "). Returns
// {from, where}.
std::pair<std::string, std::string> FROMWHERE(
    const std::vector<std::pair<std::string, std::string>>& catalogue,
    const std::vector<std::string>& needed);

// EXTRAE: the items of a bracketed range "[a,b,c,d,rest...". Starts as
// {0, 0, "", "", ""}; items gathered up to each "," or "]" replace them in
// order as texts, and after the fourth the fifth is the rest of the text,
// trimmed.
std::array<Value, 5> EXTRAE(std::string_view text);

// QUEDARESTO: the 1-based position of the first character after the leading
// "[...]" groups; 1 when the text does not begin with "[", 0 when nothing
// follows the groups (or a group is never closed).
int QUEDARESTO(std::string_view formula);

// EXTRAECAMPO: the field name starting at the 1-based `start`: characters up
// to the first of "+-/*(){}[]" or the end.
std::string EXTRAECAMPO(std::string_view formula, int start);

// ARREGLAXX: `expression` wrapped in parentheses, with "<" + prefix + ">"
// written before every token that occurs (upper-cased) inside one of
// `fields`, so the formula evaluator can tell field names from numbers.
std::string ARREGLAXX(const std::vector<std::string>& fields,
                      std::string_view expression, std::string_view prefix);

// POSIBLEERROR for the one error formula evaluation forgives: a division by
// zero yields 0 and evaluation goes on.
double POSIBLEERROR(double numerator, double denominator);

}  // namespace kelmar

#endif  // KELMAR_DB_SQL_TEXT_H_
