// The embedded engine: SQLite behind the T-SQL rewriter.
//
// Every result is read to the end when its statement runs. That lets column
// descriptions depend on all values (a computed text column is as wide as
// its longest value, as SQL Server describes it), lets any number of
// Statements stay open on one connection, and keeps no SQLite statement
// active between calls.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/engine/connection.h"
#include "db/engine/embedded/collation.h"
#include "db/engine/embedded/functions.h"
#include "db/engine/embedded/tsql_lexer.h"
#include "db/engine/embedded/tsql_translator.h"
#include "db/engine/embedded/tsql_types.h"
#include "db/engine/embedded/value_text.h"

namespace kelmar {
namespace {

constexpr size_t kMaxMessage = 256;
constexpr size_t kMaxCachedTranslations = 2048;
constexpr size_t kMaxCachedStatements = 256;
// Texts longer than this are not kept in the caches: a few huge batches
// must not hold on to memory.
constexpr size_t kMaxCachedText = 64 * 1024;
// SQLite binds at most 32766 parameters; long IN lists keep their literals.
constexpr size_t kMaxLiftedLiterals = 2000;

struct Cell {
  bool null = true;
  std::string text;
};

struct Result {
  std::vector<ColumnDescription> columns;
  std::vector<std::vector<Cell>> rows;
};

Status Failure(std::string message) {
  if (message.size() > kMaxMessage) message.resize(kMaxMessage);
  return Status::Error(std::move(message));
}

std::string StripSchema(std::string name) {
  if (name.rfind("main.", 0) == 0) name.erase(0, 5);
  if (name.rfind("temp.", 0) == 0) name.erase(0, 5);
  return name;
}

// SQLite's messages in the words SQL Server uses for the same failures.
std::string ServerMessage(const std::string& m) {
  auto after = [&](const char* prefix) -> std::string {
    return m.substr(std::string(prefix).size());
  };
  if (m.rfind("no such table: ", 0) == 0)
    return "Invalid object name '" + StripSchema(after("no such table: ")) +
           "'.";
  if (m.rfind("no such column: ", 0) == 0) {
    std::string c = after("no such column: ");
    if (c.find('.') != std::string::npos)
      return "The multi-part identifier \"" + c + "\" could not be bound.";
    return "Invalid column name '" + c + "'.";
  }
  if (m.rfind("UNIQUE constraint failed: ", 0) == 0) {
    std::string c = after("UNIQUE constraint failed: ");
    std::string table = c.substr(0, c.find('.'));
    return "Cannot insert duplicate key row in object 'dbo." + table +
           "'. The duplicate key value is not allowed.";
  }
  if (m.rfind("NOT NULL constraint failed: ", 0) == 0) {
    std::string c = after("NOT NULL constraint failed: ");
    size_t dot = c.find('.');
    std::string table = c.substr(0, dot);
    std::string column = dot == std::string::npos ? c : c.substr(dot + 1);
    return "Cannot insert the value NULL into column '" + column +
           "', table '" + table +
           "'; column does not allow nulls. INSERT fails.";
  }
  if (m.rfind("table ", 0) == 0 &&
      m.find(" already exists") != std::string::npos) {
    std::string t = m.substr(6, m.find(" already exists") - 6);
    if (t.size() > 1 && t.front() == '"') t = t.substr(1, t.size() - 2);
    return "There is already an object named '" + t + "' in the database.";
  }
  if (m.rfind("index ", 0) == 0 &&
      m.find(" already exists") != std::string::npos) {
    std::string ix = m.substr(6, m.find(" already exists") - 6);
    size_t dot = ix.find('.');
    std::string table = dot == std::string::npos ? "" : ix.substr(0, dot);
    std::string name = dot == std::string::npos ? ix : ix.substr(dot + 1);
    return "The operation failed because an index or statistics with name '" +
           name + "' already exists on table '" + table + "'.";
  }
  if (m.rfind("near \"", 0) == 0 &&
      m.find("\": syntax error") != std::string::npos) {
    return "Incorrect syntax near '" +
           m.substr(6, m.find("\": syntax error") - 6) + "'.";
  }
  if (m.rfind("no such function: ", 0) == 0) {
    std::string f = after("no such function: ");
    if (f.rfind("tsql_", 0) == 0) f.erase(0, 5);
    return "'" + f + "' is not a recognized built-in function name.";
  }
  return m;
}

// @@IDENTITY and the catalog helpers the rewriter's text calls.
void IdentityFunction(sqlite3_context* ctx, int, sqlite3_value**);
void ObjectIdFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  std::string text(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                   sqlite3_value_bytes(argv[0]));
  std::vector<TsqlToken> toks;
  if (!LexTsql(text, &toks).ok() || toks.size() != 1 ||
      toks[0].kind != TsqlToken::kName) {
    sqlite3_result_null(ctx);
    return;
  }
  std::string name = AsciiLower(toks[0].parts.back());
  sqlite3_result_text(ctx, name.data(), static_cast<int>(name.size()),
                      SQLITE_TRANSIENT);
}
void ObjectPropertyFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const char* prop = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
  bool user_table = prop && AsciiLower(prop) == "isusertable";
  sqlite3_result_int(ctx, user_table ? 1 : 0);
}

