// A scripted Connection for data-access tests: records every statement text
// sent and every column read, and answers with prepared results.
#ifndef KELMAR_TESTS_SUPPORT_FAKE_CONNECTION_H_
#define KELMAR_TESTS_SUPPORT_FAKE_CONNECTION_H_

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/engine/connection.h"

namespace kelmar::testing {

// One prepared answer. A row holds one optional text per column (nullopt is
// SQL NULL).
struct FakeResult {
  std::vector<ColumnDescription> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
  std::string error;  // non-empty: Execute fails with this message
};

inline ColumnDescription Col(std::string name, int type, uint64_t size = 0,
                             int decimals = 0, bool nullable = true) {
  return {std::move(name), type, size, decimals, nullable};
}

class FakeConnection : public Connection {
 public:
  // Answers, in order, for the statements executed; past the last one a
  // statement succeeds with no columns.
  std::deque<FakeResult> results;
  std::vector<std::string> executed;
  // Every GetText call as "row:column", in call order.
  std::vector<std::string> reads;
  bool refuse_statements = false;
  // When set, consulted first for every statement; nullopt falls back to
  // `results`.
  std::function<std::optional<FakeResult>(const std::string& sql)> responder;

  std::unique_ptr<Statement> NewStatement() override;
};

class FakeStatement : public Statement {
 public:
  explicit FakeStatement(FakeConnection* c) : c_(c) {}

  Status Execute(std::string_view sql) override {
    c_->executed.emplace_back(sql);
    std::optional<FakeResult> answer;
    if (c_->responder) answer = c_->responder(std::string(sql));
    if (answer.has_value()) {
      result_ = std::move(*answer);
    } else if (!c_->results.empty()) {
      result_ = std::move(c_->results.front());
      c_->results.pop_front();
    }
    if (!result_.error.empty()) {
      std::string message = result_.error;
      result_ = FakeResult();
      return Status::Error(message);
    }
    return Status::OK();
  }
  int ColumnCount() const override {
    return static_cast<int>(result_.columns.size());
  }
  const ColumnDescription& Column(int i) const override {
    return result_.columns[i];
  }
  Status Fetch(bool* has_row) override {
    ++row_;
    last_read_ = -1;
    *has_row = row_ < static_cast<int>(result_.rows.size());
    return Status::OK();
  }
  Status GetText(int i, std::string* value, bool* is_null) override {
    if (row_ < 0 || row_ >= static_cast<int>(result_.rows.size())) {
      return Status::Error("no current row");
    }
    // Unbound columns can only be read forwards, once each.
    if (i <= last_read_) return Status::Error("column read out of order");
    last_read_ = i;
    c_->reads.push_back(std::to_string(row_) + ":" + std::to_string(i));
    const auto& cell = result_.rows[row_][i];
    *is_null = !cell.has_value();
    *value = cell.value_or("");
    return Status::OK();
  }
  Status NextResult(bool* has_more) override {
    *has_more = false;
    return Status::OK();
  }

 private:
  FakeConnection* c_;
  FakeResult result_;
  int row_ = -1;
  int last_read_ = -1;
};

inline std::unique_ptr<Statement> FakeConnection::NewStatement() {
  if (refuse_statements) return nullptr;
  return std::make_unique<FakeStatement>(this);
}

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_SUPPORT_FAKE_CONNECTION_H_
