#include "db/engine/tsql_text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/calendar.h"

namespace kelmar {

namespace {

constexpr char kBadDatetimeText[] =
    "Conversion failed when converting date and/or time from character "
    "string.";
constexpr char kDatetimeOutOfRange[] =
    "The conversion of a varchar data type to a datetime data type resulted "
    "in an out-of-range value.";
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr",
                                       "May", "Jun", "Jul", "Aug",
                                       "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonthNames[] = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

const int64_t kDays1900 = DaysFromCivil(1900, 1, 1);

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char Lower(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// A small cursor over the text being parsed.
struct Scanner {
  std::string_view s;
  size_t pos = 0;

  bool AtEnd() const { return pos >= s.size(); }
  char Peek() const { return AtEnd() ? '\0' : s[pos]; }
  void SkipBlanks() {
    while (!AtEnd() && s[pos] == ' ') ++pos;
  }
  // Reads 1..max_digits digits; returns how many were read (0 if none).
  int Number(int max_digits, int* value) {
    int n = 0;
    *value = 0;
    while (!AtEnd() && IsDigit(s[pos]) && n < max_digits) {
      *value = *value * 10 + (s[pos] - '0');
      ++pos;
      ++n;
    }
    return n;
  }
  int CountDigits() const {
    size_t p = pos;
    while (p < s.size() && IsDigit(s[p])) ++p;
    return static_cast<int>(p - pos);
  }
  bool Accept(char c) {
    if (Peek() != c) return false;
    ++pos;
    return true;
  }
};

int FullYear(int y, int digits) {
  if (digits > 2) return y;
  return y < 50 ? 2000 + y : 1900 + y;
}

// Month from its English name or three-letter abbreviation; 0 if none.
int MonthFromName(std::string_view word) {
  std::string w;
  for (char c : word) w += Lower(c);
  for (int i = 0; i < 12; ++i) {
    std::string shortname;
    for (char c : std::string_view(kMonthNames[i])) shortname += Lower(c);
    if (w == shortname || w == kLongMonthNames[i]) return i + 1;
  }
  return 0;
}

// Reads an optional time "hh:mm[:ss[.fff|:mmm]] [AM|PM]" up to the end.
bool ParseTime(Scanner* sc, SqlDateTime* t) {
  sc->SkipBlanks();
  if (sc->AtEnd()) return true;
  int hour = 0, minute = 0, second = 0, ms = 0;
  bool has_clock = false;
  if (IsDigit(sc->Peek())) {
    if (sc->Number(2, &hour) == 0) return false;
    if (!sc->Accept(':')) return false;
    if (sc->Number(2, &minute) == 0) return false;
    if (sc->Accept(':')) {
      if (sc->Number(2, &second) == 0) return false;
      if (sc->Accept('.')) {
        // Decimal fraction of a second: ".5" is 500 ms.
        int digits = 0;
        int scale = 100;
        while (!sc->AtEnd() && IsDigit(sc->Peek())) {
          if (digits < 3) ms += (sc->Peek() - '0') * scale;
          scale /= 10;
          ++digits;
          ++sc->pos;
        }
        if (digits == 0) return false;
      } else if (sc->Accept(':')) {
        if (sc->Number(3, &ms) == 0) return false;
      }
    }
    has_clock = true;
  }
  sc->SkipBlanks();
  if (!sc->AtEnd()) {
    std::string_view rest = sc->s.substr(sc->pos);
    if (rest.size() != 2 || Lower(rest[1]) != 'm') return false;
    char half = Lower(rest[0]);
    if (half != 'a' && half != 'p') return false;
    if (!has_clock || hour > 12 || hour == 0) return false;
    if (half == 'a' && hour == 12) hour = 0;
    if (half == 'p' && hour != 12) hour += 12;
    sc->pos = sc->s.size();
  }
  if (hour > 23 || minute > 59 || second > 59 || ms > 999) return false;
  t->hour = hour;
  t->minute = minute;
  t->second = second;
  t->millisecond = ms;
  return true;
}

enum class Order { kDmy, kMdy };

Order OrderForStyle(int style) {
  switch (style) {
    case 1:
    case 101:
    case 10:
    case 110:
    case 22:
      return Order::kMdy;
    default:
      return Order::kDmy;
  }
}

std::string Fmt(const char* format, int a, int b = 0, int c = 0, int d = 0,
                int e = 0, int f = 0, int g = 0) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, a, b, c, d, e, f, g);
  return buf;
}

}  // namespace

