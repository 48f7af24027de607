#include "db/engine/embedded/functions.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "db/engine/tsql_text.h"
#include "platform/calendar.h"
#include "platform/clock.h"
#include "platform/text1252.h"

namespace kelmar {

namespace {

using Args = sqlite3_value**;

// The longest char(n) or varchar(n) the server accepts.
constexpr int64_t kMaxCharLength = 8000;

// ---- Values ---------------------------------------------------------------

bool IsNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

bool AnyNull(int argc, Args argv) {
  for (int i = 0; i < argc; ++i) {
    if (IsNull(argv[i])) return true;
  }
  return false;
}

std::string_view RawText(sqlite3_value* v) {
  const unsigned char* p = sqlite3_value_text(v);
  if (p == nullptr) return {};
  return std::string_view(reinterpret_cast<const char*>(p),
                          static_cast<size_t>(sqlite3_value_bytes(v)));
}

bool IsTextual(sqlite3_value* v) {
  int t = sqlite3_value_type(v);
  return t == SQLITE_TEXT || t == SQLITE_BLOB;
}

// The character form SQL Server gives a value converted implicitly to
// varchar: integers plainly, floats in the server's short float form.
std::string AsText(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT: {
      std::string s;
      FormatFloat(sqlite3_value_double(v), 0, &s);
      return s;
    }
    case SQLITE_NULL:
      return {};
    default:
      return std::string(RawText(v));
  }
}

void ResultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()),
                      SQLITE_TRANSIENT);
}

void ResultError(sqlite3_context* ctx, const std::string& message) {
  sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}

void ResultDatetime(sqlite3_context* ctx, const SqlDateTime& t) {
  ResultText(ctx, FormatDatetime(t));
}

std::string Quoted(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back('\'');
  out.append(s);
  out.push_back('\'');
  return out;
}

// Whole number from an argument such as a length or a count: integers as
// they are, floats truncated, text parsed.
bool AsInt(sqlite3_context* ctx, sqlite3_value* v, int64_t* out) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      *out = sqlite3_value_int64(v);
      return true;
    case SQLITE_FLOAT: {
      double d = std::trunc(sqlite3_value_double(v));
      if (!(std::fabs(d) < 9.2e18)) {
        ResultError(ctx,
                    "Arithmetic overflow error converting expression to data "
                    "type int.");
        return false;
      }
      *out = static_cast<int64_t>(d);
      return true;
    }
    default: {
      std::string_view s = RawText(v);
      if (ParseIntText(s, out)) return true;
      ResultError(ctx, "Conversion failed when converting the varchar value " +
                           Quoted(s) + " to data type int.");
      return false;
    }
  }
}

// A datetime from a stored datetime, from text the server would convert, or
// from a number of days since 1900-01-01.
bool AsDatetime(sqlite3_context* ctx, sqlite3_value* v, int style,
                SqlDateTime* out) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
      double days = sqlite3_value_double(v);
      double ms = std::round(days * 86400000.0);
      if (!(std::fabs(ms) < 1e16)) {
        ResultError(ctx,
                    "Arithmetic overflow error converting expression to data "
                    "type datetime.");
        return false;
      }
      SqlDateTime t = RoundToDatetimeTick(FromMillis(static_cast<int64_t>(ms)));
      if (!InDatetimeRange(t)) {
        ResultError(ctx,
                    "Arithmetic overflow error converting expression to data "
                    "type datetime.");
        return false;
      }
      *out = t;
      return true;
    }
    default: {
      std::string_view s = RawText(v);
      if (ParseStoredDatetime(s, out)) return true;
      Status st = ParseDatetimeText(s, style, out);
      if (!st.ok()) {
        ResultError(ctx, st.message());
        return false;
      }
      return true;
    }
  }
}

// Days since 1900-01-01 with the time as a fraction, as CAST(datetime AS
// float) gives.
double DatetimeAsDays(const SqlDateTime& t) {
  return static_cast<double>(ToMillis(t)) / 86400000.0;
}

// The ERP's databases use case-insensitive collations, so searching text
// (CHARINDEX, REPLACE) ignores letter case as the server does.
size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty() || from > hay.size()) return std::string_view::npos;
  std::string h = Lower1252(hay), n = Lower1252(needle);
  return h.find(n, from);
}

// ---- Numbers
// --------------------------------------------------------------------

