#include "db/engine/embedded/tsql_translator.h"

#include <cctype>
#include <set>
#include <utility>

#include "db/engine/embedded/collation.h"
#include "db/engine/embedded/tsql_lexer.h"

namespace kelmar {
namespace {

// Deeper nesting than this (parentheses, CASE, IF and BEGIN blocks) fails
// instead of exhausting the stack on hostile text.
constexpr int kMaxNesting = 128;
constexpr char kTooDeep[] =
    "Some part of your SQL statement is nested too deeply. Rewrite the query "
    "or break it up into smaller queries.";

// A token, a parenthesised group, text already rewritten, or a marker that
// the statement-level passes place (LIMIT clauses).
struct Node {
  enum Kind { kTok, kGroup, kRaw, kMarker };
  Kind kind = kTok;
  TsqlToken tok;
  std::vector<Node> kids;
  std::string raw;
};

using Nodes = std::vector<Node>;

Node RawNode(std::string text, Node::Kind kind = Node::kRaw) {
  Node n;
  n.kind = kind;
  n.raw = std::move(text);
  return n;
}

bool IsWord(const Node& n, const char* w) {
  return n.kind == Node::kTok && n.tok.kind == TsqlToken::kName &&
         n.tok.upper == w;
}
bool IsWordAt(const Nodes& v, size_t i, const char* w) {
  return i < v.size() && IsWord(v[i], w);
}
bool IsOp(const Node& n, const char* op) {
  return n.kind == Node::kTok && n.tok.kind == TsqlToken::kOp &&
         n.tok.text == op;
}
bool IsName(const Node& n) {
  return n.kind == Node::kTok && n.tok.kind == TsqlToken::kName;
}
bool IsGroupAt(const Nodes& v, size_t i) {
  return i < v.size() && v[i].kind == Node::kGroup;
}

bool NeedsQuotes(const std::string& part) {
  if (part.empty()) return true;
  if (std::isdigit(static_cast<unsigned char>(part[0]))) return true;
  for (char ch : part) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (!(std::isalnum(c) || c == '_')) return true;
  }
  return false;
}

// The name's parts without a leading schema ("dbo.T" and "[dbo].[T]" name
// the table T: SQLite would read "dbo" as a database).
std::vector<size_t> MeaningfulParts(const TsqlToken& t) {
  std::vector<size_t> idx;
  size_t start = 0;
  if (t.parts.size() >= 2 && t.parts[1] != "*" &&
      (SameName(t.parts[0], "dbo") || t.parts[0].empty()))
    start = 1;
  for (size_t i = start; i < t.parts.size(); ++i) idx.push_back(i);
  return idx;
}

std::string NameSql(const TsqlToken& t) {
  std::string out;
  for (size_t i : MeaningfulParts(t)) {
    if (!out.empty()) out += '.';
    const std::string& p = t.parts[i];
    if (p == "*") {
      out += p;
    } else if (t.quoted[i] || NeedsQuotes(p)) {
      out += QuoteName(p);
    } else {
      out += p;
    }
  }
  return out;
}

// The object a name designates (its last part).
std::string ObjectName(const TsqlToken& t) {
  return t.parts.empty() ? std::string() : t.parts.back();
}

std::string Serialize(const Nodes& v, size_t b, size_t e);

std::string NodeSql(const Node& n) {
  switch (n.kind) {
    case Node::kRaw:
    case Node::kMarker:
      return n.raw;
    case Node::kGroup:
      return "(" + Serialize(n.kids, 0, n.kids.size()) + ")";
    case Node::kTok:
      if (n.tok.kind == TsqlToken::kName) return NameSql(n.tok);
      return n.tok.text;
  }
  return std::string();
}

std::string Serialize(const Nodes& v, size_t b, size_t e) {
  std::string out;
  for (size_t i = b; i < e && i < v.size(); ++i) {
    if (!out.empty()) out += ' ';
    out += NodeSql(v[i]);
  }
  return out;
}
std::string Serialize(const Nodes& v) { return Serialize(v, 0, v.size()); }

// Nodes split at top-level commas.
std::vector<Nodes> SplitCommas(const Nodes& v, size_t b, size_t e) {
  std::vector<Nodes> items(1);
  for (size_t i = b; i < e; ++i) {
    if (IsOp(v[i], ",")) {
      items.emplace_back();
    } else {
      items.back().push_back(v[i]);
    }
  }
  return items;
}

Status BuildTree(std::vector<TsqlToken>& toks, Nodes* out) {
  std::vector<Nodes> stack(1);
  for (TsqlToken& t : toks) {
    if (t.kind == TsqlToken::kOp && t.text == "(") {
      stack.emplace_back();
    } else if (t.kind == TsqlToken::kOp && t.text == ")") {
      if (stack.size() == 1) return Status::Error("Incorrect syntax near ')'.");
      Node g;
      g.kind = Node::kGroup;
      g.kids = std::move(stack.back());
      stack.pop_back();
      stack.back().push_back(std::move(g));
    } else {
      Node n;
      n.tok = std::move(t);
      stack.back().push_back(std::move(n));
    }
    if (stack.size() > kMaxNesting) return Status::Error(kTooDeep);
  }
  if (stack.size() != 1) return Status::Error("Incorrect syntax near '('.");
  *out = std::move(stack[0]);
  return Status::OK();
}

// ---------------------------------------------------------------------------
// Expression passes.

const std::set<std::string>& HintWords() {
  static const std::set<std::string> s = {
      "NOLOCK",         "READUNCOMMITTED", "ROWLOCK",      "UPDLOCK",
      "HOLDLOCK",       "READPAST",        "PAGLOCK",      "TABLOCK",
      "TABLOCKX",       "XLOCK",           "NOWAIT",       "SERIALIZABLE",
      "REPEATABLEREAD", "READCOMMITTED",   "FASTFIRSTROW", "NOEXPAND"};
  return s;
}

bool IsHintGroup(const Node& g) {
  if (g.kind != Node::kGroup || g.kids.empty()) return false;
  bool any = false;
  for (const Node& k : g.kids) {
    if (IsOp(k, ",")) continue;
    if (!IsName(k) || !HintWords().count(k.tok.upper)) return false;
    any = true;
  }
  return any;
}

const std::pair<const char*, const char*> kFunctionMap[] = {
    {"LEN", "tsql_len"},
    {"CHARINDEX", "tsql_charindex"},
    {"LEFT", "tsql_left"},
    {"RIGHT", "tsql_right"},
    {"SUBSTRING", "tsql_substring"},
    {"LTRIM", "tsql_ltrim"},
    {"RTRIM", "tsql_rtrim"},
    {"UPPER", "tsql_upper"},
    {"LOWER", "tsql_lower"},
    {"REPLACE", "tsql_replace"},
    {"ROUND", "tsql_round"},
    {"YEAR", "tsql_year"},
    {"MONTH", "tsql_month"},
    {"DAY", "tsql_day"},
    {"ISNULL", "tsql_isnull"},
    {"DATEDIFF", "tsql_datediff"},
    {"DATEADD", "tsql_dateadd"},
    {"OBJECT_ID", "kelmar_object_id"},
    {"OBJECTPROPERTY", "kelmar_objectproperty"},
};

std::string TypeText(const Nodes& v) {
  std::string s;
  for (const Node& n : v) {
    if (n.kind == Node::kGroup) {
      s += "(" + TypeText(n.kids) + ")";
    } else if (n.kind == Node::kTok) {
      s += n.tok.kind == TsqlToken::kName ? ObjectName(n.tok) : n.tok.text;
    }
  }
  return AsciiLower(s);
}

std::string QuoteText(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

Node TextNode(const std::string& s) {
  Node n;
  n.tok.kind = TsqlToken::kString;
  n.tok.text = QuoteText(s);
  return n;
}

Node CommaNode() {
  Node n;
  n.tok.kind = TsqlToken::kOp;
  n.tok.text = ",";
  return n;
}

Status PassA(Nodes& v);

// Functions whose result is text. A column brings its collation to a
// comparison, a function result none: without one, RTRIM(A) = 'chv' would
// compare letter case where A = 'chv' does not.
const std::set<std::string>& TextFunctions() {
  static const std::set<std::string> s = {"LEFT",  "RIGHT",   "SUBSTRING",
                                          "LTRIM", "RTRIM",   "UPPER",
                                          "LOWER", "REPLACE", "ISNULL"};
  return s;
}

// "(fn(args) COLLATE ...)": one primary for the passes that follow.
Node CollatedCall(const char* fn, Node args) {
  Node n;
  n.kind = Node::kGroup;
  n.kids.push_back(RawNode(fn));
  n.kids.push_back(std::move(args));
  n.kids.push_back(RawNode(std::string("COLLATE ") + kTextCollation));
  return n;
}

// CONVERT(type, x[, style]) and CAST(x AS type) become tsql_convert calls.
Status RewriteConvert(bool is_cast, Node& group) {
  Nodes type, expr, style;
  if (is_cast) {
    size_t as = group.kids.size();
    for (size_t i = 0; i < group.kids.size(); ++i) {
      if (IsWord(group.kids[i], "AS")) as = i;
    }
    if (as == group.kids.size() || as == 0 || as + 1 >= group.kids.size())
      return Status::Error("Incorrect syntax near 'CAST'.");
    expr.assign(group.kids.begin(), group.kids.begin() + as);
    type.assign(group.kids.begin() + as + 1, group.kids.end());
  } else {
    std::vector<Nodes> items = SplitCommas(group.kids, 0, group.kids.size());
    if (items.size() < 2 || items.size() > 3 || items[0].empty() ||
        items[1].empty())
      return Status::Error("Incorrect syntax near 'CONVERT'.");
    type = items[0];
    expr = items[1];
    if (items.size() == 3) style = items[2];
  }
  Nodes kids;
  kids.push_back(TextNode(TypeText(type)));
  kids.push_back(CommaNode());
  for (Node& n : expr) kids.push_back(std::move(n));
  if (!style.empty()) {
    kids.push_back(CommaNode());
    for (Node& n : style) kids.push_back(std::move(n));
  }
  group.kids = std::move(kids);
  return Status::OK();
}

// Names, hints, literals and function calls of the dialect.
Status PassA(Nodes& v) {
  Nodes out;
  out.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    Node& n = v[i];
    if (n.kind == Node::kGroup) {
      if (IsHintGroup(n)) continue;  // "(NOLOCK)" without WITH
      Status st = PassA(n.kids);
      if (!st.ok()) return st;
      out.push_back(std::move(n));
      continue;
    }
    if (!IsName(n) || n.tok.parts.size() != 1 || n.tok.quoted[0]) {
      out.push_back(std::move(n));
      continue;
    }
    const std::string& w = n.tok.upper;
    bool call = IsGroupAt(v, i + 1);
    if (w == "WITH" && call && IsHintGroup(v[i + 1])) {
      ++i;
      continue;
    }
    if (w == "CURRENT_TIMESTAMP") {
      out.push_back(RawNode("tsql_getdate()"));
      continue;
    }
    if (w == "@@IDENTITY") {
      out.push_back(RawNode("kelmar_identity()"));
      continue;
    }
    if (!call) {
      out.push_back(std::move(n));
      continue;
    }
    if (w == "GETDATE" || w == "SCOPE_IDENTITY") {
      out.push_back(
          RawNode(w == "GETDATE" ? "tsql_getdate()" : "kelmar_identity()"));
      ++i;
      continue;
    }
    if (w == "CONVERT" || w == "CAST") {
      Status st = RewriteConvert(w == "CAST", v[i + 1]);
      if (st.ok()) st = PassA(v[i + 1].kids);
      if (!st.ok()) return st;
      out.push_back(CollatedCall("tsql_convert", std::move(v[i + 1])));
      ++i;
      continue;
    }
    if ((w == "DATEDIFF" || w == "DATEADD") && !v[i + 1].kids.empty() &&
        IsName(v[i + 1].kids[0])) {
      v[i + 1].kids[0] = TextNode(AsciiLower(ObjectName(v[i + 1].kids[0].tok)));
    }
    if (TextFunctions().count(w)) {
      Status st = PassA(v[i + 1].kids);
      if (!st.ok()) return st;
      for (const auto& [from, to] : kFunctionMap) {
        if (w == from) out.push_back(CollatedCall(to, std::move(v[i + 1])));
      }
      ++i;
      continue;
    }
    bool mapped = false;
    for (const auto& [from, to] : kFunctionMap) {
      if (w == from) {
        out.push_back(RawNode(to));
        mapped = true;
        break;
      }
    }
    if (!mapped) out.push_back(std::move(n));
  }
  v = std::move(out);
  return Status::OK();
}

// Parses a TOP clause's count at v[i]; returns the nodes it takes.
size_t TopCount(const Nodes& v, size_t i, std::string* count) {
  if (i < v.size() && v[i].kind == Node::kTok &&
      v[i].tok.kind == TsqlToken::kNumber) {
    *count = v[i].tok.text;
    return 1;
  }
  if (IsGroupAt(v, i) && v[i].kids.size() == 1 &&
      v[i].kids[0].kind == Node::kTok &&
      v[i].kids[0].tok.kind == TsqlToken::kNumber) {
    *count = v[i].kids[0].tok.text;
    return 1;
  }
  return 0;
}

bool IsCompoundWord(const Node& n) {
  return IsWord(n, "UNION") || IsWord(n, "EXCEPT") || IsWord(n, "INTERSECT");
}

// TOP n becomes LIMIT n at the end of its SELECT; a SELECT that is one branch
// of a UNION is wrapped so that its LIMIT does not bind the whole union.
Status PassTop(Nodes& v) {
  for (Node& n : v) {
    if (n.kind == Node::kGroup) {
      Status st = PassTop(n.kids);
      if (!st.ok()) return st;
    }
  }
  for (size_t i = 0; i < v.size(); ++i) {
    if (!IsWord(v[i], "SELECT")) continue;
    size_t j = i + 1;
    if (IsWordAt(v, j, "DISTINCT") || IsWordAt(v, j, "ALL")) ++j;
    if (!IsWordAt(v, j, "TOP")) continue;
    std::string count;
    size_t used = TopCount(v, j + 1, &count);
    if (!used) return Status::Error("Incorrect syntax near 'TOP'.");
    v.erase(v.begin() + j, v.begin() + j + 1 + used);
    size_t end = i + 1;
    while (end < v.size() && !IsCompoundWord(v[end]) && !IsOp(v[end], ";"))
      ++end;
    bool compound = end < v.size() && IsCompoundWord(v[end]);
    for (size_t k = 0; k < i && !compound; ++k) compound = IsCompoundWord(v[k]);
    if (compound) {
      // The last branch's ORDER BY sorts the whole union: it stays outside.
      if (end == v.size() || IsOp(v[end], ";")) {
        for (size_t k = i + 1; k < end; ++k) {
          if (IsWord(v[k], "ORDER")) {
            end = k;
            break;
          }
        }
      }
      v.insert(v.begin() + end, RawNode("LIMIT " + count + ")", Node::kMarker));
      v.insert(v.begin() + i, RawNode("SELECT * FROM (", Node::kMarker));
      ++i;
    } else {
      v.insert(v.begin() + end, RawNode("LIMIT " + count, Node::kMarker));
    }
  }
  return Status::OK();
}

const std::set<std::string>& Keywords();

Node WordNode(const std::string& text) {
  Node n;
  n.tok.kind = TsqlToken::kName;
  std::string part;
  for (char c : text) {
    if (c == '.') {
      n.tok.parts.push_back(part);
      n.tok.quoted.push_back(false);
      part.clear();
    } else {
      part += c;
    }
  }
  n.tok.parts.push_back(part);
  n.tok.quoted.push_back(false);
  n.tok.text = text;
  if (n.tok.parts.size() == 1) n.tok.upper = AsciiUpper(text);
  return n;
}

bool IsAggregateName(const Node& n) {
  return IsWord(n, "MAX") || IsWord(n, "MIN") || IsWord(n, "SUM") ||
         IsWord(n, "COUNT") || IsWord(n, "AVG");
}

// Names a subquery declares in its own FROM clause (tables and aliases).
void DeclaredNames(const Nodes& v, std::set<std::string>* names) {
  for (size_t i = 0; i + 1 < v.size(); ++i) {
    if ((IsWord(v[i], "FROM") || IsWord(v[i], "JOIN") || IsWord(v[i], "AS")) &&
        IsName(v[i + 1])) {
      names->insert(AsciiUpper(ObjectName(v[i + 1].tok)));
      if (i + 2 < v.size() && IsName(v[i + 2]) &&
          v[i + 2].tok.parts.size() == 1 &&
          !Keywords().count(v[i + 2].tok.upper))
        names->insert(v[i + 2].tok.upper);
    }
  }
}

bool UsesOuterName(const Nodes& v, const std::set<std::string>& declared) {
  for (const Node& n : v) {
    if (n.kind == Node::kGroup && UsesOuterName(n.kids, declared)) return true;
    if (IsName(n)) {
      std::vector<size_t> parts = MeaningfulParts(n.tok);
      if (parts.size() >= 2 &&
          !declared.count(AsciiUpper(n.tok.parts[parts[0]])))
        return true;
    }
  }
  return false;
}

// Replaces, inside the subqueries of `v`, aggregate calls over the outer
// query's rows by references to kelmar_q.kelmar_aN; the calls go to `aggs`.
void LiftOuterAggregates(Nodes& v, bool in_subquery,
                         const std::set<std::string>& declared,
                         std::vector<Nodes>* aggs) {
  for (size_t i = 0; i < v.size(); ++i) {
    Node& n = v[i];
    if (in_subquery && IsAggregateName(n) && IsGroupAt(v, i + 1) &&
        UsesOuterName(v[i + 1].kids, declared)) {
      Nodes call = {n, v[i + 1]};
      aggs->push_back(std::move(call));
      v[i] = WordNode("kelmar_q.kelmar_a" + std::to_string(aggs->size()));
      v.erase(v.begin() + i + 1);
      continue;
    }
    if (n.kind == Node::kGroup) {
      if (!n.kids.empty() && IsWord(n.kids[0], "SELECT")) {
        std::set<std::string> inner;
        DeclaredNames(n.kids, &inner);
        LiftOuterAggregates(n.kids, true, inner, aggs);
      } else {
        LiftOuterAggregates(n.kids, in_subquery, declared, aggs);
      }
    }
  }
}

// SQLite cannot evaluate an aggregate of the outer query inside a
// correlated subquery ("(SELECT LINEA FROM PDALOG AS X WHERE
// X.IDPDALOG=MAX(P.IDPDALOG))"). Such a SELECT becomes an outer select over
// the grouped query, which computes those aggregates as extra columns.
void PassOuterAggregates(Nodes& v) {
  for (Node& n : v) {
    if (n.kind == Node::kGroup) PassOuterAggregates(n.kids);
  }
  for (size_t i = 0; i < v.size(); ++i) {
    if (!IsWord(v[i], "SELECT")) continue;
    size_t end = i + 1;
    while (end < v.size() && !IsCompoundWord(v[end]) && !IsOp(v[end], ";"))
      ++end;
    size_t j = i + 1;
    if (IsWordAt(v, j, "DISTINCT") || IsWordAt(v, j, "ALL")) ++j;
    if (IsWordAt(v, j, "TOP")) j += 2;
    size_t from = j;
    while (from < end && !IsWord(v[from], "FROM") && !IsWord(v[from], "INTO"))
      ++from;
    if (from >= end || !IsWord(v[from], "FROM")) continue;
    std::vector<Nodes> items = SplitCommas(v, j, from);
    std::vector<Nodes> aggs;
    std::vector<bool> lifted(items.size());
    for (size_t k = 0; k < items.size(); ++k) {
      size_t before = aggs.size();
      LiftOuterAggregates(items[k], false, {}, &aggs);
      lifted[k] = aggs.size() != before;
    }
    if (aggs.empty()) continue;
    Nodes inner = {WordNode("SELECT")};
    Nodes outer(v.begin() + i, v.begin() + j);
    auto comma = [](Nodes& x) {
      if (x.size() > 1) x.push_back(CommaNode());
    };
    for (size_t k = 0; k < items.size(); ++k) {
      Nodes& item = items[k];
      if (outer.size() > static_cast<size_t>(j - i))
        outer.push_back(CommaNode());
      if (lifted[k]) {
        for (Node& n : item) outer.push_back(std::move(n));
        continue;
      }
      std::string name;
      size_t expr_end = item.size();
      if (item.size() >= 3 && IsWord(item[item.size() - 2], "AS") &&
          IsName(item.back())) {
        name = ObjectName(item.back().tok);
        expr_end = item.size() - 2;
      } else if (item.size() >= 2 && IsName(item.back()) &&
                 item.back().tok.parts.size() == 1 &&
                 !Keywords().count(item.back().tok.upper) &&
                 (item[item.size() - 2].kind == Node::kGroup ||
                  IsName(item[item.size() - 2]))) {
        name = ObjectName(item.back().tok);
        expr_end = item.size() - 1;
      } else if (item.size() == 1 && IsName(item[0])) {
        name = ObjectName(item[0].tok);
      }
      std::string column = "kelmar_c" + std::to_string(k + 1);
      comma(inner);
      for (size_t x = 0; x < expr_end; ++x) inner.push_back(std::move(item[x]));
      inner.push_back(WordNode("AS"));
      inner.push_back(WordNode(column));
      outer.push_back(WordNode("kelmar_q." + column));
      if (!name.empty()) {
        outer.push_back(WordNode("AS"));
        Node alias = WordNode("x");
        alias.tok.parts = {name};
        alias.tok.quoted = {true};
        alias.tok.upper.clear();
        outer.push_back(std::move(alias));
      }
    }
    for (size_t a = 0; a < aggs.size(); ++a) {
      comma(inner);
      for (Node& n : aggs[a]) inner.push_back(std::move(n));
      inner.push_back(WordNode("AS"));
      inner.push_back(WordNode("kelmar_a" + std::to_string(a + 1)));
    }
    for (size_t x = from; x < end; ++x) inner.push_back(std::move(v[x]));
    outer.push_back(WordNode("FROM"));
    Node group;
    group.kind = Node::kGroup;
    group.kids = std::move(inner);
    outer.push_back(std::move(group));
    outer.push_back(WordNode("AS"));
    outer.push_back(WordNode("kelmar_q"));
    size_t outer_size = outer.size();
    v.erase(v.begin() + i, v.begin() + end);
    v.insert(v.begin() + i, std::make_move_iterator(outer.begin()),
             std::make_move_iterator(outer.end()));
    i += outer_size - 1;
  }
}

const std::set<std::string>& Keywords() {
  static const std::set<std::string> s = {
      "SELECT",  "FROM",      "WHERE",    "AND",   "OR",     "NOT",
      "ON",      "AS",        "IS",       "IN",    "LIKE",   "BETWEEN",
      "EXISTS",  "JOIN",      "INNER",    "LEFT",  "RIGHT",  "OUTER",
      "FULL",    "CROSS",     "GROUP",    "BY",    "ORDER",  "HAVING",
      "UNION",   "ALL",       "DISTINCT", "INTO",  "VALUES", "SET",
      "UPDATE",  "DELETE",    "INSERT",   "WHEN",  "THEN",   "ELSE",
      "END",     "ASC",       "DESC",     "TOP",   "WITH",   "ESCAPE",
      "COLLATE", "CREATE",    "TABLE",    "ALTER", "DROP",   "INDEX",
      "PRIMARY", "KEY",       "IF",       "BEGIN", "COMMIT", "ROLLBACK",
      "EXCEPT",  "INTERSECT", "DEFAULT",  "LIMIT", "OFFSET", "APPLY",
      "OVER"};
  return s;
}

class PlusRewriter {
 public:
  explicit PlusRewriter(Nodes& v, int depth = 0) : v_(v), depth_(depth) {}