int64_t DayNumber(const SqlDateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) - kDays1900;
}

int64_t ToMillis(const SqlDateTime& t) {
  return DayNumber(t) * 86400000 + t.hour * 3600000LL + t.minute * 60000LL +
         t.second * 1000LL + t.millisecond;
}

SqlDateTime FromMillis(int64_t ms) {
  SqlDateTime t;
  int64_t days = FloorDiv(ms, 86400000);
  int64_t rest = ms - days * 86400000;
  CivilFromDays(days + kDays1900, &t.year, &t.month, &t.day);
  t.hour = static_cast<int>(rest / 3600000);
  t.minute = static_cast<int>(rest / 60000 % 60);
  t.second = static_cast<int>(rest / 1000 % 60);
  t.millisecond = static_cast<int>(rest % 1000);
  return t;
}

SqlDateTime RoundToDatetimeTick(const SqlDateTime& t) {
  int64_t total = ToMillis(t);
  int64_t seconds = FloorDiv(total, 1000);
  int64_t rest = total - seconds * 1000;
  int64_t ticks = (rest * 3 + 5) / 10;  // 1/300 s, half up
  return FromMillis(seconds * 1000 + (ticks * 10 + 1) / 3);
}

bool InDatetimeRange(const SqlDateTime& t) {
  return t.year >= 1753 && t.year <= 9999;
}

std::string FormatDatetime(const SqlDateTime& t) {
  return Fmt("%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
             t.hour, t.minute, t.second, t.millisecond);
}

bool ParseStoredDatetime(std::string_view s, SqlDateTime* out) {
  static const char kShape[] = "dddd-dd-dd dd:dd:dd.ddd";
  if (s.size() != sizeof kShape - 1) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (kShape[i] == 'd' ? !IsDigit(s[i]) : s[i] != kShape[i]) return false;
  }
  auto num = [&](size_t at, size_t len) {
    int v = 0;
    for (size_t i = at; i < at + len; ++i) v = v * 10 + (s[i] - '0');
    return v;
  };
  SqlDateTime t;
  t.year = num(0, 4);
  t.month = num(5, 2);
  t.day = num(8, 2);
  t.hour = num(11, 2);
  t.minute = num(14, 2);
  t.second = num(17, 2);
  t.millisecond = num(20, 3);
  if (t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 ||
      t.second > 59) {
    return false;
  }
  *out = t;
  return true;
}