// Half away from zero, as the server rounds decimals. A float such as 2.675
// is stored a hair below its decimal value, so a tiny tolerance keeps the
// decimal meaning the caller wrote.
double RoundDecimal(double x, int64_t digits, bool truncate) {
  if (digits > 15 || !std::isfinite(x)) return x;
  if (digits < -308) return 0;
  double p =
      std::pow(10.0, static_cast<double>(digits >= 0 ? digits : -digits));
  double scaled = digits >= 0 ? x * p : x / p;
  double magnitude = std::fabs(scaled);
  double whole = std::floor(magnitude);
  if (!truncate) {
    double tolerance = 1e-12 * std::max(1.0, magnitude);
    if (magnitude - whole >= 0.5 - tolerance) whole += 1;
  }
  double r = std::copysign(whole, scaled);
  double result = digits >= 0 ? r / p : r * p;
  return result == 0 ? 0.0 : result;  // no "-0"
}

// ---- Functions
// --------------------------------------------------------------------

void GetDate(sqlite3_context* ctx, int, Args) {
  auto* clock = static_cast<Clock*>(sqlite3_user_data(ctx));
  LocalTime lt = clock->NowLocal();
  SqlDateTime t{lt.year,   lt.month,  lt.day,        lt.hour,
                lt.minute, lt.second, lt.millisecond};
  ResultDatetime(ctx, RoundToDatetimeTick(t));
}

struct TargetType {
  std::string name;     // lower case, without the length
  int64_t length = -1;  // -1 when not given; INT64_MAX for "max"
  int64_t scale = -1;
};

TargetType ParseType(std::string_view text) {
  TargetType t;
  std::string s = Lower1252(text);
  size_t open = s.find('(');
  std::string name = s.substr(0, open);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  while (!name.empty() && name.front() == ' ') name.erase(name.begin());
  t.name = name;
  if (open != std::string::npos) {
    size_t close = s.find(')', open);
    std::string inside =
        s.substr(open + 1, close == std::string::npos ? std::string::npos
                                                      : close - open - 1);
    size_t comma = inside.find(',');
    std::string first = inside.substr(0, comma);
    first.erase(std::remove(first.begin(), first.end(), ' '), first.end());
    int64_t n = 0;
    if (first == "max") {
      t.length = std::numeric_limits<int64_t>::max();
    } else if (ParseIntText(first, &n)) {
      t.length = n;
    }
    if (comma != std::string::npos &&
        ParseIntText(inside.substr(comma + 1), &n)) {
      t.scale = n;
    }
  }
  return t;
}

bool IsCharType(const std::string& n) {
  return n == "varchar" || n == "char" || n == "nvarchar" || n == "nchar" ||
         n == "text" || n == "ntext" || n == "sysname" || n == "character" ||
         n == "character varying";
}
bool IsDateType(const std::string& n) {
  return n == "datetime" || n == "smalldatetime" || n == "date" ||
         n == "datetime2";
}
bool IsIntType(const std::string& n) {
  return n == "int" || n == "integer" || n == "bigint" || n == "smallint" ||
         n == "tinyint" || n == "bit";
}
bool IsFloatType(const std::string& n) {
  return n == "float" || n == "real" || n == "decimal" || n == "numeric" ||
         n == "dec" || n == "money" || n == "smallmoney" ||
         n == "double precision";
}

