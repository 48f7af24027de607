// A Connection over a plain in-memory SQLite database, for the device
// command tests until they can run on the embedded engine. It rewrites only
// what the sign-in statements use that SQLite lacks: the no-lock hints and
// "SELECT TOP n".
#ifndef KELMAR_TESTS_UNIT_MOBILE_SQLITE_TEST_CONNECTION_H_
#define KELMAR_TESTS_UNIT_MOBILE_SQLITE_TEST_CONNECTION_H_

#include <sqlite3.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "db/engine/connection.h"

namespace kelmar {
namespace testing_sqlite {

inline std::string Rewrite(std::string_view sql) {
  static const std::regex kHint(R"(WITH\s*\(\s*NOLOCK\s*\))",
                                std::regex::icase);
  static const std::regex kTop(R"(^\s*SELECT\s+TOP\s+(\d+)\s)",
                               std::regex::icase);
  std::string s = std::regex_replace(std::string(sql), kHint, " ");
  std::smatch m;
  if (std::regex_search(s, m, kTop)) {
    std::string limit = m[1];
    s = "SELECT " + m.suffix().str() + " LIMIT " + limit;
  }
  return s;
}

class SqliteStatement : public Statement {
 public:
  SqliteStatement(sqlite3* db, std::vector<std::string>* executed)
      : db_(db), executed_(executed) {}
  ~SqliteStatement() override { sqlite3_finalize(stmt_); }

  Status Execute(std::string_view sql) override {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    columns_.clear();
    executed_->push_back(std::string(sql));
    std::string text = Rewrite(sql);
    if (sqlite3_prepare_v2(db_, text.c_str(), -1, &stmt_, nullptr) !=
        SQLITE_OK) {
      return Status::Error(sqlite3_errmsg(db_));
    }
    for (int i = 0; i < sqlite3_column_count(stmt_); ++i) {
      // Declared types tell the reader what SQL Server would report:
      // REAL a float, INTEGER an int, CHAR(n) and VARCHAR(n) themselves,
      // anything else varchar(255).
      ColumnDescription c;
      c.name = sqlite3_column_name(stmt_, i);
      const char* decl = sqlite3_column_decltype(stmt_, i);
      std::string type = decl == nullptr ? "" : decl;
      if (type == "REAL") {
        c.sql_type = kSqlFloat;
        c.column_size = 53;
      } else if (type == "DATETIME") {
        c.sql_type = kSqlTimestamp;
        c.column_size = 23;
        c.decimal_digits = 3;
      } else if (type == "INTEGER") {
        c.sql_type = kSqlInteger;
        c.column_size = 10;
      } else if (std::smatch m; std::regex_match(
                     type, m, std::regex(R"((VAR)?CHAR\((\d+)\))"))) {
        c.sql_type = m[1].matched ? kSqlVarchar : kSqlChar;
        c.column_size = std::stoul(m[2]);
      } else {
        c.sql_type = kSqlVarchar;
        c.column_size = 255;
      }
      columns_.push_back(c);
    }
    if (columns_.empty()) {
      int rc = sqlite3_step(stmt_);
      if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        return Status::Error(sqlite3_errmsg(db_));
      }
    }
    return Status::OK();
  }
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  const ColumnDescription& Column(int i) const override { return columns_[i]; }
  Status Fetch(bool* has_row) override {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
      *has_row = true;
      return Status::OK();
    }
    *has_row = false;
    if (rc == SQLITE_DONE) return Status::OK();
    return Status::Error(sqlite3_errmsg(db_));
  }
  Status GetText(int i, std::string* value, bool* is_null) override {
    *is_null = sqlite3_column_type(stmt_, i) == SQLITE_NULL;
    const unsigned char* t = sqlite3_column_text(stmt_, i);
    value->assign(t == nullptr ? "" : reinterpret_cast<const char*>(t),
                  sqlite3_column_bytes(stmt_, i));
    return Status::OK();
  }
  Status NextResult(bool* has_more) override {
    *has_more = false;
    return Status::OK();
  }

 private:
  sqlite3* db_;
  std::vector<std::string>* executed_;
  sqlite3_stmt* stmt_ = nullptr;
  std::vector<ColumnDescription> columns_;
};

class SqliteConnection : public Connection {
 public:
  SqliteConnection() { sqlite3_open(":memory:", &db_); }
  ~SqliteConnection() override { sqlite3_close(db_); }
  std::unique_ptr<Statement> NewStatement() override {
    return std::make_unique<SqliteStatement>(db_, &executed);
  }
  // Runs a script of plain SQLite statements; returns the error or "".
  std::string Run(const std::string& script) {
    char* err = nullptr;
    if (sqlite3_exec(db_, script.c_str(), nullptr, nullptr, &err) !=
        SQLITE_OK) {
      std::string m = err ? err : "error";
      sqlite3_free(err);
      return m;
    }
    return "";
  }

  // Every statement text received, in order.
  std::vector<std::string> executed;

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace testing_sqlite
}  // namespace kelmar

#endif  // KELMAR_TESTS_UNIT_MOBILE_SQLITE_TEST_CONNECTION_H_