  // Rewrites v_[b, e) into `out`.
  Status Run(size_t b, size_t e, Nodes* out) {
    bool prev_operand = false;
    size_t i = b;
    while (i < e) {
      const Node& n = v_[i];
      bool unary =
          !prev_operand && (IsOp(n, "+") || IsOp(n, "-") || IsOp(n, "~"));
      if (unary || IsPrimaryStart(n)) {
        Term t;
        size_t j = ParseTerm(i, e, &t);
        if (j == i) {
          out->push_back(n);
          ++i;
          prev_operand = false;
          continue;
        }
        std::string acc = t.text;
        bool combined = t.changed;
        bool has_plus = false;
        while (j < e && (IsOp(v_[j], "+") || IsOp(v_[j], "-"))) {
          Term u;
          size_t k = ParseTerm(j + 1, e, &u);
          if (k == j + 1) break;
          if (IsOp(v_[j], "+")) {
            acc = "tsql_add(" + acc + "," + u.text + ")";
            has_plus = true;
          } else {
            acc = acc + " - " + u.text;
          }
          combined = combined || u.changed;
          j = k;
        }
        if (has_plus || combined) {
          out->push_back(RawNode(acc));
        } else {
          for (size_t k = i; k < j; ++k) out->push_back(v_[k]);
        }
        i = j;
        prev_operand = true;
        if (error_.size()) return Status::Error(error_);
        continue;
      }
      out->push_back(n);
      prev_operand = false;
      ++i;
    }
    if (!error_.empty()) return Status::Error(error_);
    return Status::OK();
  }