void ConvertToChar(sqlite3_context* ctx, const TargetType& type,
                   sqlite3_value* v, int style) {
  const bool unicode = type.name[0] == 'n';
  const bool fixed =
      type.name == "char" || type.name == "nchar" || type.name == "character";
  int64_t length = type.length;
  if (type.name == "text" || type.name == "ntext") {
    length = std::numeric_limits<int64_t>::max();
  } else if (type.name == "sysname") {
    length = 128;
  } else if (length < 0) {
    length = 30;  // CAST and CONVERT default
  }
  if (length == 0 || (length > kMaxCharLength &&
                      length != std::numeric_limits<int64_t>::max())) {
    ResultError(ctx, "The size (" + std::to_string(length) +
                         ") given to the type '" + type.name +
                         "' exceeds the maximum allowed for any data type "
                         "(8000).");
    return;
  }
  std::string s;
  const char* overflow_type = unicode ? "nvarchar" : "varchar";
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      s = std::to_string(sqlite3_value_int64(v));
      if (static_cast<int64_t>(s.size()) > length) {
        // Integers that do not fit show as "*" in single-byte text.
        if (!unicode) {
          s = "*";
        } else {
          ResultError(ctx, std::string("Arithmetic overflow error converting "
                                       "expression to data type ") +
                               overflow_type + ".");
          return;
        }
      }
      break;
    case SQLITE_FLOAT: {
      // decimal and money columns are stored as floats here, and the server
      // ignores a style for those: only the float styles keep their meaning.
      const bool float_style = style >= -1 && style <= 3;
      Status st =
          FormatFloat(sqlite3_value_double(v), float_style ? style : 0, &s);
      if (!st.ok()) {
        ResultError(ctx, st.message());
        return;
      }
      if (static_cast<int64_t>(s.size()) > length) {
        ResultError(ctx, std::string("Arithmetic overflow error converting "
                                     "float to data type ") +
                             overflow_type + ".");
        return;
      }
      break;
    }
    default: {
      std::string_view raw = RawText(v);
      SqlDateTime t;
      if (ParseStoredDatetime(raw, &t)) {
        Status st = FormatDatetimeStyle(t, style, &s);
        if (!st.ok()) {
          ResultError(ctx, st.message());
          return;
        }
      } else {
        s = std::string(raw);
      }
      // Text and dates are cut silently to the target length.
      if (static_cast<int64_t>(s.size()) > length) s.resize(length);
      break;
    }
  }
  if (fixed && static_cast<int64_t>(s.size()) < length) s.resize(length, ' ');
  ResultText(ctx, s);
}

void ConvertToDate(sqlite3_context* ctx, const TargetType& type,
                   sqlite3_value* v, int style) {
  SqlDateTime t;
  if (!AsDatetime(ctx, v, style, &t)) return;
  if (type.name == "date") {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    ResultText(ctx, buf);
    return;
  }
  if (type.name == "smalldatetime") {
    int64_t ms = ToMillis(t);
    int64_t minutes = ms / 60000 + ((ms % 60000) >= 29999 ? 1 : 0);
    t = FromMillis(minutes * 60000);
  }
  ResultDatetime(ctx, t);
}

void ConvertToInt(sqlite3_context* ctx, const TargetType& type,
                  sqlite3_value* v) {
  int64_t lo = std::numeric_limits<int32_t>::min();
  int64_t hi = std::numeric_limits<int32_t>::max();
  if (type.name == "bigint") {
    lo = std::numeric_limits<int64_t>::min();
    hi = std::numeric_limits<int64_t>::max();
  } else if (type.name == "smallint") {
    lo = -32768;
    hi = 32767;
  } else if (type.name == "tinyint") {
    lo = 0;
    hi = 255;
  }
  const bool bit = type.name == "bit";
  const std::string shown = type.name == "integer" ? "int" : type.name;
  int64_t n = 0;
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      n = sqlite3_value_int64(v);
      break;
    case SQLITE_FLOAT: {
      double d = sqlite3_value_double(v);
      if (bit) {
        n = d != 0;
        break;
      }
      d = std::trunc(d);
      if (!(d >= -9.2e18 && d <= 9.2e18)) {
        n = std::numeric_limits<int64_t>::max();
      } else {
        n = static_cast<int64_t>(d);
      }
      break;
    }
    default: {
      std::string_view s = RawText(v);
      SqlDateTime t;
      if (ParseStoredDatetime(s, &t)) {
        // A datetime becomes its day number, rounded at noon.
        n = static_cast<int64_t>(std::floor(DatetimeAsDays(t) + 0.5));
        break;
      }
      if (bit) {
        std::string u = Upper1252(s);
        u.erase(std::remove(u.begin(), u.end(), ' '), u.end());
        if (u == "TRUE") {
          n = 1;
          break;
        }
        if (u == "FALSE") {
          n = 0;
          break;
        }
      }
      if (!ParseIntText(s, &n)) {
        ResultError(ctx,
                    "Conversion failed when converting the varchar value " +
                        Quoted(s) + " to data type " + shown + ".");
        return;
      }
      if (!bit && (n < lo || n > hi)) {
        ResultError(ctx, "The conversion of the varchar value " + Quoted(s) +
                             " overflowed an " + shown + " column.");
        return;
      }
      break;
    }
  }
  if (bit) {
    sqlite3_result_int64(ctx, n != 0 ? 1 : 0);
    return;
  }
  if (n < lo || n > hi) {
    ResultError(ctx,
                "Arithmetic overflow error converting expression to data "
                "type " +
                    shown + ".");
    return;
  }
  sqlite3_result_int64(ctx, n);
}

