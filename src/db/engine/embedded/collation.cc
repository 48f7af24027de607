#include "db/engine/embedded/collation.h"

#include <sqlite3.h>

#include <array>
#include <string>

#include "platform/text1252.h"

namespace kelmar {
namespace {

// Lower case rather than upper: punctuation such as "_" then sorts before
// the letters, as it does on the server.
const std::array<unsigned char, 256>& FoldTable() {
  static const std::array<unsigned char, 256> table = [] {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
      t[i] = static_cast<unsigned char>(Lower1252(static_cast<char>(i)));
    return t;
  }();
  return table;
}

std::string_view WithoutTrailingBlanks(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

bool LikeExact(std::string_view value, std::string_view pattern, int escape);

unsigned char Fold(char c) {
  return FoldTable()[static_cast<unsigned char>(c)];
}

int CollationCompare(void*, int na, const void* a, int nb, const void* b) {
  return CompareText1252(
      std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
      std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)));
}

// Matches a "[...]" set starting at pattern[p] (just after "[") against c.
// Sets *end to the index after "]"; false in *valid when there is no "]",
// and the "[" is then an ordinary character.
bool MatchSet(std::string_view pattern, size_t p, unsigned char c, size_t* end,
              bool* valid) {
  bool negate = p < pattern.size() && pattern[p] == '^';
  if (negate) ++p;
  bool found = false;
  size_t q = p;
  for (; q < pattern.size() && (pattern[q] != ']' || q == p); ++q) {
    unsigned char lo = Fold(pattern[q]);
    if (q + 2 < pattern.size() && pattern[q + 1] == '-' &&
        pattern[q + 2] != ']') {
      unsigned char hi = Fold(pattern[q + 2]);
      found = found || (c >= lo && c <= hi);
      q += 2;
    } else {
      found = found || c == lo;
    }
  }
  *valid = q < pattern.size();
  *end = q + 1;
  return found != negate;
}

void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
      sqlite3_result_null(ctx);
      return;
    }
  }
  auto text = [&](int i) {
    const unsigned char* t = sqlite3_value_text(argv[i]);
    return std::string_view(reinterpret_cast<const char*>(t),
                            static_cast<size_t>(sqlite3_value_bytes(argv[i])));
  };
  // like(pattern, value[, escape]): SQLite passes the pattern first.
  std::string_view pattern = text(0), value = text(1);
  int escape = -1;
  if (argc == 3) {
    std::string_view e = text(2);
    if (e.size() != 1) {
      std::string m = "The invalid escape character \"" + std::string(e) +
                      "\" was specified in a LIKE predicate.";
      sqlite3_result_error(ctx, m.c_str(), -1);
      return;
    }
    escape = static_cast<unsigned char>(e[0]);
  }
  sqlite3_result_int(ctx, Like1252(value, pattern, escape) ? 1 : 0);
}

}  // namespace

int CompareText1252(std::string_view a, std::string_view b) {
  a = WithoutTrailingBlanks(a);
  b = WithoutTrailingBlanks(b);
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool Like1252(std::string_view value, std::string_view pattern, int escape) {
  // A char(n) value is stored padded: 'abc   ' LIKE 'abc' holds, and so
  // does 'abc ' LIKE 'abc %'.
  if (LikeExact(value, pattern, escape)) return true;
  std::string_view trimmed = WithoutTrailingBlanks(value);
  return trimmed.size() != value.size() && LikeExact(trimmed, pattern, escape);
}

namespace {

bool LikeExact(std::string_view value, std::string_view pattern, int escape) {
  // Iterative matching with one backtrack point, the last "%" seen: linear
  // enough for any pattern a client can send, and no recursion depth.
  size_t v = 0, p = 0;
  size_t star_p = std::string_view::npos, star_v = 0;
  while (v < value.size()) {
    bool matched = false;
    size_t next_p = p;
    if (p < pattern.size()) {
      unsigned char pc = static_cast<unsigned char>(pattern[p]);
      unsigned char vc = Fold(value[v]);
      if (escape >= 0 && pc == escape && p + 1 < pattern.size()) {
        matched = Fold(pattern[p + 1]) == vc;
        next_p = p + 2;
      } else if (pc == '%') {
        star_p = ++p;
        star_v = v;
        continue;
      } else if (pc == '_') {
        matched = true;
        next_p = p + 1;
      } else if (pc == '[') {
        size_t end = 0;
        bool valid = false;
        bool in = MatchSet(pattern, p + 1, vc, &end, &valid);
        matched = valid ? in : vc == '[';
        next_p = valid ? end : p + 1;
      } else {
        matched = Fold(pattern[p]) == vc;
        next_p = p + 1;
      }
    }
    if (matched) {
      ++v;
      p = next_p;
    } else if (star_p != std::string_view::npos) {
      p = star_p;
      v = ++star_v;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

}  // namespace

Status RegisterTextCollation(sqlite3* db) {
  int rc = sqlite3_create_collation_v2(db, kTextCollation, SQLITE_UTF8, nullptr,
                                       CollationCompare, nullptr);
  for (int args : {2, 3}) {
    if (rc == SQLITE_OK)
      rc = sqlite3_create_function_v2(
          db, "like", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
          LikeFunction, nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK)
    return Status::Error(std::string("cannot register the text collation: ") +
                         sqlite3_errmsg(db));
  return Status::OK();
}

}  // namespace kelmar