// SQL Server's catalog view of tables, enough for existence tests.
constexpr char kSysobjectsView[] =
    "CREATE TEMP VIEW IF NOT EXISTS sysobjects AS "
    "SELECT lower(name) AS id, name, 'U' AS xtype, 'U' AS type "
    "FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' "
    "ESCAPE '!' "
    "UNION ALL SELECT lower(name), name, 'V', 'V' FROM sqlite_master WHERE "
    "type = 'view' "
    "UNION ALL SELECT lower(name), name, 'U', 'U' FROM sqlite_temp_master "
    "WHERE type = 'table'";

class EmbeddedConnection;

class EmbeddedStatement : public Statement {
 public:
  explicit EmbeddedStatement(EmbeddedConnection* conn) : conn_(conn) {}

  Status Execute(std::string_view sql) override;
  int ColumnCount() const override {
    return current_ < results_.size()
               ? static_cast<int>(results_[current_].columns.size())
               : 0;
  }
  const ColumnDescription& Column(int i) const override {
    return results_[current_].columns[i];
  }
  Status Fetch(bool* has_row) override {
    *has_row = false;
    if (current_ >= results_.size()) return Failure("Invalid cursor state");
    const Result& r = results_[current_];
    next_column_ = 0;
    if (!past_end_ && row_ < r.rows.size()) {
      ++row_;
      *has_row = true;
    } else {
      past_end_ = true;
    }
    return Status::OK();
  }
  Status GetText(int i, std::string* value, bool* is_null) override {
    value->clear();
    *is_null = true;
    if (current_ >= results_.size() || row_ == 0 || past_end_)
      return Failure("Invalid cursor state");
    const Result& r = results_[current_];
    if (i < 0 || i >= static_cast<int>(r.columns.size()) || i < next_column_)
      return Failure("Invalid Descriptor Index");
    next_column_ = i + 1;
    const Cell& c = r.rows[row_ - 1][i];
    *is_null = c.null;
    *value = c.text;
    return Status::OK();
  }
  Status NextResult(bool* has_more) override {
    *has_more = false;
    if (current_ < results_.size()) ++current_;
    row_ = 0;
    next_column_ = 0;
    past_end_ = false;
    *has_more = current_ < results_.size();
    return Status::OK();
  }

 private:
  EmbeddedConnection* conn_;
  std::vector<Result> results_;
  size_t current_ = 0;
  size_t row_ = 0;
  bool past_end_ = false;
  int next_column_ = 0;
};

class EmbeddedConnection : public Connection, public TableLookup {
 public:
  EmbeddedConnection(sqlite3* db) : db_(db) {}
  ~EmbeddedConnection() override {
    for (auto& [text, stmt] : statements_) sqlite3_finalize(stmt);
    sqlite3_finalize(oversized_);
    sqlite3_close_v2(db_);
  }