void ConvertToFloat(sqlite3_context* ctx, const TargetType& type,
                    sqlite3_value* v) {
  double d = 0;
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      d = sqlite3_value_double(v);
      break;
    default: {
      std::string_view s = RawText(v);
      SqlDateTime t;
      if (ParseStoredDatetime(s, &t)) {
        d = DatetimeAsDays(t);
      } else if (!ParseFloatText(s, &d)) {
        const bool exact = type.name != "float" && type.name != "real" &&
                           type.name != "double precision";
        ResultError(ctx, std::string("Error converting data type varchar to ") +
                             (exact ? "numeric." : "float."));
        return;
      }
    }
  }
  if (type.name == "real") {
    d = static_cast<float>(d);
  } else if (type.name == "money" || type.name == "smallmoney") {
    d = RoundDecimal(d, 4, false);
  } else if (type.name != "float" && type.name != "double precision") {
    // decimal(p, s): the scale defaults to 0.
    d = RoundDecimal(d, type.scale < 0 ? 0 : type.scale, false);
  }
  sqlite3_result_double(ctx, d);
}

void Convert(sqlite3_context* ctx, int argc, Args argv) {
  if (IsNull(argv[0])) {
    ResultError(ctx, "CONVERT needs a target type.");
    return;
  }
  TargetType type = ParseType(RawText(argv[0]));
  int style = -1;
  if (argc > 2 && !IsNull(argv[2])) {
    int64_t s = 0;
    if (!AsInt(ctx, argv[2], &s)) return;
    style = static_cast<int>(s);
  }
  if (IsNull(argv[1])) {
    sqlite3_result_null(ctx);
    return;
  }
  if (IsCharType(type.name)) {
    ConvertToChar(ctx, type, argv[1], style);
  } else if (IsDateType(type.name)) {
    ConvertToDate(ctx, type, argv[1], style);
  } else if (IsIntType(type.name)) {
    ConvertToInt(ctx, type, argv[1]);
  } else if (IsFloatType(type.name)) {
    ConvertToFloat(ctx, type, argv[1]);
  } else {
    ResultError(ctx, "Type " + std::string(RawText(argv[0])) +
                         " is not a defined system type.");
  }
}

void Add(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) {
    sqlite3_result_null(ctx);
    return;
  }
  sqlite3_value* a = argv[0];
  sqlite3_value* b = argv[1];
  if (IsTextual(a) && IsTextual(b)) {
    ResultText(ctx, std::string(RawText(a)) + std::string(RawText(b)));
    return;
  }
  if (IsTextual(a) || IsTextual(b)) {
    sqlite3_value* text = IsTextual(a) ? a : b;
    sqlite3_value* number = IsTextual(a) ? b : a;
    std::string_view s = RawText(text);
    SqlDateTime t;
    if (ParseStoredDatetime(s, &t)) {
      // datetime + n moves by n days (fractions are parts of a day).
      double ms = std::round(sqlite3_value_double(number) * 86400000.0);
      if (!(std::fabs(ms) < 1e15)) {
        ResultError(ctx,
                    "Arithmetic overflow error converting expression to "
                    "data type datetime.");
        return;
      }
      SqlDateTime r = RoundToDatetimeTick(
          FromMillis(ToMillis(t) + static_cast<int64_t>(ms)));
      if (!InDatetimeRange(r)) {
        ResultError(ctx,
                    "Arithmetic overflow error converting expression to "
                    "data type datetime.");
        return;
      }
      ResultDatetime(ctx, r);
      return;
    }
    // The server converts the text to the number's type.
    if (sqlite3_value_type(number) == SQLITE_INTEGER) {
      int64_t n = 0;
      if (!ParseIntText(s, &n)) {
        ResultError(ctx,
                    "Conversion failed when converting the varchar value " +
                        Quoted(s) + " to data type int.");
        return;
      }
      sqlite3_result_int64(ctx, n + sqlite3_value_int64(number));
      return;
    }
    double d = 0;
    if (!ParseFloatText(s, &d)) {
      ResultError(ctx, "Error converting data type varchar to float.");
      return;
    }
    sqlite3_result_double(ctx, d + sqlite3_value_double(number));
    return;
  }
  if (sqlite3_value_type(a) == SQLITE_INTEGER &&
      sqlite3_value_type(b) == SQLITE_INTEGER) {
    int64_t r = 0;
    if (__builtin_add_overflow(sqlite3_value_int64(a), sqlite3_value_int64(b),
                               &r)) {
      ResultError(ctx,
                  "Arithmetic overflow error converting expression to "
                  "data type bigint.");
      return;
    }
    sqlite3_result_int64(ctx, r);
    return;
  }
  sqlite3_result_double(ctx, sqlite3_value_double(a) + sqlite3_value_double(b));
}

