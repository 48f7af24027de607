// Character forms of stored values, as SQL Server's ODBC driver hands them
// out when a column is read as character data.
#ifndef KELMAR_DB_ENGINE_EMBEDDED_VALUE_TEXT_H_
#define KELMAR_DB_ENGINE_EMBEDDED_VALUE_TEXT_H_

#include <string>
#include <string_view>

namespace kelmar {

// A float as plain decimals ("0.0015", "12.5", "3") with the fewest digits
// that read back to the same double, or in E notation ("1.5E-5",
// "1.2345E20") below 1E-4 and from 1E15 on. The text before "E" is a plain
// decimal, so the mantissa-times-power-of-ten reading gets the value back.
std::string FloatText(double v);

// A decimal(p,s) value with exactly `scale` decimals ("12.50").
std::string DecimalText(double v, int scale);

// Binary data as upper-case hex digits.
std::string HexText(std::string_view bytes);

// True when `s` is exactly "yyyy-mm-dd hh:mm:ss.mmm", the stored datetime
// form.
bool LooksLikeDatetime(std::string_view s);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_EMBEDDED_VALUE_TEXT_H_
