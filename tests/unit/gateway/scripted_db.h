// A scripted Connection: every statement gets the next prepared result, and
// the texts sent are kept for the test to inspect.
#ifndef KELMAR_TESTS_UNIT_GATEWAY_SCRIPTED_DB_H_
#define KELMAR_TESTS_UNIT_GATEWAY_SCRIPTED_DB_H_

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/engine/connection.h"

namespace kelmar::testing {

struct ScriptedResult {
  std::vector<ColumnDescription> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
  std::string error;  // non-empty: the statement fails with it
};

class ScriptedConnection : public Connection {
 public:
  std::deque<ScriptedResult> results;
  std::vector<std::string> executed;
  std::unique_ptr<Statement> NewStatement() override;
};

class ScriptedStatement : public Statement {
 public:
  explicit ScriptedStatement(ScriptedConnection* c) : c_(c) {}
  Status Execute(std::string_view sql) override {
    c_->executed.emplace_back(sql);
    if (!c_->results.empty()) {
      r_ = std::move(c_->results.front());
      c_->results.pop_front();
    }
    if (!r_.error.empty()) {
      std::string e = r_.error;
      r_ = ScriptedResult();
      return Status::Error(e);
    }
    return Status::OK();
  }
  int ColumnCount() const override {
    return static_cast<int>(r_.columns.size());
  }
  const ColumnDescription& Column(int i) const override {
    return r_.columns[i];
  }
  Status Fetch(bool* has_row) override {
    ++row_;
    last_ = -1;
    *has_row = row_ < static_cast<int>(r_.rows.size());
    return Status::OK();
  }
  Status GetText(int i, std::string* value, bool* is_null) override {
    if (row_ < 0 || row_ >= static_cast<int>(r_.rows.size()) || i <= last_) {
      return Status::Error("lectura fuera de orden");
    }
    last_ = i;
    *is_null = !r_.rows[row_][i].has_value();
    *value = r_.rows[row_][i].value_or("");
    return Status::OK();
  }
  Status NextResult(bool* has_more) override {
    *has_more = false;
    return Status::OK();
  }

 private:
  ScriptedConnection* c_;
  ScriptedResult r_;
  int row_ = -1;
  int last_ = -1;
};

inline std::unique_ptr<Statement> ScriptedConnection::NewStatement() {
  return std::make_unique<ScriptedStatement>(this);
}

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_UNIT_GATEWAY_SCRIPTED_DB_H_