void Len(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string s = AsText(argv[0]);
  size_t n = s.find_last_not_of(' ');
  sqlite3_result_int64(ctx, n == std::string::npos ? 0 : n + 1);
}

void CharIndex(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string needle = AsText(argv[0]);
  std::string hay = AsText(argv[1]);
  int64_t start = 1;
  if (argc > 2 && !AsInt(ctx, argv[2], &start)) return;
  if (start < 1) start = 1;
  if (start > static_cast<int64_t>(hay.size())) {
    sqlite3_result_int64(ctx, 0);
    return;
  }
  size_t at = FindNoCase(hay, needle, static_cast<size_t>(start - 1));
  sqlite3_result_int64(ctx, at == std::string::npos ? 0 : at + 1);
}

void LeftOrRight(sqlite3_context* ctx, Args argv, bool left) {
  if (AnyNull(2, argv)) return sqlite3_result_null(ctx);
  int64_t n = 0;
  if (!AsInt(ctx, argv[1], &n)) return;
  if (n < 0) {
    ResultError(ctx, std::string("Invalid length parameter passed to the ") +
                         (left ? "left" : "right") + " function.");
    return;
  }
  std::string s = AsText(argv[0]);
  size_t count = std::min<uint64_t>(static_cast<uint64_t>(n), s.size());
  ResultText(ctx, left ? s.substr(0, count) : s.substr(s.size() - count));
}

void Left(sqlite3_context* ctx, int, Args argv) {
  LeftOrRight(ctx, argv, true);
}
void Right(sqlite3_context* ctx, int, Args argv) {
  LeftOrRight(ctx, argv, false);
}

void Substring(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  int64_t start = 0, length = 0;
  if (!AsInt(ctx, argv[1], &start) || !AsInt(ctx, argv[2], &length)) return;
  if (length < 0) {
    ResultError(ctx,
                "Invalid length parameter passed to the substring "
                "function.");
    return;
  }
  std::string s = AsText(argv[0]);
  // Positions outside the text count, so SUBSTRING(s, 0, 3) gives two
  // characters, as on the server.
  int64_t size = static_cast<int64_t>(s.size());
  int64_t begin = std::max<int64_t>(start, 1);
  int64_t end =
      start > 0 && length > std::numeric_limits<int64_t>::max() - start
          ? size + 1
          : std::min<int64_t>(start + length, size + 1);
  if (end <= begin) {
    ResultText(ctx, "");
    return;
  }
  ResultText(ctx, s.substr(begin - 1, end - begin));
}

void LTrim(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string s = AsText(argv[0]);
  size_t n = s.find_first_not_of(' ');
  ResultText(ctx, n == std::string::npos ? std::string() : s.substr(n));
}

void RTrim(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string s = AsText(argv[0]);
  size_t n = s.find_last_not_of(' ');
  ResultText(ctx, n == std::string::npos ? std::string() : s.substr(0, n + 1));
}

void UpperFn(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  ResultText(ctx, Upper1252(AsText(argv[0])));
}

void LowerFn(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  ResultText(ctx, Lower1252(AsText(argv[0])));
}

void Replace(sqlite3_context* ctx, int argc, Args argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string s = AsText(argv[0]);
  std::string find = AsText(argv[1]);
  std::string with = AsText(argv[2]);
  if (find.empty()) {
    ResultText(ctx, s);
    return;
  }
  std::string folded = Lower1252(s);
  std::string folded_find = Lower1252(find);
  std::string out;
  size_t from = 0;
  while (true) {
    size_t at = folded.find(folded_find, from);
    if (at == std::string::npos) break;
    out.append(s, from, at - from);
    out += with;
    from = at + find.size();
  }
  out.append(s, from, std::string::npos);
  ResultText(ctx, out);
}