 private:
  struct Term {
    std::string text;
    bool changed = false;
  };

  bool IsPrimaryStart(const Node& n) const {
    switch (n.kind) {
      case Node::kGroup:
      case Node::kRaw:
        return true;
      case Node::kMarker:
        return false;
      case Node::kTok:
        break;
    }
    if (n.tok.kind == TsqlToken::kOp) return false;
    if (n.tok.kind != TsqlToken::kName) return true;
    if (n.tok.upper == "CASE" || n.tok.upper == "NULL") return true;
    return n.tok.upper.empty() || !Keywords().count(n.tok.upper);
  }

  size_t ParsePrimary(size_t i, size_t e, Term* t) {
    while (i < e &&
           (IsOp(v_[i], "+") || IsOp(v_[i], "-") || IsOp(v_[i], "~"))) {
      t->text += v_[i].tok.text;
      ++i;
    }
    if (i >= e || !IsPrimaryStart(v_[i])) return 0;
    const Node& n = v_[i];
    if (IsWord(n, "CASE")) {
      int depth = 0;
      size_t k = i;
      for (; k < e; ++k) {
        if (IsWord(v_[k], "CASE")) ++depth;
        if (IsWord(v_[k], "END") && --depth == 0) break;
      }
      if (k >= e) {
        error_ = "Incorrect syntax near 'CASE'.";
        return 0;
      }
      if (depth_ >= kMaxNesting) {
        error_ = kTooDeep;
        return 0;
      }
      Nodes inner;
      Status st = PlusRewriter(v_, depth_ + 1).Run(i + 1, k, &inner);
      if (!st.ok()) {
        error_ = st.message();
        return 0;
      }
      t->text += "CASE " + Serialize(inner) + " END";
      t->changed = true;
      return k + 1;
    }
    t->text += NodeSql(n);
    ++i;
    if ((n.kind == Node::kRaw || IsName(n)) && i < e &&
        v_[i].kind == Node::kGroup) {
      t->text += NodeSql(v_[i]);
      ++i;
    }
    return i;
  }