Status ParseDatetimeText(std::string_view text, int style, SqlDateTime* out) {
  text = Trim(text);
  SqlDateTime t;
  if (text.empty()) {
    *out = t;
    return Status::OK();
  }
  Scanner sc{text};
  int year = 0, month = 0, day = 0;
  int year_digits = 4;
  if (IsAlpha(sc.Peek())) {
    // "Mon dd yyyy ...", the server's own default and style 9 output.
    size_t start = sc.pos;
    while (!sc.AtEnd() && IsAlpha(sc.Peek())) ++sc.pos;
    month = MonthFromName(text.substr(start, sc.pos - start));
    if (month == 0) return Status::Error(kBadDatetimeText);
    sc.SkipBlanks();
    if (sc.Number(2, &day) == 0) return Status::Error(kBadDatetimeText);
    sc.Accept(',');
    sc.SkipBlanks();
    year_digits = sc.Number(4, &year);
    if (year_digits != 2 && year_digits != 4) {
      return Status::Error(kBadDatetimeText);
    }
  } else {
    int digits = sc.CountDigits();
    if (digits == 8 || digits == 6) {
      // "yyyymmdd" / "yymmdd", the unseparated forms.
      int ydigits = digits - 4;
      sc.Number(ydigits, &year);
      sc.Number(2, &month);
      sc.Number(2, &day);
      year_digits = ydigits;
      if (!sc.AtEnd() && sc.Peek() != ' ' && sc.Peek() != 'T') {
        return Status::Error(kBadDatetimeText);
      }
      sc.Accept('T');
    } else if (digits >= 1 && digits <= 4) {
      int a = 0, b = 0, c = 0;
      int a_digits = sc.Number(4, &a);
      char sep = sc.Peek();
      if (sep != '-' && sep != '/' && sep != '.') {
        return Status::Error(kBadDatetimeText);
      }
      ++sc.pos;
      if (sc.Number(2, &b) == 0 || !sc.Accept(sep)) {
        return Status::Error(kBadDatetimeText);
      }
      int c_digits = sc.Number(4, &c);
      if (c_digits == 0) return Status::Error(kBadDatetimeText);
      if (a_digits == 4 || a_digits == 3) {
        year = a;
        month = b;
        day = c;
        year_digits = a_digits;
        if (c_digits > 2) return Status::Error(kBadDatetimeText);
      } else {
        if (c_digits != 2 && c_digits != 4) {
          return Status::Error(kBadDatetimeText);
        }
        year = c;
        year_digits = c_digits;
        if (OrderForStyle(style) == Order::kMdy) {
          month = a;
          day = b;
        } else {
          day = a;
          month = b;
        }
      }
      sc.Accept('T');
    } else {
      return Status::Error(kBadDatetimeText);
    }
  }
  if (!ParseTime(&sc, &t)) return Status::Error(kBadDatetimeText);
  t.year = FullYear(year, year_digits);
  t.month = month;
  t.day = day;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(t.year, month) ||
      !InDatetimeRange(t)) {
    return Status::Error(kDatetimeOutOfRange);
  }
  t = RoundToDatetimeTick(t);
  if (!InDatetimeRange(t)) return Status::Error(kDatetimeOutOfRange);
  *out = t;
  return Status::OK();
}

