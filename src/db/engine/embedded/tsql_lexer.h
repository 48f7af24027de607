// Tokens of T-SQL text as the embedded engine's rewriter sees them.
//
// The lexer already settles what SQLite would misread: N'..' literals lose
// their N, ODBC escapes ({d '..'}, {ts '..'}, {fn ..}) become plain
// literals or calls, 0x.. binary literals become X'..' blobs, comments
// vanish, and dotted or [bracketed] names become one name token.
#ifndef KELMAR_DB_ENGINE_EMBEDDED_TSQL_LEXER_H_
#define KELMAR_DB_ENGINE_EMBEDDED_TSQL_LEXER_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace kelmar {

struct TsqlToken {
  enum Kind {
    kName,    // identifier, keyword, variable or #temp name; see `parts`
    kString,  // text holds the SQLite literal, quotes included
    kNumber,  // text holds the literal as written
    kBlob,    // text holds X'..'
    kOp,      // punctuation or operator: ( ) , ; + - * / % = < > <= >= <> !=
    kParam,   // "?N": a text literal lifted out by ParameterizeTsql
  };
  Kind kind = kOp;
  std::string text;
  // For kName: the dot-separated parts with brackets removed; `quoted[i]`
  // tells that part i was written [..] or "..". A trailing ".*" is the
  // part "*".
  std::vector<std::string> parts;
  std::vector<bool> quoted;
  // Upper-case form of a one-part unquoted name (for keyword tests);
  // empty otherwise.
  std::string upper;
};

// Lifts the text literals out of `sql`: `key` receives the text with each
// literal replaced by "?N" (N counting from 1, an N'' prefix dropped) and
// `values` the literals' contents, quotes undoubled. Literals inside ODBC
// escapes ({d '...'}) stay. Statements that differ only in their literals
// get the same key, so their translation is done once. Returns false (and
// leaves the outputs unspecified) when the text has an unterminated literal,
// bracket or comment: the lexer then reports it.
bool ParameterizeTsql(std::string_view sql, std::string* key,
                      std::vector<std::string>* values);

// Splits `sql` into tokens. Fails (without crashing) on an unterminated
// literal, bracket or comment.
Status LexTsql(std::string_view sql, std::vector<TsqlToken>* out);

// ASCII case of names and keywords: T-SQL keywords and the catalog's names
// compare without regard to ASCII letter case.
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_EMBEDDED_TSQL_LEXER_H_
