#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "db/engine/connection.h"
#include "db/engine/odbc/odbc_connection.h"
#include "support/odbc_driver.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

class OdbcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver_ = testing::SqliteOdbcDriver();
    if (driver_.empty()) GTEST_SKIP() << "SQLite ODBC driver not installed";
    Status st = OpenOdbcConnection(
        "DRIVER=" + driver_ + ";Database=" + dir_.File("test.db"), &conn_);
    ASSERT_TRUE(st.ok()) << st.message();
  }

  void Run(const std::string& sql) {
    auto stmt = conn_->NewStatement();
    Status st = stmt->Execute(sql);
    ASSERT_TRUE(st.ok()) << sql << ": " << st.message();
  }

  // Every row of the current result, values joined with "|", NULL as
  // "<null>".
  static std::vector<std::string> Rows(Statement* stmt) {
    std::vector<std::string> rows;
    bool has_row = false;
    while (stmt->Fetch(&has_row).ok() && has_row) {
      std::string row;
      for (int i = 0; i < stmt->ColumnCount(); ++i) {
        std::string v;
        bool is_null = false;
        EXPECT_TRUE(stmt->GetText(i, &v, &is_null).ok());
        row += (is_null ? "<null>" : v) + "|";
      }
      rows.push_back(row);
    }
    return rows;
  }

  std::string driver_;
  testing::TempDir dir_;
  std::unique_ptr<Connection> conn_;
};

TEST_F(OdbcTest, ConnectFailureGivesTheDriverManagersMessage) {
  std::unique_ptr<Connection> conn;
  for (const std::string& bad :
       {std::string("DRIVER=/nonexistent/libnothing.so;Database=/tmp/x.db"),
        std::string("DSN=kelmar_no_such_dsn")}) {
    Status st = OpenOdbcConnection(bad, &conn);
    EXPECT_FALSE(st.ok()) << bad;
    EXPECT_FALSE(st.message().empty()) << bad;
    EXPECT_LE(st.message().size(), kMaxOdbcMessage);
    EXPECT_EQ(conn, nullptr);
  }
}

TEST_F(OdbcTest, FailedStatementReturnsTheDriversText) {
  auto stmt = conn_->NewStatement();
  Status st = stmt->Execute("SELECT * FROM missing_table");
  ASSERT_FALSE(st.ok());
  EXPECT_NE(st.message().find("no such table: missing_table"),
            std::string::npos)
      << st.message();
  EXPECT_EQ(stmt->ColumnCount(), 0);

  // A message longer than the limit is cut, not dropped.
  std::string long_name(400, 'q');
  st = stmt->Execute("SELECT * FROM " + long_name);
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.message().size(), kMaxOdbcMessage);

  // The same statement runs again after a failure.
  ASSERT_TRUE(stmt->Execute("SELECT 7").ok());
  EXPECT_EQ(Rows(stmt.get()), std::vector<std::string>{"7|"});
}

TEST_F(OdbcTest, DescribesColumnsAndTellsNulls) {
  Run("CREATE TABLE t (kopr VARCHAR(13) NOT NULL, nokopr VARCHAR(50), "
      "precio FLOAT)");
  Run("INSERT INTO t VALUES ('A1', 'Uno', 2.5)");
  Run("INSERT INTO t VALUES ('B2', NULL, NULL)");
  Run("INSERT INTO t VALUES ('C3', '', 0)");
  auto stmt = conn_->NewStatement();
  ASSERT_TRUE(
      stmt->Execute("SELECT kopr, nokopr, precio FROM t ORDER BY kopr").ok());
  ASSERT_EQ(stmt->ColumnCount(), 3);
  EXPECT_EQ(stmt->Column(0).name, "kopr");
  EXPECT_EQ(stmt->Column(0).sql_type, kSqlVarchar);
  EXPECT_EQ(stmt->Column(0).column_size, 13u);
  EXPECT_EQ(stmt->Column(1).name, "nokopr");
  EXPECT_TRUE(stmt->Column(1).nullable);
  // An empty text is not NULL.
  EXPECT_EQ(Rows(stmt.get()),
            (std::vector<std::string>{"A1|Uno|2.5|", "B2|<null>|<null>|",
                                      "C3||0.0|"}));
}

TEST_F(OdbcTest, WriteHasNoColumnsAndNoRows) {
  Run("CREATE TABLE t (a INTEGER)");
  auto stmt = conn_->NewStatement();
  ASSERT_TRUE(stmt->Execute("UPDATE t SET a = 1 WHERE a = 2").ok());
  EXPECT_EQ(stmt->ColumnCount(), 0);
  bool has_row = true;
  ASSERT_TRUE(stmt->Fetch(&has_row).ok());
  EXPECT_FALSE(has_row);
  bool has_more = true;
  ASSERT_TRUE(stmt->NextResult(&has_more).ok());
  EXPECT_FALSE(has_more);
}