Status FormatDatetimeStyle(const SqlDateTime& t, int style, std::string* out) {
  const int y = t.year, m = t.month, d = t.day;
  const int yy = y % 100;
  const char* mon = kMonthNames[m - 1];
  const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  const char* ampm = t.hour < 12 ? "AM" : "PM";
  std::string s;
  switch (style) {
    case -1:
    case 0:
    case 100:
      s = std::string(mon) + Fmt(" %2d %04d %2d:%02d", d, y, h12, t.minute) +
          ampm;
      break;
    case 9:
    case 109:
      s = std::string(mon) +
          Fmt(" %2d %04d %2d:%02d:%02d:%03d", d, y, h12, t.minute, t.second,
              t.millisecond) +
          ampm;
      break;
    case 1:
      s = Fmt("%02d/%02d/%02d", m, d, yy);
      break;
    case 101:
      s = Fmt("%02d/%02d/%04d", m, d, y);
      break;
    case 2:
      s = Fmt("%02d.%02d.%02d", yy, m, d);
      break;
    case 102:
      s = Fmt("%04d.%02d.%02d", y, m, d);
      break;
    case 3:
      s = Fmt("%02d/%02d/%02d", d, m, yy);
      break;
    case 103:
      s = Fmt("%02d/%02d/%04d", d, m, y);
      break;
    case 4:
      s = Fmt("%02d.%02d.%02d", d, m, yy);
      break;
    case 104:
      s = Fmt("%02d.%02d.%04d", d, m, y);
      break;
    case 5:
      s = Fmt("%02d-%02d-%02d", d, m, yy);
      break;
    case 105:
      s = Fmt("%02d-%02d-%04d", d, m, y);
      break;
    case 6:
      s = Fmt("%02d ", d) + mon + Fmt(" %02d", yy);
      break;
    case 106:
      s = Fmt("%02d ", d) + mon + Fmt(" %04d", y);
      break;
    case 7:
      s = std::string(mon) + Fmt(" %02d, %02d", d, yy);
      break;
    case 107:
      s = std::string(mon) + Fmt(" %02d, %04d", d, y);
      break;
    case 8:
    case 24:
    case 108:
      s = Fmt("%02d:%02d:%02d", t.hour, t.minute, t.second);
      break;
    case 10:
      s = Fmt("%02d-%02d-%02d", m, d, yy);
      break;
    case 110:
      s = Fmt("%02d-%02d-%04d", m, d, y);
      break;
    case 11:
      s = Fmt("%02d/%02d/%02d", yy, m, d);
      break;
    case 111:
      s = Fmt("%04d/%02d/%02d", y, m, d);
      break;
    case 12:
      s = Fmt("%02d%02d%02d", yy, m, d);
      break;
    case 112:
      s = Fmt("%04d%02d%02d", y, m, d);
      break;
    case 13:
    case 113:
      s = Fmt("%02d ", d) + mon +
          Fmt(" %04d %02d:%02d:%02d:%03d", y, t.hour, t.minute, t.second,
              t.millisecond);
      break;
    case 14:
    case 114:
      s = Fmt("%02d:%02d:%02d:%03d", t.hour, t.minute, t.second, t.millisecond);
      break;
    case 20:
    case 120:
      s = Fmt("%04d-%02d-%02d %02d:%02d:%02d", y, m, d, t.hour, t.minute,
              t.second);
      break;
    case 21:
    case 25:
    case 121:
      s = FormatDatetime(t);
      break;
    case 22:
      s = Fmt("%02d/%02d/%02d %2d:%02d:%02d ", m, d, yy, h12, t.minute,
              t.second) +
          ampm;
      break;
    case 23:
      s = Fmt("%04d-%02d-%02d", y, m, d);
      break;
    case 126:
    case 127:
      s = Fmt("%04d-%02d-%02dT%02d:%02d:%02d", y, m, d, t.hour, t.minute,
              t.second);
      if (t.millisecond != 0) s += Fmt(".%03d", t.millisecond);
      break;
    default:
      return Status::Error(std::to_string(style) +
                           " is not a valid style number when converting "
                           "from datetime to a character string.");
  }
  *out = std::move(s);
  return Status::OK();
}

Status FormatFloat(double value, int style, std::string* out) {
  const char* format;
  switch (style) {
    case -1:
    case 0:
      format = "%.6g";
      break;
    case 1:
      format = "%.7e";
      break;
    case 2:
      format = "%.15e";
      break;
    case 3:
      format = "%.16e";
      break;
    default:
      return Status::Error(std::to_string(style) +
                           " is not a valid style number when converting "
                           "from float to a character string.");
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, format, value);
  std::string s = buf;
  // The server prints exponents with at least three digits.
  size_t e = s.find('e');
  if (e != std::string::npos && e + 2 < s.size()) {
    std::string digits = s.substr(e + 2);
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    s = s.substr(0, e + 2) + digits;
  }
  *out = std::move(s);
  return Status::OK();
}

bool ParseIntText(std::string_view text, int64_t* out) {
  text = Trim(text);
  if (text.empty()) {
    *out = 0;
    return true;
  }
  size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  uint64_t v = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    v = v * 10 + static_cast<uint64_t>(text[i] - '0');
    if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
      return false;
    }
  }
  *out = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

bool ParseFloatText(std::string_view text, double* out) {
  text = Trim(text);
  if (text.empty()) {
    *out = 0;
    return true;
  }
  // Only plain decimal notation: strtod alone would take "inf", "nan" and
  // hexadecimal forms, which the server rejects.
  size_t i = 0;
  if (text[i] == '+' || text[i] == '-') ++i;
  bool digits = false;
  while (i < text.size() && IsDigit(text[i])) ++i, digits = true;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, digits = true;
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool exp_digits = false;
    while (i < text.size() && IsDigit(text[i])) ++i, exp_digits = true;
    if (!exp_digits) return false;
  }
  if (i != text.size()) return false;
  std::string copy(text);
  errno = 0;
  double v = std::strtod(copy.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(v)) return false;
  *out = v;
  return true;
}

}  // namespace kelmar