  size_t ParseTerm(size_t i, size_t e, Term* t) {
    size_t j = ParsePrimary(i, e, t);
    if (!j) return i;
    while (j < e &&
           (IsOp(v_[j], "*") || IsOp(v_[j], "/") || IsOp(v_[j], "%"))) {
      Term u;
      size_t k = ParsePrimary(j + 1, e, &u);
      if (!k) break;
      t->text += " " + v_[j].tok.text + " " + u.text;
      t->changed = t->changed || u.changed;
      j = k;
    }
    return j;
  }

  Nodes& v_;
  int depth_;
  std::string error_;
};

Status PassPlus(Nodes& v) {
  bool work = false;
  for (Node& n : v) {
    if (n.kind == Node::kGroup) {
      Status st = PassPlus(n.kids);
      if (!st.ok()) return st;
    } else if (IsOp(n, "+") || IsWord(n, "CASE")) {
      work = true;
    }
  }
  // Most lists hold neither: leave them as they are.
  if (!work) return Status::OK();
  Nodes out;
  Status st = PlusRewriter(v).Run(0, v.size(), &out);
  if (!st.ok()) return st;
  v = std::move(out);
  return Status::OK();
}

Status RewriteExpression(Nodes& v) {
  Status st = PassA(v);
  if (st.ok()) PassOuterAggregates(v);
  if (st.ok()) st = PassTop(v);
  if (st.ok()) st = PassPlus(v);
  return st;
}

// ---------------------------------------------------------------------------
// Column hints of a SELECT list.

std::vector<ColumnHint> SelectHints(const Nodes& v) {
  std::vector<ColumnHint> hints;
  size_t i = 0;
  while (i < v.size() && !IsWord(v[i], "SELECT")) ++i;
  if (i == v.size()) return hints;
  ++i;
  if (IsWordAt(v, i, "DISTINCT") || IsWordAt(v, i, "ALL")) ++i;
  if (IsWordAt(v, i, "TOP")) i += 2;
  size_t e = i;
  while (e < v.size() && !IsWord(v[e], "FROM") && !IsWord(v[e], "INTO") &&
         !IsCompoundWord(v[e]) && !IsWord(v[e], "ORDER") &&
         !IsWord(v[e], "WHERE") && !IsOp(v[e], ";"))
    ++e;
  size_t item_begin = i;
  for (size_t x = i; x <= e; ++x) {
    if (x < e && !IsOp(v[x], ",")) continue;
    size_t b = item_begin;
    item_begin = x + 1;
    // With "*" the positions of the result's columns are not those of the
    // list's items: no hints at all.
    for (size_t k = b; k < x; ++k) {
      if (IsOp(v[k], "*") && k == b) return {};
      if (IsName(v[k]) && v[k].tok.parts.back() == "*") return {};
    }
    ColumnHint h;
    const Node* last = x - b >= 2 ? &v[x - 1] : nullptr;
    const Node* before = x - b >= 2 ? &v[x - 2] : nullptr;
    bool alias =
        last && IsName(*last) && last->tok.parts.size() == 1 &&
        !Keywords().count(last->tok.upper) &&
        (IsWord(*before, "AS") || before->kind == Node::kGroup ||
         (before->kind == Node::kTok && before->tok.kind != TsqlToken::kOp));
    bool column = x - b == 1 && IsName(v[b]);
    h.named = alias || column;
    if (b < x && IsName(v[b])) {
      const std::string& w = v[b].tok.upper;
      bool call = b + 1 < x && v[b + 1].kind == Node::kGroup;
      const Node* args = call ? &v[b + 1] : nullptr;
      if (w == "CURRENT_TIMESTAMP" || (w == "GETDATE" && call)) {
        h.sql_type = kSqlTimestamp;
        h.size = 23;
        h.digits = 3;
      } else if ((w == "CAST" || w == "CONVERT") && call) {
        const Nodes& k = args->kids;
        Nodes type;
        if (w == "CONVERT") {
          std::vector<Nodes> parts = SplitCommas(k, 0, k.size());
          type = parts[0];
        } else {
          size_t as = k.size();
          for (size_t x = 0; x < k.size(); ++x)
            if (IsWord(k[x], "AS")) as = x;
          if (as < k.size()) type.assign(k.begin() + as + 1, k.end());
        }
        TsqlType t = ParseTsqlType(TypeText(type));
        if (t.kind != TsqlType::kUnknown) {
          ColumnDescription d;
          DescribeTsqlType(t, &d);
          bool open_length =
              (t.kind == TsqlType::kVarchar || t.kind == TsqlType::kChar) &&
              TypeText(type).find('(') == std::string::npos;
          if (!open_length) {
            h.sql_type = d.sql_type;
            h.size = d.column_size;
            h.digits = d.decimal_digits;
          } else {
            // varchar without a length: as wide as its longest value.
            h.sql_type = d.sql_type;
          }
        }
      } else if (w == "LEFT" && call) {
        const Nodes& k = args->kids;
        std::vector<Nodes> parts = SplitCommas(k, 0, k.size());
        if (parts.size() == 2 && parts[1].size() == 1 &&
            parts[1][0].kind == Node::kTok &&
            parts[1][0].tok.kind == TsqlToken::kNumber) {
          h.sql_type = kSqlVarchar;
          h.size = std::stoull(parts[1][0].tok.text);
        }
      }
    }
    hints.push_back(h);
  }
  return hints;
}

// ---------------------------------------------------------------------------
// Statements.

const std::set<std::string>& StatementWords() {
  static const std::set<std::string> s = {
      "SELECT",   "INSERT", "UPDATE",  "DELETE",  "CREATE",   "ALTER",
      "DROP",     "IF",     "ELSE",    "BEGIN",   "END",      "COMMIT",
      "ROLLBACK", "EXEC",   "EXECUTE", "DECLARE", "TRUNCATE", "PRINT",
      "RETURN",   "SET",    "WHILE",   "USE",     "GO"};
  return s;
}

bool IsTranWord(const Node& n) {
  return IsWord(n, "TRAN") || IsWord(n, "TRANSACTION") || IsWord(n, "WORK");
}

class Translator {
 public:
  explicit Translator(TableLookup* lookup) : lookup_(lookup) {}

  bool needs_literals() const { return needs_literals_; }