  Status Init(Clock* clock) {
    sqlite3_extended_result_codes(db_, 0);
    // Other server instances and kelmar-sql may share the file: wait for
    // their writes rather than fail at once.
    sqlite3_busy_timeout(db_, 5000);
    // Write-ahead log: a commit appends to the log instead of rewriting the
    // file, and readers do not block the writer. FULL syncs the log at every
    // commit: a device is told its order was accepted only once the rows
    // would survive a power loss too, at the price of one sync per commit
    // (NORMAL would save it and lose the last commits on a power cut). The
    // log needs shared memory, so instances sharing the file must run on one
    // host, not over a network file system. The mode is stored in the file;
    // when it cannot be set (another connection holds a lock past the
    // timeout, a read-only folder) the engine goes on in the mode the file
    // has.
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=FULL");
    Status st = RegisterTsqlFunctions(db_, clock);
    if (st.ok()) st = RegisterTextCollation(db_);
    if (!st.ok()) return st;
    int rc =
        sqlite3_create_function_v2(db_, "kelmar_identity", 0, SQLITE_UTF8, this,
                                   IdentityFunction, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
      rc = sqlite3_create_function_v2(
          db_, "kelmar_object_id", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
          nullptr, ObjectIdFunction, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
      rc = sqlite3_create_function_v2(
          db_, "kelmar_objectproperty", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
          nullptr, ObjectPropertyFunction, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Failure(sqlite3_errmsg(db_));
    return Exec(kSysobjectsView);
  }

  std::unique_ptr<Statement> NewStatement() override {
    return std::make_unique<EmbeddedStatement>(this);
  }

  const TableInfo* FindTable(const std::string& name) override {
    catalog_used_ = true;
    std::string key = AsciiLower(name);
    auto it = catalog_.find(key);
    if (it != catalog_.end()) return &it->second;
    TableInfo info;
    info.name = name;
    sqlite3_stmt* st = nullptr;
    std::string sql = "PRAGMA table_info(" + QuoteName(name) + ")";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
      int pk_count = 0;
      while (sqlite3_step(st) == SQLITE_ROW) {
        TableColumn c;
        c.name = Text(st, 1);
        c.declared = Text(st, 2);
        c.type = ParseTsqlType(c.declared);
        c.not_null = sqlite3_column_int(st, 3) != 0;
        c.default_sql = Text(st, 4);
        if (sqlite3_column_int(st, 5) > 0) {
          ++pk_count;
          c.identity = AsciiLower(c.declared) == "integer";
        }
        info.columns.push_back(std::move(c));
      }
      if (pk_count > 1) {
        for (TableColumn& c : info.columns) c.identity = false;
      }
      for (const TableColumn& c : info.columns) info.has_identity |= c.identity;
    }
    sqlite3_finalize(st);
    // A missing table is not remembered: it may be created at any time.
    if (info.columns.empty()) return nullptr;
    return &(catalog_[key] = std::move(info));
  }

  // Runs a batch into `results`.
  Status Run(std::string_view sql, std::vector<Result>* results) {
    std::shared_ptr<const std::vector<TsqlStep>> program;
    std::vector<std::string> params;
    Status st = Translate(sql, &program, &params);
    if (!st.ok()) return st;
    params_ = &params;
    st = RunSteps(*program, results);
    params_ = nullptr;
    return st;
  }

  sqlite3_int64 identity() const { return identity_; }
  bool has_identity() const { return has_identity_; }

 private:
  struct Program {
    std::shared_ptr<const std::vector<TsqlStep>> steps;
    bool used_catalog = false;
  };

  static std::string Text(sqlite3_stmt* st, int i) {
    const unsigned char* t = sqlite3_column_text(st, i);
    return t ? std::string(reinterpret_cast<const char*>(t),
                           sqlite3_column_bytes(st, i))
             : std::string();
  }

  // The translation of `sql`, from the cache when a statement of the same
  // shape (differing only in text literals) ran before. `params` receives
  // the literals the translation's "?N" stand for.
  Status Translate(std::string_view sql,
                   std::shared_ptr<const std::vector<TsqlStep>>* out,
                   std::vector<std::string>* params,
                   bool lift_literals = true) {
    std::string key;
    if (!lift_literals || !ParameterizeTsql(sql, &key, params) ||
        params->size() > kMaxLiftedLiterals) {
      key.assign(sql);
      params->clear();
    }
    // A translation that read the catalog is current only while no other
    // connection changed the tables; one that did not (plain SELECTs) stays
    // valid, as SQLite prepares its statement again by itself.
    bool checked = false;
    for (;;) {
      auto it = programs_.find(key);
      bool literal_key = false;
      if (it == programs_.end() && !params->empty()) {
        it = programs_.find(std::string(sql));
        literal_key = it != programs_.end();
      }
      if (it == programs_.end()) break;
      if (it->second.used_catalog && !checked) {
        checked = true;
        if (NoticeOtherConnections()) continue;
      }
      if (literal_key) params->clear();
      *out = it->second.steps;
      return Status::OK();
    }
    if (!checked) NoticeOtherConnections();
    auto steps = std::make_shared<std::vector<TsqlStep>>();
    catalog_used_ = false;
    bool needs_literals = false;
    Status st = TranslateTsql(key, this, steps.get(), &needs_literals);
    if (st.ok() && needs_literals) {
      key.assign(sql);
      params->clear();
      steps->clear();
      st = TranslateTsql(key, this, steps.get(), nullptr);
    }
    if (!st.ok()) return Failure(st.message());
    *out = steps;
    // A statement on a table that did not exist yet is translated again
    // when it runs; remembering it would hide the table once created.
    if (HasDeferred(*steps) || key.size() > kMaxCachedText) return Status::OK();
    if (programs_.size() >= kMaxCachedTranslations) programs_.clear();
    programs_[key] = Program{steps, catalog_used_};
    *out = steps;
    return Status::OK();
  }

  static bool HasDeferred(const std::vector<TsqlStep>& steps) {
    for (const TsqlStep& s : steps) {
      if (s.kind == TsqlStep::kDeferred || HasDeferred(s.then_steps) ||
          HasDeferred(s.else_steps))
        return true;
    }
    return false;
  }

  // Another process (a second server on the same file, kelmar-sql) may
  // have changed the tables since this connection last looked. True when
  // it did and what depended on them was forgotten.
  bool NoticeOtherConnections() {
    sqlite3_stmt* st = nullptr;
    if (!Prepare("PRAGMA schema_version", &st).ok()) return false;
    bool changed = false;
    if (sqlite3_step(st) == SQLITE_ROW) {
      sqlite3_int64 version = sqlite3_column_int64(st, 0);
      if (version != schema_version_) {
        changed = schema_version_ >= 0;
        schema_version_ = version;
      }
    }
    sqlite3_reset(st);
    if (changed) SchemaChanged();
    return changed;
  }

  // Tables changed: forget what depended on their columns.
  void SchemaChanged() {
    catalog_.clear();
    for (auto it = programs_.begin(); it != programs_.end();) {
      it = it->second.used_catalog ? programs_.erase(it) : std::next(it);
    }
  }

  Status Exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string m = err ? err : sqlite3_errmsg(db_);
      sqlite3_free(err);
      return Failure(ServerMessage(m));
    }
    return Status::OK();
  }

