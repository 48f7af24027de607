#include "db/engine/embedded/tsql_lexer.h"

#include <cctype>

namespace kelmar {
namespace {

bool IsNameStart(unsigned char c) {
  return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80;
}

bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || std::isdigit(c) || c == '$';
}

class Lexer {
 public:
  Lexer(std::string_view sql, std::vector<TsqlToken>* out)
      : s_(sql), out_(out) {}

  Status Run() {
    while (true) {
      SkipBlanksAndComments();
      if (!error_.empty()) return Status::Error(error_);
      if (p_ >= s_.size()) break;
      Status st = Next();
      if (!st.ok()) return st;
    }
    if (!error_.empty()) return Status::Error(error_);
    return Status::OK();
  }

 private:
  unsigned char At(size_t i) const {
    return i < s_.size() ? static_cast<unsigned char>(s_[i]) : 0;
  }

  void SkipBlanksAndComments() {
    while (p_ < s_.size()) {
      unsigned char c = At(p_);
      if (std::isspace(c) || c == 0) {
        ++p_;
      } else if (c == '-' && At(p_ + 1) == '-') {
        while (p_ < s_.size() && s_[p_] != '\n') ++p_;
      } else if (c == '/' && At(p_ + 1) == '*') {
        size_t end = s_.find("*/", p_ + 2);
        if (end == std::string_view::npos) {
          error_ = "Missing end comment mark '*/'.";
          p_ = s_.size();
          return;
        }
        p_ = end + 2;
      } else {
        return;
      }
    }
  }

  // Reads a quoted literal starting at p_ (on the quote); returns the
  // content with doubled quotes kept doubled.
  bool ReadQuoted(char quote, std::string* raw) {
    size_t i = p_ + 1;
    while (i < s_.size()) {
      if (s_[i] == quote) {
        if (At(i + 1) == static_cast<unsigned char>(quote)) {
          i += 2;
          continue;
        }
        *raw = std::string(s_.substr(p_ + 1, i - p_ - 1));
        p_ = i + 1;
        return true;
      }
      ++i;
    }
    return false;
  }

  Status Unclosed(size_t at) {
    std::string near(s_.substr(at, 20));
    return Status::Error(
        "Unclosed quotation mark after the character string '" + near + "'.");
  }

  void Push(TsqlToken::Kind kind, std::string text) {
    TsqlToken t;
    t.kind = kind;
    t.text = std::move(text);
    out_->push_back(std::move(t));
  }

  // One name part: bare word, [bracketed] or "quoted".
  Status ReadNamePart(std::string* part, bool* quoted) {
    unsigned char c = At(p_);
    if (c == '[') {
      size_t i = p_ + 1;
      std::string name;
      while (true) {
        if (i >= s_.size()) {
          return Status::Error(
              "Unclosed quotation mark after the character string '" +
              std::string(s_.substr(p_, 20)) + "'.");
        }
        if (s_[i] == ']') {
          if (At(i + 1) == ']') {
            name += ']';
            i += 2;
            continue;
          }
          break;
        }
        name += s_[i++];
      }
      p_ = i + 1;
      *part = name;
      *quoted = true;
      return Status::OK();
    }
    if (c == '"') {
      size_t start = p_;
      std::string raw;
      if (!ReadQuoted('"', &raw)) return Unclosed(start);
      std::string name;
      for (size_t i = 0; i < raw.size(); ++i) {
        name += raw[i];
        if (raw[i] == '"') ++i;
      }
      *part = name;
      *quoted = true;
      return Status::OK();
    }
    size_t start = p_;
    while (p_ < s_.size() && IsNameChar(At(p_))) ++p_;
    *part = std::string(s_.substr(start, p_ - start));
    *quoted = false;
    return Status::OK();
  }

