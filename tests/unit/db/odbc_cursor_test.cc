// Cursors and helpers over a real driver: the SQLite ODBC driver through
// unixODBC. Plain SQL only; the dialect-specific statements are covered on
// the embedded engine.
#include <gtest/gtest.h>

#include <memory>

#include "core/context.h"
#include "db/cursor.h"
#include "db/sql_helpers.h"
#include "db/sql_text.h"
#include "platform/text1252.h"
#include "support/odbc_driver.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::SqliteOdbcDriver;

class OdbcCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string driver = SqliteOdbcDriver();
    if (driver.empty()) GTEST_SKIP() << "SQLite ODBC driver not installed";
    ASSERT_TRUE(
        OpenOdbcConnection(
            "DRIVER=" + driver + ";Database=" + dir_.File("t.db"), &connection_)
            .ok());
    ctx_.odbc = connection_.get();
    ASSERT_TRUE(EJECUTESQL(ctx_,
                           "CREATE TABLE T (K varchar(5), N integer, "
                           "S varchar(10))"));
    ASSERT_TRUE(EJECUTESQL(ctx_, "INSERT INTO T VALUES ('a', 1, 'x')"));
    ASSERT_TRUE(EJECUTESQL(ctx_, "INSERT INTO T VALUES ('b', 2, NULL)"));
    ASSERT_TRUE(EJECUTESQL(ctx_, "INSERT INTO T VALUES ('O''H', 3, 'z')"));
  }

  testing::TempDir dir_;
  std::unique_ptr<Connection> connection_;
  Context ctx_;
};

TEST_F(OdbcCursorTest, WalksRowsWhileAnotherCursorIsOpen) {
  RecordArray outer;
  bool found = false;
  Cursor c =
      CREARCURSOR(ctx_, &outer, "SELECT K, N, S FROM T ORDER BY N", &found);
  ASSERT_TRUE(found);
  std::vector<std::string> seen;
  for (bool row = found; row; row = SKIPSQL(c, &outer) == 1) {
    // An inner cursor on the same connection while the outer one is open.
    RecordArray inner;
    bool inner_found = false;
    Cursor d = CREARCURSOR(
        ctx_, &inner,
        "SELECT COUNT(*) AS C FROM T WHERE N <= " + NACSB(VCC(outer, "N")),
        &inner_found);
    ASSERT_TRUE(inner_found);
    seen.push_back(Trim(VCC(outer, "k").text()) + "/" + NACSB(VCC(inner, "C")) +
                   "/" + Trim(VCC(outer, "S").text()));
    LIBERACURSOR(d);
  }
  LIBERACURSOR(c);
  EXPECT_EQ(seen, (std::vector<std::string>{"a/1/x", "b/2/", "O'H/3/z"}));
}

TEST_F(OdbcCursorTest, QuotedKeysFindTheirRowAndFailuresCarryDriverText) {
  RecordArray rows;
  bool found = false;
  Cursor c = CREARCURSOR(
      ctx_, &rows, "SELECT N FROM T WHERE " + KeyWhere({"K"}, {Value("O'H")}),
      &found);
  ASSERT_TRUE(found);
  EXPECT_EQ(VCC(rows, "N").number(), 3);
  LIBERACURSOR(c);
  EXPECT_EQ(CUENTAREGSQL(ctx_, "T", " WHERE S IS NULL"), 1);
  std::string error;
  EXPECT_FALSE(EJECUTESQL(ctx_, "INSERT INTO NOPE VALUES (1)", &error));
  EXPECT_NE(error.find("NOPE"), std::string::npos) << error;
}

}  // namespace
}  // namespace kelmar