TEST_F(OdbcTest, TwoStatementsOpenAtOnce) {
  Run("CREATE TABLE orders (id INTEGER, customer VARCHAR(10))");
  Run("CREATE TABLE customers (code VARCHAR(10), name VARCHAR(30))");
  Run("INSERT INTO orders VALUES (1, 'C1')");
  Run("INSERT INTO orders VALUES (2, 'C2')");
  Run("INSERT INTO orders VALUES (3, 'C1')");
  Run("INSERT INTO customers VALUES ('C1', 'Ana')");
  Run("INSERT INTO customers VALUES ('C2', 'Luis')");

  // A cursor walks the orders while lookups and writes run beside it, as
  // the server's commands do.
  auto cursor = conn_->NewStatement();
  ASSERT_TRUE(
      cursor->Execute("SELECT id, customer FROM orders ORDER BY id").ok());
  std::vector<std::string> seen;
  bool has_row = false;
  while (cursor->Fetch(&has_row).ok() && has_row) {
    std::string id, customer;
    bool is_null = false;
    ASSERT_TRUE(cursor->GetText(0, &id, &is_null).ok());
    ASSERT_TRUE(cursor->GetText(1, &customer, &is_null).ok());
    auto lookup = conn_->NewStatement();
    ASSERT_TRUE(lookup
                    ->Execute("SELECT name FROM customers WHERE code = '" +
                              customer + "'")
                    .ok());
    std::vector<std::string> name = Rows(lookup.get());
    ASSERT_EQ(name.size(), 1u);
    seen.push_back(id + ":" + name[0]);
    Run("INSERT INTO customers VALUES ('X" + id + "', 'log')");
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1:Ana|", "2:Luis|", "3:Ana|"}));
  auto count = conn_->NewStatement();
  ASSERT_TRUE(count->Execute("SELECT COUNT(*) FROM customers").ok());
  EXPECT_EQ(Rows(count.get()), std::vector<std::string>{"5|"});
}

TEST_F(OdbcTest, AutocommitAndTransactionsSentAsText) {
  Run("CREATE TABLE t (a INTEGER)");
  Run("BEGIN TRANSACTION");
  Run("INSERT INTO t VALUES (1)");
  Run("ROLLBACK TRANSACTION");
  Run("BEGIN TRANSACTION");
  Run("INSERT INTO t VALUES (2)");
  Run("COMMIT TRANSACTION");
  Run("INSERT INTO t VALUES (3)");
  // A second connection sees only what was committed, so every statement
  // outside a transaction commits by itself.
  std::unique_ptr<Connection> other;
  ASSERT_TRUE(
      OpenOdbcConnection(
          "DRIVER=" + driver_ + ";Database=" + dir_.File("test.db"), &other)
          .ok());
  auto stmt = other->NewStatement();
  ASSERT_TRUE(stmt->Execute("SELECT a FROM t ORDER BY a").ok());
  EXPECT_EQ(Rows(stmt.get()), (std::vector<std::string>{"2|", "3|"}));
}

TEST_F(OdbcTest, LongTextIsReadWholeInPieces) {
  // Longer than several read pieces, and not a repeating pattern, so a piece
  // lost or read twice shows.
  std::string text;
  for (size_t i = 0; i < 3 * kOdbcReadPiece + 123; ++i) {
    text += static_cast<char>('a' + (i * 7 + i / 26) % 26);
  }
  Run("CREATE TABLE t (body TEXT, tail VARCHAR(5))");
  Run("INSERT INTO t VALUES ('" + text + "', 'end')");
  auto stmt = conn_->NewStatement();
  ASSERT_TRUE(stmt->Execute("SELECT body, tail FROM t").ok());
  bool has_row = false;
  ASSERT_TRUE(stmt->Fetch(&has_row).ok());
  ASSERT_TRUE(has_row);
  std::string value;
  bool is_null = true;
  ASSERT_TRUE(stmt->GetText(0, &value, &is_null).ok());
  EXPECT_FALSE(is_null);
  EXPECT_EQ(value.size(), text.size());
  EXPECT_EQ(value, text);
  ASSERT_TRUE(stmt->GetText(1, &value, &is_null).ok());
  EXPECT_EQ(value, "end");
}

TEST_F(OdbcTest, Code1252BytesPassUnchanged) {
  const std::string name =
      "Pe\xF1"
      "a \xC1vila";
  Run("CREATE TABLE t (name VARCHAR(20))");
  Run("INSERT INTO t VALUES ('" + name + "')");
  auto stmt = conn_->NewStatement();
  ASSERT_TRUE(stmt->Execute("SELECT name FROM t").ok());
  EXPECT_EQ(Rows(stmt.get()), std::vector<std::string>{name + "|"});
}

}  // namespace
}  // namespace kelmar