  Status ReadName() {
    TsqlToken t;
    t.kind = TsqlToken::kName;
    while (true) {
      std::string part;
      bool quoted = false;
      Status st = ReadNamePart(&part, &quoted);
      if (!st.ok()) return st;
      t.parts.push_back(part);
      t.quoted.push_back(quoted);
      // A dot directly after a name continues it ("T.col", "[dbo].[T]",
      // "T.*"); blanks around the dot are not T-SQL style and stay apart.
      if (At(p_) != '.') break;
      unsigned char n = At(p_ + 1);
      if (n == '*') {
        t.parts.push_back("*");
        t.quoted.push_back(false);
        p_ += 2;
        break;
      }
      if (!(IsNameStart(n) || n == '[' || n == '"')) break;
      ++p_;
    }
    for (size_t i = 0; i < t.parts.size(); ++i) {
      if (i) t.text += '.';
      t.text += t.parts[i];
    }
    if (t.parts.size() == 1 && !t.quoted[0]) t.upper = AsciiUpper(t.parts[0]);
    out_->push_back(std::move(t));
    return Status::OK();
  }

  // {d '...'}, {ts '...'}, {t '...'} and {fn ...}.
  Status ReadEscape() {
    size_t save = p_;
    ++p_;
    while (std::isspace(At(p_))) ++p_;
    size_t ws = p_;
    while (std::isalpha(At(p_))) ++p_;
    std::string kind = AsciiUpper(s_.substr(ws, p_ - ws));
    if (kind == "FN") {
      fn_braces_.push_back(depth_);
      return Status::OK();
    }
    if (kind == "D" || kind == "TS" || kind == "T") {
      while (std::isspace(At(p_))) ++p_;
      if (At(p_) == '\'') {
        size_t start = p_;
        std::string raw;
        if (!ReadQuoted('\'', &raw)) return Unclosed(start);
        while (std::isspace(At(p_))) ++p_;
        if (At(p_) == '}') {
          ++p_;
          std::string v = raw;
          if (kind == "D" && v.size() == 10) v += " 00:00:00.000";
          if (kind == "T") v = "1900-01-01 " + v;
          if (kind != "D") {
            // Stored datetimes carry exactly three decimals of seconds.
            size_t dot = v.find('.', 11);
            if (v.size() == 19)
              v += ".000";
            else if (dot != std::string::npos)
              v = (v + "000").substr(0, dot + 4);
          }
          Push(TsqlToken::kString, "'" + v + "'");
          return Status::OK();
        }
      }
    }
    p_ = save;
    return Status::Error("Incorrect syntax near '{'.");
  }

  Status Next() {
    unsigned char c = At(p_);
    if ((c == 'N' || c == 'n') && At(p_ + 1) == '\'') ++p_, c = '\'';
    if (c == '\'') {
      size_t start = p_;
      std::string raw;
      if (!ReadQuoted('\'', &raw)) return Unclosed(start);
      Push(TsqlToken::kString, "'" + raw + "'");
      return Status::OK();
    }
    if (c == '0' && (At(p_ + 1) == 'x' || At(p_ + 1) == 'X')) {
      size_t i = p_ + 2;
      while (std::isxdigit(At(i))) ++i;
      std::string hex(s_.substr(p_ + 2, i - p_ - 2));
      if (hex.size() % 2) hex = "0" + hex;
      p_ = i;
      Push(TsqlToken::kBlob, "X'" + hex + "'");
      return Status::OK();
    }
    if (std::isdigit(c) || (c == '.' && std::isdigit(At(p_ + 1)))) {
      size_t i = p_;
      while (std::isdigit(At(i))) ++i;
      if (At(i) == '.') {
        ++i;
        while (std::isdigit(At(i))) ++i;
      }
      if ((At(i) == 'e' || At(i) == 'E') &&
          (std::isdigit(At(i + 1)) || ((At(i + 1) == '+' || At(i + 1) == '-') &&
                                       std::isdigit(At(i + 2))))) {
        i += 2;
        while (std::isdigit(At(i))) ++i;
      }
      Push(TsqlToken::kNumber, std::string(s_.substr(p_, i - p_)));
      p_ = i;
      return Status::OK();
    }
    if (IsNameStart(c) || c == '[' || c == '"') return ReadName();
    if (c == '{') return ReadEscape();
    if (c == '?' && std::isdigit(At(p_ + 1))) {
      size_t i = p_ + 1;
      while (std::isdigit(At(i))) ++i;
      Push(TsqlToken::kParam, std::string(s_.substr(p_, i - p_)));
      p_ = i;
      return Status::OK();
    }
    if (c == '}') {
      ++p_;
      if (!fn_braces_.empty()) {
        fn_braces_.pop_back();
        return Status::OK();
      }
      return Status::Error("Incorrect syntax near '}'.");
    }
    static const char* kTwo[] = {"<=", ">=", "<>", "!=", "!<", "!>"};
    for (const char* two : kTwo) {
      if (s_.substr(p_, 2) == two) {
        Push(TsqlToken::kOp, two);
        p_ += 2;
        return Status::OK();
      }
    }
    if (std::string_view("(),;+-*/%=<>&|^~.").find(static_cast<char>(c)) !=
        std::string_view::npos) {
      if (c == '(') ++depth_;
      if (c == ')') --depth_;
      Push(TsqlToken::kOp, std::string(1, static_cast<char>(c)));
      ++p_;
      return Status::OK();
    }
    return Status::Error("Incorrect syntax near '" +
                         std::string(s_.substr(p_, 10)) + "'.");
  }