void Round(sqlite3_context* ctx, int argc, Args argv) {
  if (IsNull(argv[0]) || IsNull(argv[1])) return sqlite3_result_null(ctx);
  int64_t digits = 0;
  if (!AsInt(ctx, argv[1], &digits)) return;
  bool truncate = false;
  if (argc > 2 && !IsNull(argv[2])) {
    int64_t f = 0;
    if (!AsInt(ctx, argv[2], &f)) return;
    truncate = f != 0;
  }
  sqlite3_value* v = argv[0];
  if (sqlite3_value_type(v) == SQLITE_INTEGER) {
    int64_t n = sqlite3_value_int64(v);
    if (digits >= 0) {
      sqlite3_result_int64(ctx, n);
      return;
    }
    sqlite3_result_int64(ctx, static_cast<int64_t>(RoundDecimal(
                                  static_cast<double>(n), digits, truncate)));
    return;
  }
  double d = 0;
  if (IsTextual(v) && !ParseFloatText(RawText(v), &d)) {
    ResultError(ctx, "Error converting data type varchar to float.");
    return;
  }
  if (!IsTextual(v)) d = sqlite3_value_double(v);
  sqlite3_result_double(ctx, RoundDecimal(d, digits, truncate));
}

enum class DatePartKind { kYear, kMonth, kDay };

void DatePart(sqlite3_context* ctx, Args argv, DatePartKind kind) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  SqlDateTime t;
  if (!AsDatetime(ctx, argv[0], -1, &t)) return;
  sqlite3_result_int64(ctx, kind == DatePartKind::kYear    ? t.year
                            : kind == DatePartKind::kMonth ? t.month
                                                           : t.day);
}

void Year(sqlite3_context* ctx, int, Args argv) {
  DatePart(ctx, argv, DatePartKind::kYear);
}
void Month(sqlite3_context* ctx, int, Args argv) {
  DatePart(ctx, argv, DatePartKind::kMonth);
}
void Day(sqlite3_context* ctx, int, Args argv) {
  DatePart(ctx, argv, DatePartKind::kDay);
}

void IsNullFn(sqlite3_context* ctx, int, Args argv) {
  sqlite3_result_value(ctx, IsNull(argv[0]) ? argv[1] : argv[0]);
}

enum class Unit {
  kYear,
  kQuarter,
  kMonth,
  kDay,
  kWeek,
  kHour,
  kMinute,
  kSecond,
  kMillisecond,
  kUnknown
};

Unit ParseUnit(std::string_view text) {
  std::string s = Lower1252(text);
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  s.erase(std::remove(s.begin(), s.end(), '\''), s.end());
  struct Name {
    const char* name;
    Unit unit;
  };
  static const Name kNames[] = {
      {"year", Unit::kYear},      {"yy", Unit::kYear},
      {"yyyy", Unit::kYear},      {"quarter", Unit::kQuarter},
      {"qq", Unit::kQuarter},     {"q", Unit::kQuarter},
      {"month", Unit::kMonth},    {"mm", Unit::kMonth},
      {"m", Unit::kMonth},        {"day", Unit::kDay},
      {"dd", Unit::kDay},         {"d", Unit::kDay},
      {"dayofyear", Unit::kDay},  {"dy", Unit::kDay},
      {"y", Unit::kDay},          {"weekday", Unit::kDay},
      {"dw", Unit::kDay},         {"w", Unit::kDay},
      {"week", Unit::kWeek},      {"wk", Unit::kWeek},
      {"ww", Unit::kWeek},        {"hour", Unit::kHour},
      {"hh", Unit::kHour},        {"minute", Unit::kMinute},
      {"mi", Unit::kMinute},      {"n", Unit::kMinute},
      {"second", Unit::kSecond},  {"ss", Unit::kSecond},
      {"s", Unit::kSecond},       {"millisecond", Unit::kMillisecond},
      {"ms", Unit::kMillisecond},
  };
  for (const Name& n : kNames) {
    if (s == n.name) return n.unit;
  }
  return Unit::kUnknown;
}

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