  // Parses statements from v[*i] until the end or, inside a block, its END.
  Status ParseList(Nodes& v, size_t* i, bool in_block,
                   std::vector<TsqlStep>* out) {
    while (*i < v.size()) {
      if (IsOp(v[*i], ";")) {
        ++*i;
        continue;
      }
      if (IsWord(v[*i], "END")) {
        if (in_block) return Status::OK();
        return Status::Error("Incorrect syntax near 'END'.");
      }
      if (IsWord(v[*i], "ELSE"))
        return Status::Error("Incorrect syntax near the keyword 'ELSE'.");
      Status st = ParseOne(v, i, out);
      if (!st.ok()) return st;
    }
    if (in_block) return Status::Error("Incorrect syntax: BEGIN without END.");
    return Status::OK();
  }

 private:
  // One statement (an IF with its branches, or a BEGIN ... END block).
  Status ParseOne(Nodes& v, size_t* i, std::vector<TsqlStep>* out) {
    if (++depth_ > kMaxNesting) return Status::Error(kTooDeep);
    Status st = ParseOneAtDepth(v, i, out);
    --depth_;
    return st;
  }

  Status ParseOneAtDepth(Nodes& v, size_t* i, std::vector<TsqlStep>* out) {
    const Node& first = v[*i];
    if (IsWord(first, "IF")) return ParseIf(v, i, out);
    if (IsWord(first, "BEGIN")) {
      if (*i + 1 < v.size() && IsTranWord(v[*i + 1])) {
        *i += 2;
        SkipTranName(v, i);
        out->push_back(Simple(TsqlStep::kBeginTran));
        return Status::OK();
      }
      ++*i;
      Status st = ParseList(v, i, true, out);
      if (!st.ok()) return st;
      ++*i;  // END
      return Status::OK();
    }
    if (IsWord(first, "COMMIT") || IsWord(first, "ROLLBACK")) {
      ++*i;
      if (*i < v.size() && IsTranWord(v[*i])) ++*i;
      SkipTranName(v, i);
      out->push_back(Simple(IsWord(first, "COMMIT") ? TsqlStep::kCommitTran
                                                    : TsqlStep::kRollbackTran));
      return Status::OK();
    }
    size_t e = StatementEnd(v, *i);
    Nodes stmt(std::make_move_iterator(v.begin() + *i),
               std::make_move_iterator(v.begin() + e));
    *i = e;
    TsqlStep step;
    Status st = TranslateSimple(stmt, &step);
    if (!st.ok()) {
      step = TsqlStep();
      step.kind = TsqlStep::kFail;
      step.message = st.message();
    }
    out->push_back(std::move(step));
    return Status::OK();
  }

  static void SkipTranName(const Nodes& v, size_t* i) {
    if (*i < v.size() && IsName(v[*i]) &&
        !StatementWords().count(v[*i].tok.upper) && !IsWord(v[*i], "END"))
      ++*i;
  }

  static TsqlStep Simple(TsqlStep::Kind k) {
    TsqlStep s;
    s.kind = k;
    return s;
  }

  Status ParseIf(Nodes& v, size_t* i, std::vector<TsqlStep>* out) {
    size_t b = *i + 1;
    size_t e = b;
    while (e < v.size() &&
           !(IsName(v[e]) && StatementWords().count(v[e].tok.upper)))
      ++e;
    if (e == b || e >= v.size())
      return Status::Error("Incorrect syntax near 'IF'.");
    Nodes cond(std::make_move_iterator(v.begin() + b),
               std::make_move_iterator(v.begin() + e));
    TsqlStep step;
    step.kind = TsqlStep::kIf;
    Status st = RewriteExpression(cond);
    if (!st.ok()) return st;
    step.sql.push_back("SELECT CASE WHEN " + Serialize(cond) +
                       " THEN 1 ELSE 0 END");
    *i = e;
    st = ParseOne(v, i, &step.then_steps);
    if (!st.ok()) return st;
    while (*i < v.size() && IsOp(v[*i], ";")) ++*i;
    if (*i < v.size() && IsWord(v[*i], "ELSE")) {
      ++*i;
      if (*i >= v.size()) return Status::Error("Incorrect syntax near 'ELSE'.");
      st = ParseOne(v, i, &step.else_steps);
      if (!st.ok()) return st;
    }
    out->push_back(std::move(step));
    return Status::OK();
  }

  // End of the simple statement starting at v[b]: the next top-level word
  // that can only begin another statement.
  static size_t StatementEnd(const Nodes& v, size_t b) {
    const std::string& head = v[b].tok.upper;
    bool seen_source = false;  // INSERT's SELECT/VALUES, UPDATE's SET
    int case_depth = 0;
    for (size_t i = b + 1; i < v.size(); ++i) {
      const Node& n = v[i];
      if (IsOp(n, ";")) return i;
      if (!IsName(n) || n.tok.upper.empty()) continue;
      const std::string& w = n.tok.upper;
      if (w == "CASE") ++case_depth;
      if (case_depth > 0) {
        if (w == "END") --case_depth;
        continue;
      }
      if (w == "VALUES") seen_source = true;
      if (!StatementWords().count(w)) continue;
      const Node& prev = v[i - 1];
      if (w == "SELECT") {
        if (IsCompoundWord(prev) || IsWord(prev, "ALL") || IsWord(prev, "AS"))
          continue;
        if (head == "INSERT" && !seen_source) {
          seen_source = true;
          continue;
        }
      }
      if (w == "SET" && head == "UPDATE" && !seen_source) {
        seen_source = true;
        continue;
      }
      if ((w == "ALTER" || w == "DROP") && head == "ALTER") continue;
      if ((w == "DELETE" || w == "UPDATE") && IsWord(prev, "ON")) continue;
      return i;
    }
    return v.size();
  }

  static bool ContainsParam(const Nodes& v) {
    for (const Node& n : v) {
      if (n.kind == Node::kGroup
              ? ContainsParam(n.kids)
              : n.kind == Node::kTok && n.tok.kind == TsqlToken::kParam)
        return true;
    }
    return false;
  }

  Status TranslateSimple(Nodes& s, TsqlStep* step) {
    const std::string w = s[0].tok.upper;
    // SQLite takes no parameters in DDL, and these statements use their
    // literals' text.
    if ((w == "CREATE" || w == "ALTER" || w == "DROP" || w == "EXEC" ||
         w == "EXECUTE" || w == "TRUNCATE") &&
        ContainsParam(s)) {
      needs_literals_ = true;
      return Status::OK();
    }
    if (s[0].kind != Node::kTok)
      return Status::Error("Incorrect syntax near '('.");
    if (w == "SELECT") return TranslateSelect(s, step);
    if (w == "INSERT") return TranslateInsert(s, step);
    if (w == "UPDATE") return TranslateUpdate(s, step);
    if (w == "DELETE") {
      if (!IsWordAt(s, 1, "FROM")) {
        Node from;
        from.tok.kind = TsqlToken::kName;
        from.tok.parts = {"FROM"};
        from.tok.quoted = {false};
        from.tok.upper = "FROM";
        s.insert(s.begin() + 1, from);
      }
      return Plain(s, step);
    }
    if (w == "TRUNCATE" && IsWordAt(s, 1, "TABLE") && s.size() == 3 &&
        IsName(s[2])) {
      step->sql.push_back("DELETE FROM " + NameSql(s[2].tok));
      return Status::OK();
    }
    if (w == "CREATE") return TranslateCreate(s, step);
    if (w == "ALTER") return TranslateAlter(s, step);
    if (w == "DROP") return TranslateDrop(s, step);
    if (w == "EXEC" || w == "EXECUTE") return TranslateExec(s, step);
    if (w == "SET" || w == "PRINT" || w == "USE" || w == "GO") {
      step->kind = TsqlStep::kSql;  // session options: nothing to do here
      return Status::OK();
    }
    if (w == "DECLARE" || w == "WHILE" || w == "RETURN") {
      return Status::Error("Statement '" + w +
                           "' is not supported by the embedded engine.");
    }
    return Plain(s, step);
  }

  // The table may be created by an earlier statement of the same batch, as
  // SQL Server resolves names only when it runs a statement.
  static Status Defer(const Nodes& s, const std::string& table,
                      TsqlStep* step) {
    *step = TsqlStep();
    step->kind = TsqlStep::kDeferred;
    step->table = table;
    step->sql.push_back(Serialize(s));
    return Status::OK();
  }

