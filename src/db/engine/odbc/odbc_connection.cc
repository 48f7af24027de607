#include "db/engine/odbc/odbc_connection.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/engine/connection.h"

namespace kelmar {

namespace {

// SQL_COPT_SS_MARS_ENABLED and SQL_MARS_ENABLED_YES of SQL Server's driver
// header, which is not part of unixODBC.
constexpr SQLINTEGER kSqlCoptSsMarsEnabled = 1224;
constexpr SQLULEN kSqlMarsEnabledYes = 1;

bool Succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The driver's text of the failure on `handle`, with the vendor prefixes it
// puts in front, cut to kMaxOdbcMessage bytes. Informational records (class
// "01", such as PRINT output or a changed database context) may come before
// the error, so the first record of another class is preferred.
std::string Diagnostic(SQLSMALLINT type, SQLHANDLE handle,
                       const char* fallback) {
  std::string chosen;
  if (handle != SQL_NULL_HANDLE) {
    for (SQLSMALLINT record = 1; record <= 32; ++record) {
      SQLCHAR state[6] = {};
      SQLINTEGER native = 0;
      SQLCHAR text[1024] = {};
      SQLSMALLINT length = 0;
      SQLRETURN rc = SQLGetDiagRec(type, handle, record, state, &native, text,
                                   sizeof text, &length);
      if (!Succeeded(rc)) break;
      std::string message(reinterpret_cast<char*>(text));
      const bool informational = state[0] == '0' && state[1] == '1';
      if (chosen.empty() || !informational) chosen = message;
      if (!informational && !message.empty()) break;
    }
  }
  if (chosen.empty()) return fallback;
  if (chosen.size() > kMaxOdbcMessage) chosen.resize(kMaxOdbcMessage);
  return chosen;
}

// The environment and connection handles, shared by the connection and its
// statements so that a statement outliving its connection by mistake still
// frees its handle before the connection is dropped.
struct Handles {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  bool connected = false;

  Handles() = default;
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() {
    if (connected) SQLDisconnect(dbc);
    if (dbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
};

class OdbcStatement : public Statement {
 public:
  explicit OdbcStatement(std::shared_ptr<Handles> handles)
      : handles_(std::move(handles)) {
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, handles_->dbc, &stmt_);
    if (!Succeeded(rc)) {
      alloc_error_ = Diagnostic(SQL_HANDLE_DBC, handles_->dbc,
                                "cannot allocate an ODBC statement");
      stmt_ = SQL_NULL_HSTMT;
    }
  }

  ~OdbcStatement() override {
    if (stmt_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
  }

  Status Execute(std::string_view sql) override {
    columns_.clear();
    if (stmt_ == SQL_NULL_HSTMT) return Status::Error(alloc_error_);
    // A statement may be reused: drop what is left of the previous result.
    SQLFreeStmt(stmt_, SQL_CLOSE);
    std::string text(sql);
    SQLRETURN rc = SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR*>(text.data()),
                                 static_cast<SQLINTEGER>(text.size()));
    // SQL_NO_DATA means only that the first statement was a write that hit
    // no rows: later statements of the batch may still have results.
    if (!Succeeded(rc) && rc != SQL_NO_DATA) {
      return Error("the statement failed");
    }
    bool found = false;
    return SeekColumns(&found);
  }

  int ColumnCount() const override { return static_cast<int>(columns_.size()); }

  const ColumnDescription& Column(int i) const override { return columns_[i]; }

  Status Fetch(bool* has_row) override {
    *has_row = false;
    if (columns_.empty()) return Status::OK();
    SQLRETURN rc = SQLFetch(stmt_);
    if (rc == SQL_NO_DATA) return Status::OK();
    if (!Succeeded(rc)) return Error("fetch failed");
    *has_row = true;
    return Status::OK();
  }

  Status GetText(int i, std::string* value, bool* is_null) override {
    value->clear();
    *is_null = false;
    if (i < 0 || i >= ColumnCount()) {
      return Status::Error("column " + std::to_string(i) + " out of range");
    }
    char piece[kOdbcReadPiece + 1];
    // Long values come in pieces: each call hands the next part, with a
    // truncation warning until the last one.
    while (true) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(stmt_, static_cast<SQLUSMALLINT>(i + 1),
                                SQL_C_CHAR, piece, sizeof piece, &indicator);
      if (rc == SQL_NO_DATA) break;
      if (!Succeeded(rc)) return Error("reading a value failed");
      if (indicator == SQL_NULL_DATA) {
        *is_null = true;
        value->clear();
        return Status::OK();
      }
      const size_t room = sizeof piece - 1;
      size_t got =
          (indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) > room)
              ? room
              : static_cast<size_t>(indicator);
      value->append(piece, got);
      if (rc == SQL_SUCCESS) break;
      if (got < room) break;  // a warning other than truncation
    }
    return Status::OK();
  }

