#include "db/encoders_text.h"

#include <utility>
#include <vector>

#include "platform/text1252.h"

namespace kelmar {
namespace {

// Value of one hexadecimal character the lenient way the old clients were
// decoded: digits as such, anything else as a letter counted from "A".
int LenientHexUpper(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  return c - 'A' + 10;
}

int LenientHexLower(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
  return c - 'a' + 10;
}

// -1 when `c` is not a hexadecimal digit.
int StrictHex(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char ByteOf(int value) {
  return static_cast<char>(static_cast<unsigned char>(value & 0xFF));
}

// Built by copying rather than std::string::replace, which GCC 12 flags
// with a false -Wrestrict warning.
void ReplaceAll(std::string* text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text->size());
  size_t start = 0;
  size_t pos;
  while ((pos = text->find(from, start)) != std::string::npos) {
    out.append(*text, start, pos - start);
    out.append(to);
    start = pos + from.size();
  }
  out.append(*text, start, std::string::npos);
  *text = std::move(out);
}

}  // namespace

std::string UNESCAPE(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      int hi = LenientHexUpper(static_cast<unsigned char>(text[i + 1]));
      int lo = LenientHexUpper(static_cast<unsigned char>(text[i + 2]));
      out += ByteOf(hi * 16 + lo);
      i += 2;
    } else {
      out += text[i];
    }
  }
  for (char& c : out) {
    if (c == '+') c = ' ';
  }
  return out;
}

std::string FinishJson(std::string_view text) {
  return ReplaceAllOf(ReplaceAllOf(text, "'", "\""), "\r\n", " ");
}

std::string HTMLENCODE(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                (c >= '0' && c <= '9');
    switch (c) {
      case ' ':
      case '-':
      case '_':
      case '.':
      case '~':
      case ':':
      case ',':
      case ';':
      case '(':
      case ')':
      case '|':
        keep = true;
        break;
      default:
        break;
    }
    if (keep) {
      out += ch;
    } else {
      out += "&#x";
      out += kDigits[c >> 4];
      out += kDigits[c & 0xF];
      out += ';';
    }
  }
  return out;
}

std::string HTMLDECODE(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%') {
      if (i + 2 < text.size()) {
        int hi = LenientHexLower(static_cast<unsigned char>(text[i + 1]));
        int lo = LenientHexLower(static_cast<unsigned char>(text[i + 2]));
        out += ByteOf(hi * 16 + lo);
        i += 2;
      }
      // A short "%" is dropped; the loop copies what follows it.
    } else {
      out += c;
    }
  }
  return out;
}

std::string LIMPIACADENA(std::string_view text) {
  std::string out(text);
  ReplaceAll(&out, "%7C", "|");
  for (char& c : out) {
    if (c == '+') c = ' ';
  }
  size_t from = 0;
  while ((from = out.find('%', from)) != std::string::npos) {
    int hi = from + 1 < out.size()
                 ? StrictHex(static_cast<unsigned char>(out[from + 1]))
                 : -1;
    int lo = from + 2 < out.size()
                 ? StrictHex(static_cast<unsigned char>(out[from + 2]))
                 : -1;
    if (hi < 0 || lo < 0) {
      ++from;
      continue;
    }
    out[from] = ByteOf(hi * 16 + lo);
    out.erase(from + 1, 2);
    // The decoded byte may itself be a "%" that forms an escape with what
    // follows, or complete one started just before it.
    from = from >= 2 ? from - 2 : 0;
  }
  ReplaceAll(&out, "_prct_", "%");
  ReplaceAll(&out, "_PRCT_", "%");
  return out;
}

std::string GETQUERY(std::string_view request) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < request.size()) {
    size_t end = request.find('\n', start);
    std::string_view line = end == std::string_view::npos
                                ? request.substr(start)
                                : request.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  size_t first = lines.size();
  while (first > 0 && !lines[first - 1].empty()) --first;
  // No empty line at all means no header ended here, so there is no body.
  if (first == 0) return std::string();
  std::string body;
  for (size_t i = first; i < lines.size(); ++i) body += lines[i];
  return body;
}

}  // namespace kelmar