  Status Plain(Nodes& s, TsqlStep* step) {
    Status st = RewriteExpression(s);
    if (!st.ok()) return st;
    step->sql.push_back(Serialize(s));
    return Status::OK();
  }

  Status TranslateSelect(Nodes& s, TsqlStep* step) {
    step->hints = SelectHints(s);
    for (size_t i = 1; i + 1 < s.size(); ++i) {
      if (IsWord(s[i], "INTO") && IsName(s[i + 1])) {
        step->kind = TsqlStep::kSelectInto;
        step->table = ObjectName(s[i + 1].tok);
        step->schema_change = true;
        s.erase(s.begin() + i, s.begin() + i + 2);
        break;
      }
      if (IsWord(s[i], "FROM")) break;
    }
    return Plain(s, step);
  }

  static std::string Wrap(const TableColumn* c, const std::string& value) {
    if (!c || value == "NULL") return value;
    switch (c->type.kind) {
      case TsqlType::kChar:
        return "tsql_pad(" + value + "," + std::to_string(c->type.length) + ")";
      case TsqlType::kVarchar:
        if (c->type.length == 0) return value;
        return "tsql_checklen(" + value + "," + std::to_string(c->type.length) +
               ")";
      case TsqlType::kDatetime:
        return "tsql_convert('datetime'," + value + ")";
      // Numbers are stored as the column's type holds them: a decimal
      // rounded to its scale, an int cut to a whole number, text converted
      // or refused as SQL Server does.
      case TsqlType::kInt:
        return "tsql_convert('" +
               std::string(c->type.base == "integer" ? "int" : c->type.base) +
               "'," + value + ")";
      case TsqlType::kBit:
        return "tsql_convert('bit'," + value + ")";
      case TsqlType::kFloat:
      case TsqlType::kDecimal:
        return "tsql_convert('" + CanonicalTypeText(c->type) + "'," + value +
               ")";
      default:
        return value;
    }
  }

  Status TranslateInsert(Nodes& s, TsqlStep* step) {
    size_t i = 1;
    if (IsWordAt(s, i, "INTO")) ++i;
    if (i >= s.size() || !IsName(s[i]))
      return Status::Error("Incorrect syntax near 'INSERT'.");
    std::string table = ObjectName(s[i].tok);
    std::string table_sql = NameSql(s[i].tok);
    ++i;
    const TableInfo* info = lookup_->FindTable(table);
    if (!info) return Defer(s, table, step);
    step->inserts = true;
    step->identity_table = info->has_identity;
    std::vector<const TableColumn*> cols;
    const bool listed = IsGroupAt(s, i);
    if (listed) {
      for (const Nodes& item : SplitCommas(s[i].kids, 0, s[i].kids.size())) {
        if (item.size() != 1 || !IsName(item[0]))
          return Status::Error("Incorrect syntax near '('.");
        std::string name = ObjectName(item[0].tok);
        const TableColumn* c = info->Find(name);
        if (!c) return Status::Error("Invalid column name '" + name + "'.");
        cols.push_back(c);
      }
      ++i;
    } else {
      for (const TableColumn& c : info->columns) {
        if (!c.identity) cols.push_back(&c);
      }
    }
    std::string col_list;
    for (const TableColumn* c : cols) {
      if (!col_list.empty()) col_list += ",";
      col_list += QuoteName(c->name);
    }
    Nodes rest(s.begin() + i, s.end());
    if (IsWordAt(rest, 0, "DEFAULT") && IsWordAt(rest, 1, "VALUES")) {
      step->sql.push_back("INSERT INTO " + table_sql + " DEFAULT VALUES");
      return Status::OK();
    }
    Status st = RewriteExpression(rest);
    if (!st.ok()) return st;
    if (IsWordAt(rest, 0, "VALUES")) {
      std::string values;
      for (size_t k = 1; k < rest.size(); ++k) {
        if (IsOp(rest[k], ",")) continue;
        if (rest[k].kind != Node::kGroup)
          return Status::Error("Incorrect syntax near 'VALUES'.");
        std::vector<Nodes> items =
            SplitCommas(rest[k].kids, 0, rest[k].kids.size());
        if (items.size() != cols.size() && !listed) {
          return Status::Error(
              "Column name or number of supplied values does not match table "
              "definition.");
        }
        if (items.size() != cols.size()) {
          return Status::Error(
              items.size() < cols.size()
                  ? "There are more columns in the INSERT statement than "
                    "values specified in the VALUES clause. The number of "
                    "values in the VALUES clause must match the number of "
                    "columns specified in the INSERT statement."
                  : "There are fewer columns in the INSERT statement than "
                    "values specified in the VALUES clause. The number of "
                    "values in the VALUES clause must match the number of "
                    "columns specified in the INSERT statement.");
        }
        std::string tuple;
        for (size_t c = 0; c < items.size(); ++c) {
          if (c) tuple += ",";
          tuple += Wrap(cols[c], Serialize(items[c]));
        }
        if (!values.empty()) values += ",";
        values += "(" + tuple + ")";
      }
      if (values.empty())
        return Status::Error("Incorrect syntax near 'VALUES'.");
      step->sql.push_back("INSERT INTO " + table_sql + " (" + col_list +
                          ") VALUES " + values);
      return Status::OK();
    }
    if (IsWordAt(rest, 0, "SELECT") ||
        (!rest.empty() && rest[0].kind == Node::kMarker)) {
      std::string names, wrapped;
      for (size_t c = 0; c < cols.size(); ++c) {
        if (c) {
          names += ",";
          wrapped += ",";
        }
        names += "k" + std::to_string(c);
        wrapped += Wrap(cols[c], "k" + std::to_string(c));
      }
      step->sql.push_back("WITH kelmar_source(" + names + ") AS (" +
                          Serialize(rest) + ") INSERT INTO " + table_sql +
                          " (" + col_list + ") SELECT " + wrapped +
                          " FROM kelmar_source");
      return Status::OK();
    }
    return Status::Error("Incorrect syntax near '" + table + "'.");
  }

  Status TranslateUpdate(Nodes& s, TsqlStep* step) {
    if (s.size() < 4 || !IsName(s[1]))
      return Status::Error("Incorrect syntax near 'UPDATE'.");
    std::string table = ObjectName(s[1].tok);
    const TableInfo* info = lookup_->FindTable(table);
    if (!info) return Defer(s, table, step);
    Status st = RewriteExpression(s);
    if (!st.ok()) return st;
    size_t set = 2;
    while (set < s.size() && !IsWord(s[set], "SET")) ++set;
    if (set == s.size())
      return Status::Error("Incorrect syntax near '" + table + "'.");
    size_t e = set + 1;
    while (e < s.size() && !IsWord(s[e], "WHERE") && !IsWord(s[e], "FROM") &&
           s[e].kind != Node::kMarker)
      ++e;
    std::string sets;
    for (const Nodes& item : SplitCommas(s, set + 1, e)) {
      if (item.size() < 3 || !IsName(item[0]) || !IsOp(item[1], "="))
        return Status::Error("Incorrect syntax near 'SET'.");
      std::string name = ObjectName(item[0].tok);
      const TableColumn* c = info->Find(name);
      if (!c) return Status::Error("Invalid column name '" + name + "'.");
      if (!sets.empty()) sets += ",";
      sets +=
          QuoteName(c->name) + "=" + Wrap(c, Serialize(item, 2, item.size()));
    }
    step->sql.push_back(Serialize(s, 0, set + 1) + " " + sets + " " +
                        Serialize(s, e, s.size()));
    return Status::OK();
  }