void DateDiff(sqlite3_context* ctx, int argc, Args argv) {
  Unit unit = IsNull(argv[0]) ? Unit::kUnknown : ParseUnit(RawText(argv[0]));
  if (unit == Unit::kUnknown) {
    ResultError(ctx, "Invalid parameter 1 specified for datediff.");
    return;
  }
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  SqlDateTime a, b;
  if (!AsDatetime(ctx, argv[1], -1, &a) || !AsDatetime(ctx, argv[2], -1, &b)) {
    return;
  }
  // DATEDIFF counts the unit's boundaries crossed, not elapsed time.
  int64_t r = 0;
  switch (unit) {
    case Unit::kYear:
      r = b.year - a.year;
      break;
    case Unit::kQuarter:
      r = (b.year * 4 + (b.month - 1) / 3) - (a.year * 4 + (a.month - 1) / 3);
      break;
    case Unit::kMonth:
      r = (b.year * 12 + b.month) - (a.year * 12 + a.month);
      break;
    case Unit::kDay:
      r = DayNumber(b) - DayNumber(a);
      break;
    case Unit::kWeek:
      // Weeks begin on Sunday; 1900-01-01 was a Monday.
      r = FloorDiv(DayNumber(b) + 1, 7) - FloorDiv(DayNumber(a) + 1, 7);
      break;
    case Unit::kHour:
      r = FloorDiv(ToMillis(b), 3600000) - FloorDiv(ToMillis(a), 3600000);
      break;
    case Unit::kMinute:
      r = FloorDiv(ToMillis(b), 60000) - FloorDiv(ToMillis(a), 60000);
      break;
    case Unit::kSecond:
      r = FloorDiv(ToMillis(b), 1000) - FloorDiv(ToMillis(a), 1000);
      break;
    case Unit::kMillisecond:
      r = ToMillis(b) - ToMillis(a);
      break;
    case Unit::kUnknown:
      break;
  }
  if (r < std::numeric_limits<int32_t>::min() ||
      r > std::numeric_limits<int32_t>::max()) {
    ResultError(ctx,
                "The datediff function resulted in an overflow. The "
                "number of dateparts separating two date/time instances "
                "is too large. Try to use datediff with a less precise "
                "datepart.");
    return;
  }
  sqlite3_result_int64(ctx, r);
}

void DateAdd(sqlite3_context* ctx, int argc, Args argv) {
  Unit unit = IsNull(argv[0]) ? Unit::kUnknown : ParseUnit(RawText(argv[0]));
  if (unit == Unit::kUnknown) {
    ResultError(ctx, "Invalid parameter 1 specified for dateadd.");
    return;
  }
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  int64_t n = 0;
  SqlDateTime t;
  if (!AsInt(ctx, argv[1], &n) || !AsDatetime(ctx, argv[2], -1, &t)) return;
  const char* kOverflow =
      "Adding a value to a 'datetime' column caused an overflow.";
  // Bound n so the arithmetic below cannot overflow; anything this large
  // leaves the datetime range anyway.
  if (n > 4000000000000LL || n < -4000000000000LL) {
    ResultError(ctx, kOverflow);
    return;
  }
  SqlDateTime r = t;
  if (unit == Unit::kYear || unit == Unit::kQuarter || unit == Unit::kMonth) {
    int64_t months = unit == Unit::kYear      ? n * 12
                     : unit == Unit::kQuarter ? n * 3
                                              : n;
    int64_t index = t.year * 12LL + (t.month - 1) + months;
    int64_t year = FloorDiv(index, 12);
    if (year < 1753 || year > 9999) {
      ResultError(ctx, kOverflow);
      return;
    }
    r.year = static_cast<int>(year);
    r.month = static_cast<int>(index - year * 12) + 1;
    // A day past the end of the new month becomes its last day.
    r.day = std::min(r.day, DaysInMonth(r.year, r.month));
  } else {
    int64_t step = unit == Unit::kDay      ? 86400000
                   : unit == Unit::kWeek   ? 7 * 86400000LL
                   : unit == Unit::kHour   ? 3600000
                   : unit == Unit::kMinute ? 60000
                   : unit == Unit::kSecond ? 1000
                                           : 1;
    if (std::fabs(static_cast<double>(n) * step) > 4e14) {
      ResultError(ctx, kOverflow);
      return;
    }
    r = RoundToDatetimeTick(FromMillis(ToMillis(t) + n * step));
    if (!InDatetimeRange(r)) {
      ResultError(ctx, kOverflow);
      return;
    }
  }
  ResultDatetime(ctx, r);
}