  Status NextResult(bool* has_more) override {
    *has_more = false;
    columns_.clear();
    if (stmt_ == SQL_NULL_HSTMT) return Status::OK();
    SQLRETURN rc = SQLMoreResults(stmt_);
    if (rc == SQL_NO_DATA) return Status::OK();
    if (!Succeeded(rc)) return Error("the statement failed");
    return SeekColumns(has_more);
  }

 private:
  // From the current result on, stops at the first one that has columns and
  // describes it. Results without columns (row counts of writes) are passed.
  Status SeekColumns(bool* found) {
    *found = false;
    while (true) {
      SQLSMALLINT count = 0;
      SQLRETURN rc = SQLNumResultCols(stmt_, &count);
      if (!Succeeded(rc)) return Error("cannot count the result columns");
      if (count > 0) {
        Status st = Describe(count);
        if (st.ok()) *found = true;
        return st;
      }
      rc = SQLMoreResults(stmt_);
      if (rc == SQL_NO_DATA) return Status::OK();
      if (!Succeeded(rc)) return Error("the statement failed");
    }
  }

  Status Describe(SQLSMALLINT count) {
    columns_.resize(count);
    for (SQLSMALLINT c = 0; c < count; ++c) {
      std::vector<SQLCHAR> name(256);
      SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      SQLRETURN rc = SQL_ERROR;
      for (int attempt = 0; attempt < 2; ++attempt) {
        rc = SQLDescribeCol(stmt_, static_cast<SQLUSMALLINT>(c + 1),
                            name.data(), static_cast<SQLSMALLINT>(name.size()),
                            &name_length, &type, &size, &digits, &nullable);
        if (!Succeeded(rc) || static_cast<size_t>(name_length) < name.size()) {
          break;
        }
        name.resize(static_cast<size_t>(name_length) + 1);
      }
      if (!Succeeded(rc)) {
        columns_.clear();
        return Error("cannot describe the result columns");
      }
      ColumnDescription& d = columns_[c];
      d.name.assign(reinterpret_cast<char*>(name.data()),
                    std::min<size_t>(name_length, name.size() - 1));
      d.sql_type = type;
      d.column_size = size;
      d.decimal_digits = digits;
      d.nullable = nullable != SQL_NO_NULLS;
    }
    return Status::OK();
  }

  Status Error(const char* fallback) {
    columns_.clear();
    return Status::Error(Diagnostic(SQL_HANDLE_STMT, stmt_, fallback));
  }

  std::shared_ptr<Handles> handles_;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
  std::string alloc_error_;
  std::vector<ColumnDescription> columns_;
};

class OdbcConnection : public Connection {
 public:
  explicit OdbcConnection(std::shared_ptr<Handles> handles)
      : handles_(std::move(handles)) {}

  std::unique_ptr<Statement> NewStatement() override {
    return std::make_unique<OdbcStatement>(handles_);
  }

 private:
  std::shared_ptr<Handles> handles_;
};

}  // namespace

Status OpenOdbcConnection(const std::string& connection_string,
                          std::unique_ptr<Connection>* out) {
  auto handles = std::make_shared<Handles>();
  if (!Succeeded(
          SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles->env))) {
    handles->env = SQL_NULL_HENV;
    return Status::Error("cannot allocate the ODBC environment");
  }
  SQLSetEnvAttr(handles->env, SQL_ATTR_ODBC_VERSION,
                reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, handles->env, &handles->dbc))) {
    handles->dbc = SQL_NULL_HDBC;
    return Status::Error(Diagnostic(SQL_HANDLE_ENV, handles->env,
                                    "cannot allocate an ODBC connection"));
  }
  // Commands keep a cursor open while they run lookups and writes on the
  // same connection; SQL Server allows that only with multiple active
  // result sets. The attribute is SQL Server's own (its driver and FreeTDS
  // know it); drivers that do not know it ignore it or refuse it, and a
  // refusal is not fatal.
  SQLSetConnectAttr(handles->dbc, kSqlCoptSsMarsEnabled,
                    reinterpret_cast<SQLPOINTER>(kSqlMarsEnabledYes),
                    SQL_IS_UINTEGER);
  std::string text = connection_string;
  SQLCHAR completed[1024];
  SQLSMALLINT completed_length = 0;
  SQLRETURN rc = SQLDriverConnect(
      handles->dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
      completed, sizeof completed, &completed_length, SQL_DRIVER_NOPROMPT);
  if (!Succeeded(rc)) {
    return Status::Error(Diagnostic(SQL_HANDLE_DBC, handles->dbc,
                                    "cannot connect to the database"));
  }
  handles->connected = true;
  // The server relies on autocommit; a driver that refuses the switch is
  // still usable, so the failure is not fatal.
  SQLSetConnectAttr(handles->dbc, SQL_ATTR_AUTOCOMMIT,
                    reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                    SQL_IS_UINTEGER);
  *out = std::make_unique<OdbcConnection>(std::move(handles));
  return Status::OK();
}

}  // namespace kelmar
