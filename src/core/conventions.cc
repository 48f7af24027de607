#include "core/conventions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/calendar.h"
#include "platform/text1252.h"

namespace kelmar {

namespace {

std::string Two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%02d", v);
  return buf;
}

// Parses all digits of `s`; false when empty or not all digits.
bool Digits(std::string_view s, int* out) {
  if (s.empty() || s.size() > 9) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = v;
  return true;
}

}  // namespace

Date DateOf(const LocalTime& t) { return Date{t.year, t.month, t.day}; }

std::string DTOC(const Date& d) {
  if (d.empty()) return "  /  /    ";
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%02d/%02d/%04d", d.day, d.month, d.year);
  return buf;
}

std::string DTOS(const Date& d) {
  if (d.empty()) return "        ";
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04d%02d%02d", d.year, d.month, d.day);
  return buf;
}

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
    return false;
  }
  return day <= DaysInMonth(year, month);
}

Date CTOD(std::string_view text) {
  std::string t = Trim(text);
  std::string parts[3];
  int n = 0;
  for (char c : t) {
    if (c == '/' || c == '-' || c == '.') {
      if (++n > 2) return Date();
    } else {
      parts[n] += c;
    }
  }
  if (n != 2) return Date();
  int d, m, y;
  if (!Digits(parts[0], &d) || !Digits(parts[1], &m) || !Digits(parts[2], &y)) {
    return Date();
  }
  if (parts[2].size() <= 2) y += 2000;
  if (!IsValidDate(y, m, d)) return Date();
  return Date{y, m, d};
}

std::string TimeText(const LocalTime& t) {
  return Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second);
}

std::string SecondsText(const LocalTime& t) {
  long seconds = t.hour * 3600L + t.minute * 60L + t.second;
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%ld.%02d", seconds, t.millisecond / 10);
  return buf;
}

double VAL(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string number;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    number += text[i++];
  }
  bool digits = false, dot = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      number += c;
    } else if (c == '.' && !dot) {
      dot = true;
      number += c;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  return std::strtod(number.c_str(), nullptr);
}

bool IsNumberText(std::string_view text) {
  std::string t = Trim(text);
  size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  size_t int_digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++int_digits;
  if (int_digits == 0) return false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  }
  return i == t.size();
}

std::string NumberText(double value, int decimals) {
  char buf[64];
  if (decimals >= 0) {
    double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0) rounded = 0;  // no "-0"
    std::snprintf(buf, sizeof(buf), "%.*f", decimals, rounded);
    return buf;
  }
  if (std::isfinite(value) && value == std::trunc(value) &&
      std::fabs(value) < 1e18) {
    std::snprintf(buf, sizeof(buf), "%.0f", value == 0 ? 0.0 : value);
    return buf;
  }
  // Shortest form that reads back as the same number, without exponent.
  for (int d = 1; d <= 15; ++d) {
    std::snprintf(buf, sizeof(buf), "%.*f", d, value);
    if (std::strtod(buf, nullptr) == value) return buf;
  }
  std::snprintf(buf, sizeof(buf), "%.15f", value);
  std::string s = buf;
  while (!s.empty() && s.back() == '0') s.pop_back();
  return s;
}

std::string FixedNumberText(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  std::string s = NumberText(value, decimals);
  return PadLeft(s, 10 + (decimals > 0 ? decimals + 1 : 0));
}

std::string LogicalText(bool value) { return value ? ".T." : ".F."; }

}  // namespace kelmar