// Shared by char(n) and varchar(n) storage: the server drops trailing
// blanks that do not fit, and refuses to drop anything else.
bool FitLength(sqlite3_context* ctx, std::string* s, int64_t n) {
  if (static_cast<int64_t>(s->size()) <= n) return true;
  size_t keep = n < 0 ? 0 : static_cast<size_t>(n);
  if (s->find_first_not_of(' ', keep) != std::string::npos) {
    ResultError(ctx, kTruncationMessage);
    return false;
  }
  s->resize(keep);
  return true;
}

void Pad(sqlite3_context* ctx, int, Args argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  if (IsNull(argv[1])) return sqlite3_result_value(ctx, argv[0]);
  int64_t n = 0;
  if (!AsInt(ctx, argv[1], &n)) return;
  if (n > kMaxCharLength) {
    ResultError(ctx, "The size (" + std::to_string(n) +
                         ") given to the type 'char' exceeds the maximum "
                         "allowed for any data type (8000).");
    return;
  }
  std::string s = AsText(argv[0]);
  if (!FitLength(ctx, &s, n)) return;
  if (static_cast<int64_t>(s.size()) < n) s.resize(n, ' ');
  ResultText(ctx, s);
}

void CheckLen(sqlite3_context* ctx, int, Args argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  if (IsNull(argv[1])) return sqlite3_result_value(ctx, argv[0]);
  int64_t n = 0;
  if (!AsInt(ctx, argv[1], &n)) return;
  std::string s = AsText(argv[0]);
  if (static_cast<int64_t>(s.size()) <= n) {
    sqlite3_result_value(ctx, argv[0]);
    return;
  }
  if (!FitLength(ctx, &s, n)) return;
  ResultText(ctx, s);
}

// SQLite calls these from C: nothing may be thrown through it. The only
// exception possible is running out of memory on a huge value.
template <void (*F)(sqlite3_context*, int, Args)>
void Guarded(sqlite3_context* ctx, int argc, Args argv) {
  try {
    F(ctx, argc, argv);
  } catch (...) {
    sqlite3_result_error_nomem(ctx);
  }
}

struct Registration {
  const char* name;
  int args;
  void (*fn)(sqlite3_context*, int, sqlite3_value**);
  bool deterministic;
};

constexpr Registration kFunctions[] = {
    {"tsql_getdate", 0, Guarded<GetDate>, false},
    {"tsql_convert", 2, Guarded<Convert>, true},
    {"tsql_convert", 3, Guarded<Convert>, true},
    {"tsql_add", 2, Guarded<Add>, true},
    {"tsql_len", 1, Guarded<Len>, true},
    {"tsql_charindex", 2, Guarded<CharIndex>, true},
    {"tsql_charindex", 3, Guarded<CharIndex>, true},
    {"tsql_left", 2, Guarded<Left>, true},
    {"tsql_right", 2, Guarded<Right>, true},
    {"tsql_substring", 3, Guarded<Substring>, true},
    {"tsql_ltrim", 1, Guarded<LTrim>, true},
    {"tsql_rtrim", 1, Guarded<RTrim>, true},
    {"tsql_upper", 1, Guarded<UpperFn>, true},
    {"tsql_lower", 1, Guarded<LowerFn>, true},
    {"tsql_replace", 3, Guarded<Replace>, true},
    {"tsql_round", 2, Guarded<Round>, true},
    {"tsql_round", 3, Guarded<Round>, true},
    {"tsql_year", 1, Guarded<Year>, true},
    {"tsql_month", 1, Guarded<Month>, true},
    {"tsql_day", 1, Guarded<Day>, true},
    {"tsql_isnull", 2, Guarded<IsNullFn>, true},
    {"tsql_datediff", 3, Guarded<DateDiff>, true},
    {"tsql_dateadd", 3, Guarded<DateAdd>, true},
    {"tsql_pad", 2, Guarded<Pad>, true},
    {"tsql_checklen", 2, Guarded<CheckLen>, true},
};

}  // namespace

Status RegisterTsqlFunctions(sqlite3* db, Clock* clock) {
  for (const Registration& r : kFunctions) {
    int flags = SQLITE_UTF8;
    if (r.deterministic) flags |= SQLITE_DETERMINISTIC;
    int rc = sqlite3_create_function_v2(db, r.name, r.args, flags, clock, r.fn,
                                        nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      return Status::Error(std::string("cannot register ") + r.name + ": " +
                           sqlite3_errmsg(db));
    }
  }
  return Status::OK();
}

}  // namespace kelmar