  Status Prepare(const std::string& sql, sqlite3_stmt** out) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
      *out = it->second;
      return Status::OK();
    }
    const char* tail = nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &st,
                           &tail) != SQLITE_OK) {
      sqlite3_finalize(st);
      return Failure(ServerMessage(sqlite3_errmsg(db_)));
    }
    if (!st) return Failure("Incorrect syntax near ';'.");
    if (sql.size() > kMaxCachedText) {
      // Kept only until the next oversized statement replaces it.
      sqlite3_finalize(oversized_);
      oversized_ = st;
      *out = st;
      return Status::OK();
    }
    if (statements_.size() >= kMaxCachedStatements) {
      for (auto& [text, s] : statements_) sqlite3_finalize(s);
      statements_.clear();
    }
    statements_[sql] = st;
    *out = st;
    return Status::OK();
  }

  // Binds the current batch's literals to the "?N" parameters of `st`.
  Status Bind(sqlite3_stmt* st) {
    int count = sqlite3_bind_parameter_count(st);
    for (int k = 1; k <= count; ++k) {
      // "?3" alone makes slots 1 and 2 exist too, without names.
      const char* name = sqlite3_bind_parameter_name(st, k);
      if (!name) continue;
      size_t index = std::strtoul(name + 1, nullptr, 10);
      if (!params_ || index == 0 || index > params_->size()) {
        sqlite3_reset(st);
        return Failure("Incorrect syntax near '?'.");
      }
      const std::string& v = (*params_)[index - 1];
      sqlite3_bind_text(st, k, v.data(), static_cast<int>(v.size()),
                        SQLITE_STATIC);
    }
    return Status::OK();
  }

  // Runs one SQLite statement; a statement with columns adds its rows to
  // `results` (when given).
  Status RunSql(const std::string& sql, const std::vector<ColumnHint>* hints,
                std::vector<Result>* results) {
    sqlite3_stmt* st = nullptr;
    Status s = Prepare(sql, &st);
    if (!s.ok()) return s;
    s = Bind(st);
    if (!s.ok()) return s;
    // SQLite prepares a cached statement again on its first step when the
    // tables changed since; only then do its columns describe the table as
    // it is now ("SELECT *" after an added column).
    int rc = sqlite3_step(st);
    int n = sqlite3_column_count(st);
    Result r;
    std::vector<TsqlType> types(n);
    struct Seen {
      bool text = false, real = false, integer = false, blob = false;
      bool all_datetime = true, big = false;
      size_t longest = 0;
    };
    std::vector<Seen> seen(n);
    for (int c = 0; c < n; ++c) {
      const char* decl = sqlite3_column_decltype(st, c);
      if (decl) types[c] = ParseTsqlType(decl);
    }
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) {
      if (!results) continue;
      std::vector<Cell> row(n);
      for (int c = 0; c < n; ++c) {
        Cell& cell = row[c];
        int t = sqlite3_column_type(st, c);
        if (t == SQLITE_NULL) continue;
        cell.null = false;
        Seen& k = seen[c];
        const TsqlType& type = types[c];
        switch (type.kind) {
          case TsqlType::kBit:
            cell.text = sqlite3_column_double(st, c) != 0 ? "1" : "0";
            if (t == SQLITE_TEXT) cell.text = Text(st, c);
            continue;
          case TsqlType::kFloat:
            if (t == SQLITE_TEXT) break;
            cell.text = FloatText(sqlite3_column_double(st, c));
            continue;
          case TsqlType::kDecimal:
            if (t == SQLITE_TEXT) break;
            if (type.scale == 0 && t == SQLITE_INTEGER) break;
            cell.text = DecimalText(sqlite3_column_double(st, c), type.scale);
            continue;
          case TsqlType::kInt:
            if (t == SQLITE_FLOAT) {
              cell.text = std::to_string(
                  static_cast<sqlite3_int64>(sqlite3_column_double(st, c)));
              continue;
            }
            break;
          case TsqlType::kBinary:
            cell.text = HexText(std::string_view(
                static_cast<const char*>(sqlite3_column_blob(st, c)),
                sqlite3_column_bytes(st, c)));
            continue;
          default:
            break;
        }
        switch (t) {
          case SQLITE_INTEGER: {
            sqlite3_int64 v = sqlite3_column_int64(st, c);
            cell.text = std::to_string(v);
            k.integer = true;
            k.big = k.big || v > 2147483647LL || v < -2147483648LL;
            break;
          }
          case SQLITE_FLOAT:
            cell.text = FloatText(sqlite3_column_double(st, c));
            k.real = true;
            break;
          case SQLITE_BLOB:
            cell.text = HexText(std::string_view(
                static_cast<const char*>(sqlite3_column_blob(st, c)),
                sqlite3_column_bytes(st, c)));
            k.blob = true;
            break;
          default:
            cell.text = Text(st, c);
            k.text = true;
            k.all_datetime = k.all_datetime && LooksLikeDatetime(cell.text);
            break;
        }
        k.longest = std::max(k.longest, cell.text.size());
      }
      r.rows.push_back(std::move(row));
    }
    std::string error = rc == SQLITE_DONE ? std::string() : sqlite3_errmsg(db_);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);  // the bound texts belong to this call
    if (!error.empty()) return Failure(ServerMessage(error));
    if (n == 0 || !results) return Status::OK();
    r.columns.resize(n);
    for (int c = 0; c < n; ++c) {
      ColumnDescription& d = r.columns[c];
      const char* name = sqlite3_column_name(st, c);
      d.name = name ? name : "";
      const Seen& k = seen[c];
      if (types[c].kind != TsqlType::kUnknown) {
        DescribeTsqlType(types[c], &d);
        continue;
      }
      // A computed column: SQL Server names it only through an alias.
      const ColumnHint* h =
          hints && c < static_cast<int>(hints->size()) ? &(*hints)[c] : nullptr;
      if (h ? !h->named
            : d.name.find('(') != std::string::npos ||
                  d.name.find(' ') != std::string::npos)
        d.name.clear();
      if (h && h->sql_type) {
        d.sql_type = h->sql_type;
        d.column_size = h->size ? h->size : std::max<size_t>(k.longest, 1);
        d.decimal_digits = h->digits;
      } else if (k.text && k.all_datetime && !k.real && !k.integer) {
        d.sql_type = kSqlTimestamp;
        d.column_size = 23;
        d.decimal_digits = 3;
      } else if (k.text || (!k.real && !k.integer && !k.blob)) {
        d.sql_type = kSqlVarchar;
        d.column_size = std::max<size_t>(k.longest, 1);
      } else if (k.real) {
        d.sql_type = kSqlFloat;
        d.column_size = 53;
      } else if (k.integer) {
        d.sql_type = k.big ? kSqlBigInt : kSqlInteger;
        d.column_size = k.big ? 19 : 10;
      } else {
        d.sql_type = kSqlVarBinary;
        d.column_size = std::max<size_t>(k.longest / 2, 1);
      }
    }
    results->push_back(std::move(r));
    return Status::OK();
  }

  Status RunSteps(const std::vector<TsqlStep>& steps,
                  std::vector<Result>* results) {
    for (const TsqlStep& step : steps) {
      Status st = RunStep(step, results);
      if (step.schema_change) SchemaChanged();
      if (!st.ok()) return st;
    }
    return Status::OK();
  }

  Status RunStep(const TsqlStep& step, std::vector<Result>* results) {
    switch (step.kind) {
      case TsqlStep::kSql:
        for (size_t i = 0; i < step.sql.size(); ++i) {
          int before = sqlite3_total_changes(db_);
          Status st =
              RunSql(step.sql[i],
                     i + 1 == step.sql.size() ? &step.hints : nullptr, results);
          if (!st.ok()) return st;
          if (step.inserts && sqlite3_total_changes(db_) != before) {
            has_identity_ = step.identity_table;
            identity_ = sqlite3_last_insert_rowid(db_);
          }
        }
        return Status::OK();
      case TsqlStep::kIf: {
        std::vector<Result> cond;
        Status st = RunSql(step.sql[0], nullptr, &cond);
        if (!st.ok()) return st;
        bool yes = !cond.empty() && !cond[0].rows.empty() &&
                   !cond[0].rows[0][0].null && cond[0].rows[0][0].text == "1";
        return RunSteps(yes ? step.then_steps : step.else_steps, results);
      }
      case TsqlStep::kBlock:
        return RunSteps(step.then_steps, results);
      case TsqlStep::kBeginTran:
        if (sqlite3_get_autocommit(db_)) tran_depth_ = 0;
        if (tran_depth_ == 0) {
          Status st = Exec("BEGIN");
          if (!st.ok()) return st;
        }
        ++tran_depth_;
        return Status::OK();
      case TsqlStep::kCommitTran:
        if (sqlite3_get_autocommit(db_)) tran_depth_ = 0;
        if (tran_depth_ == 0)
          return Failure(
              "The COMMIT TRANSACTION request has no corresponding BEGIN "
              "TRANSACTION.");
        if (--tran_depth_ == 0) return Exec("COMMIT");
        return Status::OK();
      case TsqlStep::kRollbackTran:
        if (sqlite3_get_autocommit(db_)) tran_depth_ = 0;
        if (tran_depth_ == 0)
          return Failure(
              "The ROLLBACK TRANSACTION request has no corresponding BEGIN "
              "TRANSACTION.");
        tran_depth_ = 0;
        SchemaChanged();
        return Exec("ROLLBACK");
      case TsqlStep::kSelectInto:
        return SelectInto(step);
      case TsqlStep::kDropTable:
        return DropTable(step.table);
      case TsqlStep::kHelpIndex:
        return HelpIndex(step.table, results);
      case TsqlStep::kAddColumn:
        return AddColumn(step.table, step.column);
      case TsqlStep::kAlterColumn:
        return Rebuild(step.table, nullptr, &step.column);
      case TsqlStep::kFail:
        return Failure(step.message);
      case TsqlStep::kDeferred: {
        // The text holds the batch's parameters already; its own literals
        // stay in place so that the numbers do not clash.
        std::shared_ptr<const std::vector<TsqlStep>> program;
        std::vector<std::string> none;
        Status st = Translate(step.sql[0], &program, &none, false);
        if (!st.ok()) return st;
        if (program->size() == 1 && (*program)[0].kind == TsqlStep::kDeferred)
          return Failure("Invalid object name '" + step.table + "'.");
        return RunSteps(*program, results);
      }
    }
    return Status::OK();
  }

  // Where a table lives: "temp", "main", or empty when there is none.
  std::string SchemaOf(const std::string& table) {
    for (const char* schema : {"temp", "main"}) {
      std::string sql = std::string("SELECT name FROM ") +
                        (std::string(schema) == "temp" ? "sqlite_temp_master"
                                                       : "sqlite_master") +
                        " WHERE type = 'table' AND name = ? COLLATE NOCASE";
      sqlite3_stmt* st = nullptr;
      bool found = false;
      if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, table.data(), static_cast<int>(table.size()),
                          SQLITE_TRANSIENT);
        found = sqlite3_step(st) == SQLITE_ROW;
      }
      sqlite3_finalize(st);
      if (found) return schema;
    }
    return std::string();
  }

  Status DropTable(const std::string& table) {
    std::string schema = SchemaOf(table);
    if (schema.empty()) {
      return Failure(
          "Cannot drop the table '" + table +
          "', because it does not exist or you do not have permission.");
    }
    return Exec("DROP TABLE " + schema + "." + QuoteName(table));
  }

  Status SelectInto(const TsqlStep& step) {
    const std::string& table = step.table;
    if (!SchemaOf(table).empty())
      return Failure("There is already an object named '" + table +
                     "' in the database.");
    // A statement of its own: a cached one would describe the columns the
    // source had when it was first prepared.
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, step.sql[0].c_str(),
                           static_cast<int>(step.sql[0].size()), &st,
                           nullptr) != SQLITE_OK) {
      sqlite3_finalize(st);
      return Failure(ServerMessage(sqlite3_errmsg(db_)));
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(
        st, sqlite3_finalize);
    Status s;
    std::string defs;
    std::vector<std::string> names;
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
      const char* name = sqlite3_column_name(st, c);
      const char* decl = sqlite3_column_decltype(st, c);
      std::string n = name ? name : "";
      for (const std::string& prev : names) {
        if (SameName(prev, n))
          return Failure(
              "Column names in each table must be unique. Column name '" + n +
              "' in table '" + table + "' is specified more than once.");
      }
      names.push_back(n);
      TableColumn col;
      col.name = n;
      if (decl) {
        col.type = ParseTsqlType(decl);
        col.declared = col.type.kind == TsqlType::kUnknown
                           ? std::string(decl)
                           : CanonicalTypeText(col.type);
        if (col.type.kind == TsqlType::kInt) col.declared = "int";
      }
      if (!defs.empty()) defs += ", ";
      defs += SqliteColumnDefinition(col);
    }
    bool temp = !table.empty() && table[0] == '#';
    s = Exec(std::string("CREATE ") + (temp ? "TEMP " : "") + "TABLE " +
             QuoteName(table) + " (" + defs + ")");
    if (!s.ok()) return s;
    SchemaChanged();
    s = RunSql("INSERT INTO " + QuoteName(table) + " " + step.sql[0], nullptr,
               nullptr);
    if (!s.ok()) Exec("DROP TABLE " + QuoteName(table));
    return s;
  }

  Status HelpIndex(const std::string& table, std::vector<Result>* results) {
    Result r;
    auto col = [&](const std::string& name, int type, uint64_t size) {
      ColumnDescription d;
      d.name = name;
      d.sql_type = type;
      d.column_size = size;
      r.columns.push_back(d);
    };
    col("name", kSqlVarchar, 128);
    col("indid", kSqlSmallInt, 5);
    for (int i = 1; i <= 16; ++i)
      col("indcol" + std::to_string(i), kSqlVarchar, 128);
    std::string schema = SchemaOf(table);
    if (schema.empty()) {
      return Failure(
          "The object '" + table +
          "' does not exist in database or is invalid for this operation.");
    }
    std::vector<std::string> indexes;
    {
      std::string sql =
          std::string("SELECT name FROM ") +
          (schema == "temp" ? "sqlite_temp_master" : "sqlite_master") +
          " WHERE type = 'index' AND tbl_name = ? COLLATE NOCASE ORDER BY "
          "rowid";
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, table.data(), static_cast<int>(table.size()),
                          SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) indexes.push_back(Text(st, 0));
      }
      sqlite3_finalize(st);
    }
    int indid = 0;
    for (const std::string& ix : indexes) {
      std::vector<Cell> row(18);
      std::string shown = ix;
      if (shown.size() > table.size() + 1 &&
          SameName(shown.substr(0, table.size()), table) &&
          shown[table.size()] == '.')
        shown = shown.substr(table.size() + 1);
      row[0] = Cell{false, shown};
      row[1] = Cell{false, std::to_string(++indid)};
      sqlite3_stmt* st = nullptr;
      std::string sql =
          "PRAGMA " + schema + ".index_info(" + QuoteName(ix) + ")";
      if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        int k = 0;
        while (sqlite3_step(st) == SQLITE_ROW && k < 16)
          row[2 + k++] = Cell{false, Text(st, 2)};
      }
      sqlite3_finalize(st);
      r.rows.push_back(std::move(row));
    }
    results->push_back(std::move(r));
    return Status::OK();
  }

  sqlite3_int64 CountRows(const std::string& table) {
    sqlite3_stmt* st = nullptr;
    sqlite3_int64 n = 0;
    std::string sql = "SELECT count(*) FROM " + QuoteName(table);
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
  }

  Status AddColumn(const std::string& table, const TableColumn& column) {
    const TableInfo* info = FindTable(table);
    if (!info) return Failure("Invalid object name '" + table + "'.");
    if (info->Find(column.name)) {
      return Failure(
          "Column names in each table must be unique. Column name '" +
          column.name + "' in table '" + table +
          "' is specified more than once.");
    }
    bool constant_default =
        column.default_sql.empty() || column.default_sql[0] != '(';
    bool plain = !column.identity && constant_default &&
                 ((column.default_sql.empty() && !column.not_null) ||
                  CountRows(table) == 0);
    if (column.not_null && column.default_sql.empty() && !column.identity &&
        CountRows(table) > 0) {
      return Failure(
          "ALTER TABLE only allows columns to be added that can contain nulls, "
          "or have a DEFAULT definition specified, or the column being added "
          "is an identity or timestamp column, or alternatively if none of the "
          "previous conditions are satisfied the table must be empty to allow "
          "addition of this last column. Column '" +
          column.name + "' cannot be added to non-empty table '" + table +
          "' because it does not satisfy these conditions.");
    }
    if (plain) {
      return Exec("ALTER TABLE " + QuoteName(table) + " ADD COLUMN " +
                  SqliteColumnDefinition(column));
    }
    return Rebuild(table, &column, nullptr);
  }

  // SQLite cannot add an identity column, a column whose default is an
  // expression, or change a column's type in place: the table is copied into
  // a new one of the wanted shape, within a savepoint.
  Status Rebuild(const std::string& table, const TableColumn* added,
                 const TableColumn* changed) {
    SchemaChanged();
    const TableInfo* found = FindTable(table);
    if (!found) return Failure("Invalid object name '" + table + "'.");
    TableInfo info = *found;
    // The table keeps the name it was created with, whatever the letter
    // case of the ALTER.
    {
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(
              db_,
              "SELECT name FROM sqlite_master WHERE type = 'table' "
              "AND name = ? COLLATE NOCASE",
              -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, table.data(), static_cast<int>(table.size()),
                          SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW) info.name = Text(st, 0);
      }
      sqlite3_finalize(st);
    }
    if (SchemaOf(table) != "main")
      return Failure(
          "ALTER TABLE is not supported on temporary tables by the embedded "
          "engine.");
    std::vector<std::string> defs;
    std::string targets, sources;
    auto copy = [&](const std::string& target, const std::string& source) {
      if (!targets.empty()) {
        targets += ",";
        sources += ",";
      }
      targets += QuoteName(target);
      sources += source;
    };
    bool matched = false;
    for (TableColumn c : info.columns) {
      std::string source = QuoteName(c.name);
      if (changed && SameName(c.name, changed->name)) {
        matched = true;
        if (c.identity)
          return Failure("Cannot alter column '" + c.name +
                         "' because it is 'IDENTITY'.");
        std::string keep_default = c.default_sql;
        c.type = changed->type;
        c.declared = changed->declared;
        c.not_null = changed->not_null;
        c.default_sql = keep_default;
        if (c.type.kind == TsqlType::kChar)
          source =
              "tsql_pad(" + source + "," + std::to_string(c.type.length) + ")";
        else if (c.type.kind == TsqlType::kVarchar && c.type.length)
          source = "tsql_checklen(" + source + "," +
                   std::to_string(c.type.length) + ")";
      }
      if (added && c.identity && added->identity) {
        return Failure("Multiple identity columns specified for table '" +
                       table +
                       "'. Only one identity column per table is allowed.");
      }
      defs.push_back(SqliteColumnDefinition(c));
      copy(c.name, source);
    }
    if (changed && !matched)
      return Failure(
          "Cannot find the object \"" + table +
          "\" because it does not exist or you do not have permissions.");
    if (added) {
      defs.push_back(SqliteColumnDefinition(*added));
      // Rows already there get NULL in a nullable new column, its default
      // otherwise, as SQL Server fills them.
      if (!added->identity && !added->not_null) copy(added->name, "NULL");
    }
    std::vector<std::string> index_sql;
    {
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(
              db_,
              "SELECT sql FROM sqlite_master WHERE type = 'index' AND "
              "tbl_name = ? COLLATE NOCASE AND sql IS NOT NULL ORDER BY rowid",
              -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, table.data(), static_cast<int>(table.size()),
                          SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) index_sql.push_back(Text(st, 0));
      }
      sqlite3_finalize(st);
    }
    const std::string temp_name = "kelmar_rebuild";
    std::string create = "CREATE TABLE " + QuoteName(temp_name) + " (";
    for (size_t i = 0; i < defs.size(); ++i)
      create += (i ? ", " : "") + defs[i];
    create += ")";
    Status st = Exec("SAVEPOINT kelmar_rebuild");
    if (!st.ok()) return st;
    std::vector<std::string> steps = {
        create,
        "INSERT INTO " + QuoteName(temp_name) + " (" + targets + ") SELECT " +
            sources + " FROM " + QuoteName(info.name) + " ORDER BY rowid",
        "DROP TABLE " + QuoteName(info.name),
        "ALTER TABLE " + QuoteName(temp_name) + " RENAME TO " +
            QuoteName(info.name)};
    for (const std::string& ix : index_sql) steps.push_back(ix);
    for (const std::string& s : steps) {
      st = Exec(s);
      if (!st.ok()) break;
    }
    if (!st.ok()) {
      Exec("ROLLBACK TO kelmar_rebuild");
      Exec("RELEASE kelmar_rebuild");
      SchemaChanged();
      return st;
    }
    SchemaChanged();
    return Exec("RELEASE kelmar_rebuild");
  }

  sqlite3* db_;
  std::unordered_map<std::string, Program> programs_;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
  sqlite3_stmt* oversized_ = nullptr;
  std::map<std::string, TableInfo> catalog_;
  bool catalog_used_ = false;
  const std::vector<std::string>* params_ = nullptr;
  sqlite3_int64 schema_version_ = -1;
  sqlite3_int64 identity_ = 0;
  bool has_identity_ = false;
  int tran_depth_ = 0;
};

void IdentityFunction(sqlite3_context* ctx, int, sqlite3_value**) {
  auto* conn = static_cast<EmbeddedConnection*>(sqlite3_user_data(ctx));
  if (conn->has_identity()) {
    sqlite3_result_int64(ctx, conn->identity());
  } else {
    sqlite3_result_null(ctx);
  }
}

Status EmbeddedStatement::Execute(std::string_view sql) {
  results_.clear();
  current_ = 0;
  row_ = 0;
  next_column_ = 0;
  past_end_ = false;
  return conn_->Run(sql, &results_);
}

}  // namespace

Status OpenEmbeddedConnection(const std::string& path, Clock* clock,
                              std::unique_ptr<Connection>* out) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(
      path.c_str(), &db,
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
      nullptr);
  if (rc != SQLITE_OK) {
    std::string m = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    return Failure("Cannot open database \"" + path + "\": " + m);
  }
  auto conn = std::make_unique<EmbeddedConnection>(db);
  Status st = conn->Init(clock);
  if (!st.ok()) return st;
  *out = std::move(conn);
  return Status::OK();
}

}  // namespace kelmar
