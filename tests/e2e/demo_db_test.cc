// The demo ERP database: the scripts load through kelmar-sql and through the
// fixture helper, and the demo company's data hangs together (row ids point
// at existing rows, derived values match what the server recomputes).
#include "e2e/demo_db.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace kelmar {
namespace testsupport {
namespace {

namespace fs = std::filesystem;

using kelmar::testing::TempDir;

// Runs a shell command; returns its exit status (-1 when it did not exit).
int RunShell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Reads every row of the first result of `sql` as texts.
std::vector<std::vector<std::string>> Query(Connection* connection,
                                            const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  std::unique_ptr<Statement> statement = connection->NewStatement();
  Status s = statement->Execute(sql);
  EXPECT_TRUE(s.ok()) << sql << ": " << s.message();
  if (!s.ok()) return rows;
  bool has_row = false;
  while (statement->Fetch(&has_row).ok() && has_row) {
    std::vector<std::string> row;
    for (int i = 0; i < statement->ColumnCount(); ++i) {
      std::string value;
      bool is_null = false;
      EXPECT_TRUE(statement->GetText(i, &value, &is_null).ok());
      row.push_back(is_null ? "NULL" : value);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> ColumnNames(Connection* connection,
                                     const std::string& table) {
  std::vector<std::string> names;
  std::unique_ptr<Statement> statement = connection->NewStatement();
  Status s = statement->Execute("SELECT TOP 1 * FROM " + table);
  EXPECT_TRUE(s.ok()) << table << ": " << s.message();
  for (int i = 0; s.ok() && i < statement->ColumnCount(); ++i) {
    names.push_back(statement->Column(i).name);
  }
  return names;
}

TEST(DemoScripts, SplitGoBatchesLikeKelmarSql) {
  struct Case {
    std::string script;
    std::vector<std::string> batches;
  } cases[] = {
      {"SELECT 1\ngo\nSELECT 2\n", {"SELECT 1\n", "SELECT 2\n"}},
      {"A\r\n  GO \r\nB", {"A\r\n", "B"}},
      {"A\nGo\n\ngo\nB\n", {"A\n", "B\n"}},
      {"going\ngo;\nego\n", {"going\ngo;\nego\n"}},
      {"go\n\n", {}},
      {"-- note\n  \ngo\n-- 45296.12\r\nSELECT 3 -- x\n",
       {"-- 45296.12\r\nSELECT 3 -- x\n"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitGoBatches(c.script), c.batches) << c.script;
  }
}

TEST(DemoScripts, LoadThroughKelmarSqlOnAFreshDatabase) {
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::string dsn = Quote("sqlite:" + dir.path() + "/erp.db");
  std::string out = dir.path() + "/out.txt";
  std::string sql = KELMAR_SQL_PATH;
  ASSERT_EQ(RunShell(sql + " " + dsn + " " + Quote(DemoSchemaPath()) + " >" +
                     Quote(out) + " 2>&1"),
            0);
  ASSERT_EQ(RunShell(sql + " " + dsn + " " + Quote(DemoSeedPath()) + " >" +
                     Quote(out) + " 2>&1"),
            0);

  // The data is there.
  std::unique_ptr<Connection> connection;
  FixedClock clock(LocalTime{2026, 12, 11, 9, 0, 0, 0, 5});
  ASSERT_TRUE(
      OpenEmbeddedConnection(dir.path() + "/erp.db", &clock, &connection).ok());
  auto rows = Query(connection.get(),
                    "SELECT RAZON FROM CONFIGP WITH (NOLOCK) "
                    "WHERE EMPRESA='01'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "Distribuidora Los Alerces S.A.");
}

// Tests build their fixtures from the empty schema plus their own rows; a
// failing row must say which batch failed and leave none of the rows.
TEST(DemoFixture, SchemaOnlyPlusTheTestsRows) {
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::string path = dir.path() + "/erp.db";
  const std::string rows =
      "INSERT INTO CONFIGP (EMPRESA, RUT, RAZON) VALUES ('01', '1-9', 'A')\n"
      "go\n"
      "INSERT INTO TABFU (KOFU, NOKOFU) VALUES ('V01', 'Uno')\n";
  Status s = CreateDemoDatabase(path, DemoData::kSchemaOnly, rows);
  ASSERT_TRUE(s.ok()) << s.message();

  FixedClock clock(LocalTime{2026, 12, 11, 9, 0, 0, 0, 5});
  {
    std::unique_ptr<Connection> connection;
    ASSERT_TRUE(OpenEmbeddedConnection(path, &clock, &connection).ok());
    auto found = Query(connection.get(), "SELECT KOFU FROM TABFU");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0][0], "V01");
    EXPECT_TRUE(Query(connection.get(), "SELECT * FROM MAEEDO").empty());
  }

  s = CreateDemoDatabase(path, DemoData::kSchemaOnly,
                         rows + "go\nINSERT INTO TABFU (KOFU) VALUES ('V01')");
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("extra SQL batch 3"), std::string::npos)
      << s.message();
  std::unique_ptr<Connection> connection;
  ASSERT_TRUE(OpenEmbeddedConnection(path, &clock, &connection).ok());
  EXPECT_TRUE(Query(connection.get(), "SELECT * FROM CONFIGP").empty());
}

class DemoSeedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    std::string path = dir_.path() + "/erp.db";
    Status s = CreateDemoDatabase(path, DemoData::kSeed);
    ASSERT_TRUE(s.ok()) << s.message();
    ASSERT_TRUE(OpenEmbeddedConnection(path, &clock_, &connection_).ok());
  }

  std::string Scalar(const std::string& sql) {
    auto rows = Query(connection_.get(), sql);
    return rows.empty() || rows[0].empty() ? "<no row>" : rows[0][0];
  }

  TempDir dir_;
  FixedClock clock_{LocalTime{2026, 12, 11, 9, 0, 0, 0, 5}};
  std::unique_ptr<Connection> connection_;
};

// The seed computes row ids assuming each identity starts at 1 on a fresh
// database; a wrong assumption leaves lines, instalments and payments
// pointing at the wrong documents or at nothing.
TEST_F(DemoSeedTest, RowIdsPointAtExistingRows) {
  const char* orphans[] = {
      "SELECT COUNT(*) FROM MAEDDO D WHERE NOT EXISTS (SELECT * FROM MAEEDO E "
      "WHERE E.IDMAEEDO=D.IDMAEEDO AND E.TIDO=D.TIDO AND E.NUDO=D.NUDO)",
      "SELECT COUNT(*) FROM MAEDDO D WHERE D.ARCHIRST='MAEDDO' AND NOT EXISTS "
      "(SELECT * FROM MAEDDO S WHERE S.IDMAEDDO=D.IDRST AND S.KOPRCT="
      "D.KOPRCT)",
      "SELECT COUNT(*) FROM MAEVEN V WHERE NOT EXISTS (SELECT * FROM MAEEDO E "
      "WHERE E.IDMAEEDO=V.IDMAEEDO)",
      "SELECT COUNT(*) FROM MAEDPCD D WHERE NOT EXISTS (SELECT * FROM MAEEDO "
      "E WHERE E.IDMAEEDO=D.IDRST AND E.ENDO=(SELECT P.ENDP FROM MAEDPCE P "
      "WHERE P.IDMAEDPCE=D.IDMAEDPCE))",
      "SELECT COUNT(*) FROM MEVENTO M WHERE NOT EXISTS (SELECT * FROM MAEEDO "
      "E WHERE E.IDMAEEDO=M.IDRVE)",
      "SELECT COUNT(*) FROM MAEEDOOB O WHERE NOT EXISTS (SELECT * FROM "
      "MAEEDO E WHERE E.IDMAEEDO=O.IDMAEEDO AND E.TIDO='GDV')",
      "SELECT COUNT(*) FROM POTLCOM C WHERE NOT EXISTS (SELECT * FROM MAEDDO "
      "D WHERE D.IDMAEDDO=C.IDRST AND D.TIDO='NVV')",
      "SELECT COUNT(*) FROM PDATAREAD D WHERE NOT EXISTS (SELECT * FROM "
      "PDATAREA T WHERE T.IDTAREA=D.IDTAREA)",
      "SELECT COUNT(*) FROM MAEDDO D WHERE NOT EXISTS (SELECT * FROM MAEPR P "
      "WHERE P.KOPR=D.KOPRCT)",
      "SELECT COUNT(*) FROM MAEST S WHERE NOT EXISTS (SELECT * FROM TABBO B "
      "WHERE B.EMPRESA=S.EMPRESA AND B.KOSU=S.KOSU AND B.KOBO=S.KOBO)",
      "SELECT COUNT(*) FROM TABPRE T WHERE NOT EXISTS (SELECT * FROM MAEPR P "
      "WHERE P.KOPR=T.KOPR)",
      "SELECT COUNT(*) FROM MAEEN C WHERE C.KOFUEN<>'' AND NOT EXISTS (SELECT "
      "* FROM TABFU F WHERE F.KOFU=C.KOFUEN)",
  };
  for (const char* sql : orphans) EXPECT_EQ(Scalar(sql), "0") << sql;

  // Instalments add up to their document; paid amounts agree.
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM MAEEDO E WHERE EXISTS (SELECT * "
                   "FROM MAEVEN V WHERE V.IDMAEEDO=E.IDMAEEDO) AND "
                   "ABS(E.VABRDO-(SELECT SUM(VAVE) FROM MAEVEN V WHERE "
                   "V.IDMAEEDO=E.IDMAEEDO))>1"),
            "0");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM MAEEDO E WHERE EXISTS (SELECT * "
                   "FROM MAEVEN V WHERE V.IDMAEEDO=E.IDMAEEDO) AND "
                   "ABS(E.VAABDO-(SELECT SUM(VAABVE) FROM MAEVEN V WHERE "
                   "V.IDMAEEDO=E.IDMAEEDO))>1"),
            "0");
}

