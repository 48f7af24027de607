// Reading the values of a submitted HTML form (name=value&name=value), as the
// remote authorisation form posts them.
#ifndef KELMAR_MOBILE_FORM_VALUES_H_
#define KELMAR_MOBILE_FORM_VALUES_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/value.h"

namespace kelmar {

// {name in upper case, value trimmed}.
using FormPairs = std::vector<std::pair<std::string, std::string>>;

// LEERVARIABLES: the trimmed text cut at each "&". Reading stops at the first
// empty piece, so what follows two adjacent "&" is not read. Each piece gives
// {text before its first "=" upper-cased, text between its first and second
// "=" trimmed}; a piece without "=" is a name with an empty value.
FormPairs LEERVARIABLES(std::string_view text);

// GETPARVARIABLE: the value of the first pair whose name equals `name`
// (both in upper case, `name` trimmed at the right); empty when none.
std::string GETPARVARIABLE(const FormPairs& pairs, std::string_view name);

// GETVARIABLE: the value of `name` trimmed at the right, typed by `type`:
// 'C' text, 'N' number (text-to-number rule), 'D' a dd/mm/yyyy date (the
// empty date when unreadable), 'L' false only for "0" (a missing name reads
// as true). Any other letter gives the text.
Value GETVARIABLE(const FormPairs& pairs, char type, std::string_view name);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_FORM_VALUES_H_
