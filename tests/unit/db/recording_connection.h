// Wraps a real Connection and records every statement text sent through it.
#ifndef KELMAR_TESTS_UNIT_DB_RECORDING_CONNECTION_H_
#define KELMAR_TESTS_UNIT_DB_RECORDING_CONNECTION_H_

#include <memory>
#include <string>
#include <vector>

#include "db/engine/connection.h"

namespace kelmar::testing {

class RecordingConnection : public Connection {
 public:
  explicit RecordingConnection(Connection* inner) : inner_(inner) {}

  std::vector<std::string> executed;

  std::unique_ptr<Statement> NewStatement() override;

 private:
  Connection* inner_;
};

class RecordingStatement : public Statement {
 public:
  RecordingStatement(std::unique_ptr<Statement> inner,
                     std::vector<std::string>* log)
      : inner_(std::move(inner)), log_(log) {}

  Status Execute(std::string_view sql) override {
    log_->emplace_back(sql);
    return inner_->Execute(sql);
  }
  int ColumnCount() const override { return inner_->ColumnCount(); }
  const ColumnDescription& Column(int i) const override {
    return inner_->Column(i);
  }
  Status Fetch(bool* has_row) override { return inner_->Fetch(has_row); }
  Status GetText(int i, std::string* value, bool* is_null) override {
    return inner_->GetText(i, value, is_null);
  }
  Status NextResult(bool* has_more) override {
    return inner_->NextResult(has_more);
  }

 private:
  std::unique_ptr<Statement> inner_;
  std::vector<std::string>* log_;
};

inline std::unique_ptr<Statement> RecordingConnection::NewStatement() {
  std::unique_ptr<Statement> inner = inner_->NewStatement();
  if (inner == nullptr) return nullptr;
  return std::make_unique<RecordingStatement>(std::move(inner), &executed);
}

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_UNIT_DB_RECORDING_CONNECTION_H_
