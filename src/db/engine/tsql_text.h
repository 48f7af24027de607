// Text forms of SQL Server values: how the server parses and prints datetime
// and float values. Shared by the embedded engine's scalar functions and by
// tests that compare what both backends hand back.
#ifndef KELMAR_DB_ENGINE_TSQL_TEXT_H_
#define KELMAR_DB_ENGINE_TSQL_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace kelmar {

// A SQL Server datetime, broken down. Valid values lie in the years
// 1753..9999, as for SQL Server's datetime type.
struct SqlDateTime {
  int year = 1900;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Milliseconds since 1900-01-01 00:00:00.000 (negative before it), and back.
int64_t ToMillis(const SqlDateTime& t);
SqlDateTime FromMillis(int64_t ms);

// Days from 1900-01-01 to the date part of `t` (SQL Server's day number).
int64_t DayNumber(const SqlDateTime& t);

// Rounds the milliseconds to SQL Server's datetime precision (1/300 s:
// .000, .003, .007), carrying into the seconds when needed.
SqlDateTime RoundToDatetimeTick(const SqlDateTime& t);

// True when the year lies in 1753..9999.
bool InDatetimeRange(const SqlDateTime& t);

// "yyyy-mm-dd hh:mm:ss.mmm": the embedded engine's storage form and what
// SQL Server's ODBC driver returns for a datetime read as character data.
std::string FormatDatetime(const SqlDateTime& t);

// True when `text` is exactly in the storage form above (a valid date);
// used to tell a stored datetime from ordinary text.
bool ParseStoredDatetime(std::string_view text, SqlDateTime* out);

// Parses `text` as CONVERT(datetime, text, style) does; style -1 when none
// is given. Accepted: ISO and year-first forms ("yyyy-mm-dd", "yyyymmdd",
// with an optional time "hh:mm[:ss[.mmm]]" and AM/PM), day-first forms
// "dd/mm/yyyy" (also with "-" or "."), month-first under the styles 1, 101,
// 10, 110, 22, and month names ("Jan 31 2024 10:00AM"). Without a style a
// numeric date that does not begin with the year is read day-first, as on a
// server whose login language is Spanish. Blank text gives 1900-01-01.
// Fails with SQL Server's message for bad text or an impossible date.
Status ParseDatetimeText(std::string_view text, int style, SqlDateTime* out);

// CONVERT(varchar, datetime, style); style -1 when none is given (the
// default form "Mon dd yyyy hh:miAM"). Fails for a style SQL Server does not
// know for datetimes.
Status FormatDatetimeStyle(const SqlDateTime& t, int style, std::string* out);

// CONVERT(varchar, float, style): style 0 (and -1) gives at most six
// significant digits, switching to scientific notation with a three-digit
// exponent ("1.23457e+006") as SQL Server does; style 1 always eight digits
// in scientific notation, style 2 sixteen; other styles fail.
Status FormatFloat(double value, int style, std::string* out);

// Parses text as SQL Server converts varchar to int or float: blanks around
// are allowed, blank text is 0. False when the text is not a number of that
// kind (an int does not accept a decimal point or exponent).
bool ParseIntText(std::string_view text, int64_t* out);
bool ParseFloatText(std::string_view text, double* out);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_TSQL_TEXT_H_