// Accepting a pending customer inserts every KASIEN column but its key into
// MAEEN by name, and customer creation copies every MAEEN column but the
// first: both rely on these layouts.
TEST_F(DemoSeedTest, PendingCustomersMirrorCustomers) {
  std::vector<std::string> customers = ColumnNames(connection_.get(), "MAEEN");
  std::vector<std::string> pending = ColumnNames(connection_.get(), "KASIEN");
  ASSERT_GT(customers.size(), 40u);
  ASSERT_EQ(pending.size(), customers.size());
  EXPECT_EQ(customers.front(), "IDMAEEN");
  EXPECT_EQ(pending.front(), "IDKASIEN");
  EXPECT_EQ(std::vector<std::string>(pending.begin() + 1, pending.end()),
            std::vector<std::string>(customers.begin() + 1, customers.end()));
}

// Price formulas number the user-defined columns of TABPRE from the 29th.
TEST_F(DemoSeedTest, PriceListDetailHas28FixedColumnsThenPairs) {
  std::vector<std::string> columns = ColumnNames(connection_.get(), "TABPRE");
  ASSERT_GE(columns.size(), 30u);
  EXPECT_EQ(columns[27], "OBSLT");
  EXPECT_EQ(columns[28], "DSCTO1");
  EXPECT_EQ(columns[29], "EDSCTO1");
  EXPECT_EQ(columns.size() % 2, 0u);
}

