#include "platform/text1252.h"

#include <cstdint>

namespace kelmar {

namespace {

// Unicode code points of the bytes 0x80..0x9F; the undefined ones map to
// the C1 control of the same value.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t CodePoint(unsigned char b) {
  if (b >= 0x80 && b < 0xA0) return kHigh[b - 0x80];
  return b;
}

// Byte for a code point, or -1 when code page 1252 has none.
int ByteFor(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) return 0x80 + i;
  }
  return -1;
}

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

char Upper1252(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
  switch (b) {
    case 0x9A:
      return static_cast<char>(0x8A);  // š
    case 0x9C:
      return static_cast<char>(0x8C);  // œ
    case 0x9E:
      return static_cast<char>(0x8E);  // ž
    case 0xFF:
      return static_cast<char>(0x9F);  // ÿ
  }
  return c;
}

char Lower1252(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 32);
  switch (b) {
    case 0x8A:
      return static_cast<char>(0x9A);
    case 0x8C:
      return static_cast<char>(0x9C);
    case 0x8E:
      return static_cast<char>(0x9E);
    case 0x9F:
      return static_cast<char>(0xFF);
  }
  return c;
}

std::string Upper1252(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Upper1252(c);
  return out;
}

std::string Lower1252(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower1252(c);
  return out;
}

bool EqualsNoCase1252(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper1252(a[i]) != Upper1252(b[i])) return false;
  }
  return true;
}

std::string TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return std::string(text.substr(0, n));
}

std::string TrimLeft(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return std::string(text.substr(i));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string TrimSpace(std::string_view text) {
  auto space = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' ||
           c == '\f';
  };
  size_t b = 0, e = text.size();
  while (b < e && space(text[b])) ++b;
  while (e > b && space(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::string ReplaceAllOf(std::string_view text, std::string_view from,
                         std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  size_t pos;
  while (!from.empty() && (pos = text.find(from, start)) != text.npos) {
    out.append(text, start, pos - start);
    out.append(to);
    start = pos + from.size();
  }
  out.append(text.substr(start));
  return out;
}

std::vector<std::string_view> SplitText(std::string_view text,
                                        std::string_view sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  size_t pos;
  while (!sep.empty() && (pos = text.find(sep, start)) != text.npos) {
    parts.push_back(text.substr(start, pos - start));
    start = pos + sep.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::string PadRight(std::string_view text, size_t width) {
  std::string out(text.substr(0, width));
  out.append(width - out.size(), ' ');
  return out;
}

std::string PadLeft(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), ' ') + std::string(text);
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text)
    AppendUtf8(CodePoint(static_cast<unsigned char>(c)), &out);
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    size_t len = 0;
    uint32_t cp = 0;
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
      cp = b & 0x07;
    }
    bool valid = len > 0 && i + len <= text.size();
    for (size_t k = 1; valid && k < len; ++k) {
      unsigned char cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (cont & 0x3F);
    }
    // Overlong forms are not UTF-8; treat them as single bytes too.
    if (valid && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) ||
                  (len == 4 && cp < 0x10000))) {
      valid = false;
    }
    if (!valid) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    int byte = ByteFor(cp);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    i += len;
  }
  return out;
}

}  // namespace kelmar