  // A column definition of CREATE TABLE or ALTER TABLE.
  Status ParseColumn(const Nodes& d, TableColumn* c, bool* primary_key,
                     bool* unique, int64_t* seed) {
    if (d.size() < 2 || !IsName(d[0]) || !IsName(d[1]))
      return Status::Error("Incorrect syntax near '" +
                           (d.empty() ? std::string("(") : NodeSql(d[0])) +
                           "'.");
    c->name = ObjectName(d[0].tok);
    std::string type = AsciiLower(ObjectName(d[1].tok));
    size_t i = 2;
    if (IsGroupAt(d, i)) {
      type += "(" + TypeText(d[i].kids) + ")";
      ++i;
    }
    c->type = ParseTsqlType(type);
    if (c->type.kind == TsqlType::kUnknown)
      return Status::Error(
          "Column, parameter, or variable #1: Cannot find data type " + type +
          ".");
    c->declared = CanonicalTypeText(c->type);
    while (i < d.size()) {
      const Node& n = d[i];
      if (IsWord(n, "IDENTITY")) {
        c->identity = true;
        ++i;
        if (IsGroupAt(d, i)) {
          const Nodes& k = d[i].kids;
          if (!k.empty() && k[0].kind == Node::kTok &&
              k[0].tok.kind == TsqlToken::kNumber)
            *seed = std::atoll(k[0].tok.text.c_str());
          ++i;
        }
      } else if (IsWord(n, "NOT") && IsWordAt(d, i + 1, "NULL")) {
        c->not_null = true;
        i += 2;
      } else if (IsWord(n, "NULL") || IsWord(n, "ROWGUIDCOL") ||
                 IsWord(n, "CLUSTERED") || IsWord(n, "NONCLUSTERED")) {
        ++i;
      } else if (IsWord(n, "CONSTRAINT") || IsWord(n, "COLLATE")) {
        i += 2;
      } else if (IsWord(n, "DEFAULT")) {
        ++i;
        size_t b = i;
        if (i < d.size() && (IsOp(d[i], "-") || IsOp(d[i], "+"))) ++i;
        if (i < d.size()) ++i;
        if (IsGroupAt(d, i) && (d[i - 1].kind == Node::kTok &&
                                d[i - 1].tok.kind == TsqlToken::kName))
          ++i;
        Nodes expr(d.begin() + b, d.begin() + i);
        Status st = DefaultSql(*c, expr, &c->default_sql);
        if (!st.ok()) return st;
      } else if (IsWord(n, "PRIMARY") && IsWordAt(d, i + 1, "KEY")) {
        *primary_key = true;
        i += 2;
      } else if (IsWord(n, "UNIQUE")) {
        *unique = true;
        ++i;
      } else if (IsWord(n, "CHECK") || IsWord(n, "REFERENCES")) {
        i += 2;
        if (IsGroupAt(d, i)) ++i;
      } else {
        return Status::Error("Incorrect syntax near '" + NodeSql(n) + "'.");
      }
    }
    return Status::OK();
  }

  // SQLite's DEFAULT text for a T-SQL default: literals are stored as the
  // column stores values ('' is blank-padded in char(n), 0 in a number).
  Status DefaultSql(const TableColumn& c, Nodes expr, std::string* out) {
    while (expr.size() == 1 && expr[0].kind == Node::kGroup) {
      Nodes inner = expr[0].kids;
      expr = std::move(inner);
    }
    if (expr.empty()) return Status::Error("Incorrect syntax near 'DEFAULT'.");
    if (expr.size() == 1 && IsWord(expr[0], "NULL")) {
      out->clear();
      return Status::OK();
    }
    if (expr.size() == 1 && expr[0].kind == Node::kTok &&
        expr[0].tok.kind == TsqlToken::kString) {
      std::string text = expr[0].tok.text;
      std::string value;
      for (size_t k = 1; k + 1 < text.size(); ++k) {
        value += text[k];
        if (text[k] == '\'') ++k;
      }
      switch (c.type.kind) {
        case TsqlType::kChar:
          if (static_cast<int>(value.size()) < c.type.length)
            value.append(c.type.length - value.size(), ' ');
          *out = QuoteText(value);
          return Status::OK();
        case TsqlType::kInt:
        case TsqlType::kBit:
        case TsqlType::kFloat:
        case TsqlType::kDecimal: {
          char* end = nullptr;
          double d = std::strtod(value.c_str(), &end);
          bool blank = value.find_first_not_of(' ') == std::string::npos;
          if (!blank && (end == value.c_str() || *end)) {
            return Status::Error(
                "Conversion failed when converting the varchar value '" +
                value + "' to data type " + c.type.base + ".");
          }
          *out = blank ? "0"
                       : (c.type.kind == TsqlType::kFloat
                              ? value
                              : std::to_string(static_cast<int64_t>(d)));
          if (c.type.kind == TsqlType::kDecimal && !blank) *out = value;
          return Status::OK();
        }
        default:
          *out = text;
          return Status::OK();
      }
    }
    Status st = RewriteExpression(expr);
    if (!st.ok()) return st;
    std::string sql = Serialize(expr);
    if (expr.size() == 1 && expr[0].kind == Node::kTok &&
        expr[0].tok.kind == TsqlToken::kNumber) {
      *out = sql;
    } else if (expr.size() == 2 && IsOp(expr[0], "-")) {
      *out = "-" + NodeSql(expr[1]);
    } else {
      *out = "(" + sql + ")";
    }
    return Status::OK();
  }

  static std::string KeyColumns(const Nodes& g) {
    std::string cols;
    for (const Nodes& item : SplitCommas(g, 0, g.size())) {
      if (item.empty() || !IsName(item[0])) continue;
      if (!cols.empty()) cols += ",";
      cols += QuoteName(ObjectName(item[0].tok));
      if (item.size() > 1 && IsWord(item[1], "DESC")) cols += " DESC";
    }
    return cols;
  }

  static std::string IndexName(const std::string& table,
                               const std::string& name) {
    return QuoteName(table + "." + name);
  }

  // A table constraint (PRIMARY KEY or UNIQUE) becomes a named unique index
  // so that sp_MShelpindex can report the constraint's name.
  Status TableConstraint(const std::string& table, const Nodes& d,
                         std::vector<std::string>* indexes) {
    size_t i = 0;
    std::string name;
    if (IsWord(d[0], "CONSTRAINT")) {
      if (d.size() < 2 || !IsName(d[1]))
        return Status::Error("Incorrect syntax near 'CONSTRAINT'.");
      name = ObjectName(d[1].tok);
      i = 2;
    }
    bool pk = IsWordAt(d, i, "PRIMARY") && IsWordAt(d, i + 1, "KEY");
    bool unique = IsWordAt(d, i, "UNIQUE");
    if (!pk && !unique) return Status::OK();  // CHECK, FOREIGN KEY: not kept
    i += pk ? 2 : 1;
    if (IsWordAt(d, i, "CLUSTERED") || IsWordAt(d, i, "NONCLUSTERED")) ++i;
    if (!IsGroupAt(d, i)) return Status::Error("Incorrect syntax near 'KEY'.");
    if (name.empty()) name = (pk ? "PK__" : "UQ__") + table;
    indexes->push_back("CREATE UNIQUE INDEX " + IndexName(table, name) +
                       " ON " + QuoteName(table) + " (" +
                       KeyColumns(d[i].kids) + ")");
    return Status::OK();
  }

  Status TranslateCreate(Nodes& s, TsqlStep* step) {
    step->schema_change = true;
    size_t i = 1;
    if (IsWordAt(s, i, "TABLE")) {
      if (i + 2 >= s.size() || !IsName(s[i + 1]) || !IsGroupAt(s, i + 2))
        return Status::Error("Incorrect syntax near 'TABLE'.");
      std::string table = ObjectName(s[i + 1].tok);
      bool temp = !table.empty() && table[0] == '#';
      std::vector<std::string> defs, indexes;
      int identities = 0;
      int64_t seed = 1;
      const Nodes& body = s[i + 2].kids;
      for (const Nodes& d : SplitCommas(body, 0, body.size())) {
        if (d.empty()) return Status::Error("Incorrect syntax near ','.");
        if (IsWord(d[0], "CONSTRAINT") || IsWord(d[0], "PRIMARY") ||
            IsWord(d[0], "UNIQUE") || IsWord(d[0], "FOREIGN") ||
            IsWord(d[0], "CHECK")) {
          Status st = TableConstraint(table, d, &indexes);
          if (!st.ok()) return st;
          continue;
        }
        TableColumn c;
        bool pk = false, unique = false;
        Status st = ParseColumn(d, &c, &pk, &unique, &seed);
        if (!st.ok()) return st;
        if (c.identity) ++identities;
        if (pk || unique) {
          indexes.push_back(
              "CREATE UNIQUE INDEX " +
              IndexName(table, (pk ? "PK__" : "UQ__") + table + "__" + c.name) +
              " ON " + QuoteName(table) + " (" + QuoteName(c.name) + ")");
        }
        defs.push_back(SqliteColumnDefinition(c));
      }
      if (identities > 1)
        return Status::Error(
            "Multiple identity columns specified for table '" + table +
            "'. Only one identity column per table is allowed.");
      std::string create = std::string("CREATE ") + (temp ? "TEMP " : "") +
                           "TABLE " + QuoteName(table) + " (";
      for (size_t k = 0; k < defs.size(); ++k)
        create += (k ? ", " : "") + defs[k];
      step->sql.push_back(create + ")");
      for (std::string& ix : indexes) step->sql.push_back(std::move(ix));
      if (identities && seed != 1) {
        step->sql.push_back("INSERT INTO " + std::string(temp ? "temp." : "") +
                            "sqlite_sequence (name, seq) VALUES (" +
                            QuoteText(table) + "," + std::to_string(seed - 1) +
                            ")");
      }
      return Status::OK();
    }
    bool unique = false;
    if (IsWordAt(s, i, "UNIQUE")) unique = true, ++i;
    if (IsWordAt(s, i, "CLUSTERED") || IsWordAt(s, i, "NONCLUSTERED")) ++i;
    if (IsWordAt(s, i, "INDEX")) {
      if (i + 4 > s.size() || !IsName(s[i + 1]) || !IsWordAt(s, i + 2, "ON") ||
          !IsName(s[i + 3]) || !IsGroupAt(s, i + 4))
        return Status::Error("Incorrect syntax near 'INDEX'.");
      std::string table = ObjectName(s[i + 3].tok);
      step->sql.push_back(
          std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
          IndexName(table, ObjectName(s[i + 1].tok)) + " ON " +
          QuoteName(table) + " (" + KeyColumns(s[i + 4].kids) + ")");
      return Status::OK();
    }
    return Status::Error("Incorrect syntax near 'CREATE'.");
  }