// The password transform and permission check number, as the sign-in
// recomputes them.
std::string Tranfoclav(const std::string& password) {
  static const int kPosition[] = {48391, 6072, 2956, 614, 392};
  std::string out;
  for (int i = 1; i <= 5; ++i) {
    unsigned char c = static_cast<unsigned char>(password[i - 1]);
    char piece[16];
    std::snprintf(piece, sizeof piece, "%5d",
                  (c + kPosition[i - 1]) * i * i * i);
    out += piece;
  }
  return out;
}

long CheckNumber(const std::string& tax_id, std::string user,
                 const std::string& code) {
  user.resize(3, ' ');
  long sum = 0;
  for (int i = 1; i <= 8; ++i) {
    sum += static_cast<unsigned char>(tax_id[i - 1]) * i * i;
    sum += static_cast<unsigned char>(code[i - 1]) * i * i;
  }
  for (int i = 1; i <= 3; ++i) {
    sum += static_cast<unsigned char>(user[i - 1]) * i * i * i;
  }
  return sum;
}

TEST_F(DemoSeedTest, DocumentedPasswordsMatchTheStoredTransforms) {
  struct User {
    const char* code;
    const char* password;
  } users[] = {{"ADM", "admin"},
               {"V01", "vend1"},
               {"V02", "vend2"},
               {"V03", "vend3"},
               {"H01", "bodega"}};
  for (const User& u : users) {
    EXPECT_EQ(Scalar(std::string("SELECT PWFU FROM TABFU WHERE KOFU='") +
                     u.code + "'"),
              Tranfoclav(u.password))
        << u.code;
  }
  EXPECT_EQ(Scalar("SELECT CLAVECON FROM MAEENCON WHERE "
                   "EMAILCON='compras@elsol.cl'"),
            Tranfoclav("sol2026"));
}

// Every permission row is valid for company 01's tax id except V03's mode
// row, which was copied from V02 on purpose to show a row that grants
// nothing.
TEST_F(DemoSeedTest, PermissionCheckNumbersHoldExceptTheTamperedRow) {
  std::string tax_id = Scalar("SELECT RUT FROM CONFIGP WHERE EMPRESA='01'");
  ASSERT_GE(tax_id.size(), 8u);
  std::vector<std::string> invalid;
  auto rows = Query(connection_.get(), "SELECT KOUS,KOOP,ECKOUS FROM MAEUS");
  ASSERT_GT(rows.size(), 20u);
  for (const auto& row : rows) {
    ASSERT_EQ(row[1].size(), 8u);
    if (std::to_string(CheckNumber(tax_id, row[0], row[1])) != row[2]) {
      invalid.push_back(row[0] + ":" + row[1]);
    }
  }
  EXPECT_EQ(invalid, std::vector<std::string>{"V03:MO-VTA  "});
}

// The committed seed is what derive.py writes: an edit of the script that
// was not regenerated (or a hand edit of the seed) shows here.
TEST(DemoScripts, SeedIsTheOutputOfDerivePy) {
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::string out = dir.path() + "/seed.sql";
  ASSERT_EQ(RunShell("python3 " +
                     Quote(std::string(KELMAR_SOURCE_DIR) + "/demo/derive.py") +
                     " --stdout >" + Quote(out)),
            0);
  std::string generated, committed;
  ASSERT_TRUE(ReadFileBytes(out, &generated));
  ASSERT_TRUE(ReadFileBytes(DemoSeedPath(), &committed));
  EXPECT_TRUE(generated == committed)
      << "run python3 demo/derive.py to regenerate demo/erp-seed.sql";
}

}  // namespace
}  // namespace testsupport
}  // namespace kelmar