  std::string_view s_;
  std::vector<TsqlToken>* out_;
  size_t p_ = 0;
  int depth_ = 0;
  std::vector<int> fn_braces_;
  std::string error_;
};

}  // namespace

bool ParameterizeTsql(std::string_view s, std::string* key,
                      std::vector<std::string>* values) {
  key->clear();
  values->clear();
  key->reserve(s.size());
  int braces = 0;
  size_t i = 0;
  auto copy_until = [&](std::string_view end, size_t from) {
    size_t e = s.find(end, from);
    if (e == std::string_view::npos) return false;
    key->append(s.substr(i, e + end.size() - i));
    i = e + end.size();
    return true;
  };
  while (i < s.size()) {
    char c = s[i];
    if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      size_t e = s.find('\n', i);
      if (e == std::string_view::npos) e = s.size();
      key->append(s.substr(i, e - i));
      i = e;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      if (!copy_until("*/", i + 2)) return false;
    } else if (c == '[') {
      if (!copy_until("]", i + 1)) return false;
    } else if (c == '"') {
      if (!copy_until("\"", i + 1)) return false;
    } else if (c == '{' || c == '}') {
      braces += c == '{' ? 1 : -1;
      key->push_back(c);
      ++i;
    } else if (c == '\'') {
      std::string value;
      size_t j = i + 1;
      while (true) {
        if (j >= s.size()) return false;
        if (s[j] == '\'') {
          if (j + 1 < s.size() && s[j + 1] == '\'') {
            value.push_back('\'');
            j += 2;
            continue;
          }
          break;
        }
        value.push_back(s[j++]);
      }
      if (braces > 0) {
        key->append(s.substr(i, j + 1 - i));
      } else {
        // An N prefix belongs to the literal, unless it ends a name.
        if (!key->empty() && (key->back() == 'N' || key->back() == 'n') &&
            (key->size() == 1 ||
             !IsNameChar(static_cast<unsigned char>((*key)[key->size() - 2]))))
          key->pop_back();
        values->push_back(std::move(value));
        key->append(" ?" + std::to_string(values->size()) + " ");
      }
      i = j + 1;
    } else if (IsNameStart(static_cast<unsigned char>(c))) {
      size_t j = i;
      while (j < s.size() && IsNameChar(static_cast<unsigned char>(s[j]))) ++j;
      key->append(s.substr(i, j - i));
      i = j;
    } else {
      key->push_back(c);
      ++i;
    }
  }
  return true;
}

Status LexTsql(std::string_view sql, std::vector<TsqlToken>* out) {
  out->clear();
  return Lexer(sql, out).Run();
}

std::string AsciiUpper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string AsciiLower(std::string_view s) {
  std::string l(s);
  for (char& c : l)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return l;
}

}  // namespace kelmar