  Status TranslateAlter(Nodes& s, TsqlStep* step) {
    if (!IsWordAt(s, 1, "TABLE") || s.size() < 5 || !IsName(s[2]))
      return Status::Error("Incorrect syntax near 'ALTER'.");
    std::string table = ObjectName(s[2].tok);
    step->schema_change = true;
    step->table = table;
    if (IsWord(s[3], "ADD")) {
      if (IsWord(s[4], "CONSTRAINT") || IsWord(s[4], "PRIMARY") ||
          IsWord(s[4], "UNIQUE")) {
        Nodes d(s.begin() + 4, s.end());
        return TableConstraint(table, d, &step->sql);
      }
      std::vector<Nodes> items = SplitCommas(s, 4, s.size());
      if (items.size() == 1) return AddColumn(items[0], step);
      // Several columns: one step each, run in order.
      step->kind = TsqlStep::kBlock;
      for (const Nodes& d : items) {
        TsqlStep sub;
        sub.table = table;
        sub.schema_change = true;
        Status st = AddColumn(d, &sub);
        if (!st.ok()) return st;
        step->then_steps.push_back(std::move(sub));
      }
      return Status::OK();
    }
    if (IsWord(s[3], "ALTER") && IsWordAt(s, 4, "COLUMN")) {
      Nodes d(s.begin() + 5, s.end());
      bool pk = false, unique = false;
      int64_t seed = 1;
      Status st = ParseColumn(d, &step->column, &pk, &unique, &seed);
      if (!st.ok()) return st;
      step->kind = TsqlStep::kAlterColumn;
      return Status::OK();
    }
    if (IsWord(s[3], "DROP") && IsWordAt(s, 4, "COLUMN") && s.size() == 6 &&
        IsName(s[5])) {
      step->sql.push_back("ALTER TABLE " + QuoteName(table) + " DROP COLUMN " +
                          QuoteName(ObjectName(s[5].tok)));
      return Status::OK();
    }
    return Status::Error("Incorrect syntax near '" + table + "'.");
  }

  Status AddColumn(const Nodes& d, TsqlStep* step) {
    bool pk = false, unique = false;
    int64_t seed = 1;
    Nodes def = d;
    if (IsWordAt(def, 0, "COLUMN")) def.erase(def.begin());
    Status st = ParseColumn(def, &step->column, &pk, &unique, &seed);
    if (!st.ok()) return st;
    step->kind = TsqlStep::kAddColumn;
    return Status::OK();
  }

  Status TranslateDrop(Nodes& s, TsqlStep* step) {
    step->schema_change = true;
    if (IsWordAt(s, 1, "TABLE")) {
      std::vector<Nodes> names = SplitCommas(s, 2, s.size());
      if (names.empty() || names[0].size() != 1 || !IsName(names[0][0]))
        return Status::Error("Incorrect syntax near 'TABLE'.");
      step->kind = TsqlStep::kDropTable;
      step->table = ObjectName(names[0][0].tok);
      if (names.size() > 1) {
        // DROP TABLE A, B: one drop after the other.
        TsqlStep all;
        all.kind = TsqlStep::kBlock;
        for (const Nodes& n : names) {
          if (n.size() != 1 || !IsName(n[0]))
            return Status::Error("Incorrect syntax near ','.");
          TsqlStep d;
          d.kind = TsqlStep::kDropTable;
          d.schema_change = true;
          d.table = ObjectName(n[0].tok);
          all.then_steps.push_back(std::move(d));
        }
        *step = std::move(all);
      }
      return Status::OK();
    }
    if (IsWordAt(s, 1, "INDEX") && s.size() >= 3 && IsName(s[2])) {
      std::vector<size_t> parts = MeaningfulParts(s[2].tok);
      std::string table, index;
      if (s.size() == 5 && IsWord(s[3], "ON") && IsName(s[4])) {
        table = ObjectName(s[4].tok);
        index = ObjectName(s[2].tok);
      } else if (parts.size() == 2) {
        table = s[2].tok.parts[parts[0]];
        index = s[2].tok.parts[parts[1]];
      } else {
        return Status::Error("Incorrect syntax near 'INDEX'.");
      }
      step->sql.push_back("DROP INDEX " + IndexName(table, index));
      return Status::OK();
    }
    return Status::Error("Incorrect syntax near 'DROP'.");
  }

  Status TranslateExec(Nodes& s, TsqlStep* step) {
    if (s.size() < 2 || !IsName(s[1]))
      return Status::Error("Incorrect syntax near 'EXEC'.");
    std::string proc = ObjectName(s[1].tok);
    if (AsciiUpper(proc) == "SP_MSHELPINDEX") {
      if (s.size() < 3 || s[2].kind != Node::kTok)
        return Status::Error(
            "Procedure or function 'sp_MShelpindex' expects parameter "
            "'@tablename', which was not supplied.");
      std::string table;
      if (s[2].tok.kind == TsqlToken::kString) {
        std::string text = s[2].tok.text;
        std::vector<TsqlToken> toks;
        std::string inner = text.substr(1, text.size() - 2);
        if (LexTsql(inner, &toks).ok() && toks.size() == 1 &&
            toks[0].kind == TsqlToken::kName)
          table = ObjectName(toks[0]);
        else
          table = inner;
      } else if (s[2].tok.kind == TsqlToken::kName) {
        table = ObjectName(s[2].tok);
      }
      step->kind = TsqlStep::kHelpIndex;
      step->table = table;
      return Status::OK();
    }
    return Status::Error("Could not find stored procedure '" + proc + "'.");
  }

  TableLookup* lookup_;
  bool needs_literals_ = false;
  int depth_ = 0;
};

}  // namespace

std::string QuoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

bool DefaultIsLiteral(const std::string& sql) {
  if (sql.empty()) return true;
  unsigned char c = static_cast<unsigned char>(sql[0]);
  return c == '\'' || c == '-' || c == '+' || c == '.' || std::isdigit(c) ||
         SameName(sql, "NULL");
}

std::string SqliteColumnDefinition(const TableColumn& c) {
  std::string def = QuoteName(c.name) + " ";
  if (c.identity) return def + "INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL";
  def += c.declared;
  if (c.type.IsText()) def += std::string(" COLLATE ") + kTextCollation;
  if (c.not_null) def += " NOT NULL";
  if (!c.default_sql.empty()) {
    // SQLite reports an expression default without its parentheses.
    def += DefaultIsLiteral(c.default_sql) ? " DEFAULT " + c.default_sql
                                           : " DEFAULT (" + c.default_sql + ")";
  }
  return def;
}

Status TranslateTsql(std::string_view sql, TableLookup* lookup,
                     std::vector<TsqlStep>* out, bool* needs_literals) {
  if (needs_literals) *needs_literals = false;
  out->clear();
  std::vector<TsqlToken> toks;
  Status st = LexTsql(sql, &toks);
  if (!st.ok()) return st;
  Nodes tree;
  st = BuildTree(toks, &tree);
  if (!st.ok()) return st;
  size_t i = 0;
  Translator translator(lookup);
  st = translator.ParseList(tree, &i, false, out);
  if (needs_literals) *needs_literals = translator.needs_literals();
  return st;
}

}  // namespace kelmar
