#include "db/record_array.h"

#include <gtest/gtest.h>

#include "core/context.h"
#include "db/cursor.h"
#include "support/fake_connection.h"

namespace kelmar {
namespace {

using testing::Col;
using testing::FakeConnection;
using testing::FakeResult;

TEST(ColumnEntryTest, TypeLetterWidthAndDecimals) {
  struct Case {
    ColumnDescription column;
    char letter;
    int width;
    int decimals;
  } cases[] = {
      {Col("kopr ", kSqlChar, 13), 'C', 13, 0},
      {Col("NOKOPR", kSqlVarchar, 50), 'C', 50, 0},
      {Col("W", kSqlWVarchar, 200), 'C', 57, 0},
      {Col("B", kSqlBit, 1), 'L', 1, 0},
      {Col("B16", 65529, 1), 'L', 1, 0},
      {Col("I", kSqlInteger, 10), 'N', 19, 0},
      {Col("D", kSqlDecimal, 18, 2), 'N', 19, 2},
      {Col("F", kSqlFloat, 53), 'N', 19, 5},
      {Col("R", kSqlDouble, 15), 'N', 19, 5},
      {Col("T", kSqlTinyInt, 3), 'N', 19, 0},
      {Col("FE", kSqlTimestamp, 23, 3), 'D', 23, 3},
      {Col("DT", 91, 10), 'D', 10, 0},
      {Col("TM", 92, 8), 'C', 8, 0},
      {Col("TXT", kSqlLongVarchar, 2147483647), 'M', 131072, 0},
      {Col("IMG", kSqlLongVarBinary, 2147483647), 'M', 131072, 0},
      {Col("BIG", kSqlBigInt, 19), 'U', 19, 0},
      {Col("BIN", kSqlBinary, 8), 'U', 16, 0},
      {Col("WC", kSqlWChar, 10), 'U', 30, 0},
  };
  for (const Case& c : cases) {
    ColumnEntry e = MakeColumnEntry(c.column, EntryKind::kCursor);
    EXPECT_EQ(e.type_letter, c.letter) << c.column.name;
    EXPECT_EQ(e.width, c.width) << c.column.name;
    EXPECT_EQ(e.decimals, c.decimals) << c.column.name;
  }
  ColumnEntry e =
      MakeColumnEntry(Col("kopr ", kSqlChar, 13, 0, false), EntryKind::kCursor);
  EXPECT_EQ(e.name, "KOPR");
  EXPECT_TRUE(e.not_null);
  EXPECT_EQ(MakeColumnEntry(Col("B", 65529, 1), EntryKind::kCursor).sql_type,
            kSqlBit);
}

TEST(ColumnEntryTest, ConvertersAndEmptyValues) {
  struct Case {
    ColumnDescription column;
    const char* text;
    Value converted;
    Value cursor_empty;
    Value lookup_empty;
  } cases[] = {
      {Col("C", kSqlChar, 5), "ab", Value("ab   "), Value("     "), Value("")},
      {Col("V", kSqlVarchar, 3), "abcdef", Value("abc"), Value("   "),
       Value("")},
      {Col("B", kSqlBit, 1), "1", Value(true), Value(false), Value(false)},
      {Col("B", kSqlBit, 1), "0", Value(false), Value(false), Value(false)},
      {Col("W", kSqlWVarchar, 10), "x", Value("x" + std::string(56, ' ')),
       Value(""), Value("")},
      {Col("F", kSqlFloat, 53), "1.5E-3", Value(0.0015), Value(0), Value(0)},
      {Col("N", kSqlNumeric, 18, 6), "2.5", Value(2.5), Value(0), Value(0)},
      {Col("FE", kSqlTimestamp, 23, 3), "2024-02-01 13:45:00.000",
       Value(Date{2024, 2, 1}), Value(Date{}), Value(Date{})},
      {Col("DT", 91, 10), "2024-02-01", Value("2024-02-01"),
       Value("          "), Value("")},
      {Col("BIG", kSqlBigInt, 3), "123", Value("123"), Value("   "), Value("")},
  };
  for (const Case& c : cases) {
    ColumnEntry cursor = MakeColumnEntry(c.column, EntryKind::kCursor);
    ColumnEntry lookup = MakeColumnEntry(c.column, EntryKind::kLookup);
    EXPECT_EQ(cursor.converter(c.text, cursor.width), c.converted) << c.text;
    EXPECT_EQ(cursor.empty_value, c.cursor_empty) << c.column.name;
    EXPECT_EQ(lookup.empty_value, c.lookup_empty) << c.column.name;
    EXPECT_EQ(cursor.value, cursor.empty_value);
    EXPECT_FALSE(cursor.read);
  }
  // Numbers read from the database carry six decimals.
  ColumnEntry n = MakeColumnEntry(Col("N", kSqlFloat), EntryKind::kCursor);
  EXPECT_EQ(n.converter("2.5", n.width).decimals(), 6);
}

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override { ctx_.odbc = &db_; }

  // Five columns, two rows; the second row's C3 is NULL.
  void PrepareFiveColumns() {
    FakeResult r;
    for (int i = 1; i <= 5; ++i) {
      r.columns.push_back(Col("c" + std::to_string(i), kSqlChar, 4));
    }
    r.rows = {{"a1", "a2", "a3", "a4", "a5"},
              {"b1", "b2", std::nullopt, "b4", "b5"}};
    db_.results.push_back(r);
  }

  FakeConnection db_;
  Context ctx_;
};

TEST_F(CursorTest, ReadsLazilyInIncreasingColumnOrder) {
  PrepareFiveColumns();
  RecordArray rows;
  bool found = false;
  Cursor cursor = CREARCURSOR(ctx_, &rows, "SELECT * FROM T", &found);
  ASSERT_TRUE(found);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(VCC(rows, "C5"), Value("a5  "));
  EXPECT_EQ(VCC(rows, "c2"), Value("a2  "));
  EXPECT_EQ(db_.reads,
            (std::vector<std::string>{"0:0", "0:1", "0:2", "0:3", "0:4"}));

  ASSERT_EQ(SKIPSQL(cursor, &rows), 1);
  db_.reads.clear();
  EXPECT_EQ(VCC(rows, "C2"), Value("b2  "));
  EXPECT_EQ(VCC(rows, "C3"), Value("    "));  // NULL through a cursor
  EXPECT_EQ(db_.reads, (std::vector<std::string>{"1:0", "1:1", "1:2"}));

  EXPECT_EQ(SKIPSQL(cursor, &rows), 0);
  LIBERACURSOR(cursor);
  EXPECT_FALSE(cursor.open());
  // The statement is gone: nothing is read from it any more.
  EXPECT_EQ(VCC(rows, "C1"), Value("    "));
}

TEST_F(CursorTest, QueryWithoutRowsStillDescribesColumns) {
  FakeResult r;
  r.columns = {Col("KOPR", kSqlChar, 3), Col("PRECIO", kSqlFloat, 53)};
  db_.results.push_back(r);
  RecordArray rows;
  bool found = true;
  Cursor cursor = CREARCURSOR(ctx_, &rows, "SELECT KOPR,PRECIO FROM T", &found);
  EXPECT_FALSE(found);
  EXPECT_TRUE(cursor.open());
  EXPECT_EQ(VCC(rows, "KOPR"), Value("   "));
  EXPECT_EQ(VCC(rows, "PRECIO"), Value(0));
  LIBERACURSOR(cursor);
}

TEST_F(CursorTest, FailedQueryGivesHandleZeroAndNoColumns) {
  FakeResult r;
  r.error = "Invalid object name 'NOPE'.";
  db_.results.push_back(r);
  RecordArray rows;
  bool found = true;
  Cursor cursor = CREARCURSOR(ctx_, &rows, "SELECT * FROM NOPE", &found);
  EXPECT_FALSE(cursor.open());
  EXPECT_FALSE(found);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(VCC(rows, "X"), Value(""));  // reported, not fatal
  EXPECT_EQ(SKIPSQL(cursor, &rows), 0);
  LIBERACURSOR(cursor);

  db_.refuse_statements = true;
  found = true;
  cursor = CREARCURSOR(ctx_, &rows, "SELECT 1", &found);
  EXPECT_FALSE(cursor.open());
  EXPECT_TRUE(found);  // left as the caller set it
}

TEST_F(CursorTest, ReusedArrayIsEmptiedSoColumnsKeepTheirPositions) {
  PrepareFiveColumns();
  RecordArray rows;
  rows.Append(MakeColumnEntry(Col("OLD", kSqlChar, 2), EntryKind::kCursor));
  bool found = false;
  Cursor cursor = CREARCURSOR(ctx_, &rows, "SELECT * FROM T", &found);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(VCC(rows, "C1"), Value("a1  "));
}

TEST_F(CursorTest, ActvccReplacesOnlyReadValues) {
  PrepareFiveColumns();
  RecordArray rows;
  bool found = false;
  Cursor cursor = CREARCURSOR(ctx_, &rows, "SELECT * FROM T", &found);
  ACTVCC(rows, "C2", Value("zz"));  // not read yet: unchanged
  EXPECT_EQ(VCC(rows, "C2"), Value("a2  "));
  ACTVCC(rows, "c2", Value("zz"));
  EXPECT_EQ(VCC(rows, "C2"), Value("zz"));
  ACTVCC(rows, "NOPE", Value("zz"));
  EXPECT_EQ(rows.Find("NOPE"), -1);
}

TEST(RecordArrayTest, EstrExistecampoLargocampo) {
  RecordArray rows;
  rows.Append(MakeColumnEntry(Col("KOPR", kSqlChar, 13), EntryKind::kLookup));
  rows.Append(MakeColumnEntry(Col("PRECIO", kSqlFloat), EntryKind::kLookup));
  std::vector<FieldInfo> list;
  ESTR(rows, &list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].name, "PRECIO");
  EXPECT_EQ(list[1].type_letter, 'N');
  EXPECT_EQ(list[1].decimals, 5);
  EXPECT_TRUE(EXISTECAMPO(" KOPR ", rows));
  EXPECT_FALSE(EXISTECAMPO("KOP", rows));
  EXPECT_FALSE(EXISTECAMPO("kopr", rows));  // exact name
  EXPECT_TRUE(EXISTECAMPO("PRECIO", list));
  EXPECT_EQ(LARGOCAMPO("KOPR", rows), 13);
  EXPECT_EQ(LARGOCAMPO("NOPE", list), 0);
}

TEST(CampoValorTest, InsertAndUpdateForms) {
  std::vector<FieldValue> pairs = {
      {"KOPR", Value("A1")}, {"ORDEN", Value(3)}, {"SEMILLA", Value(9)}};
  EXPECT_EQ(CAMPOVALOR("ing", pairs), "( KOPR,ORDEN) VALUES ( 'A1',3)");
  EXPECT_EQ(CAMPOVALOR("INSERT", pairs), "( KOPR,ORDEN) VALUES ( 'A1',3)");
  EXPECT_EQ(CAMPOVALOR("UPD", pairs), "KOPR='A1',ORDEN=3");
  EXPECT_EQ(CAMPOVALOR("upd", {{"STFI1", Value(5), "resta"},
                               {"ULTVENTA", Value(Date{})}}),
            "STFI1=STFI1- 5,ULTVENTA=NULL");
  EXPECT_EQ(
      CAMPOVALOR("upd", {{"STFI1", Value(2.5), "suma"}, {"BLOQ", Value(true)}}),
      "STFI1=STFI1+2.5,BLOQ=1");
  EXPECT_EQ(CAMPOVALOR("ING", {{"NOKOEN", Value("D'Alba")}}),
            "( NOKOEN) VALUES ( 'D''Alba')");
  EXPECT_EQ(CAMPOVALOR("ING", {{"A", Value("x\"y")}}, '"'),
            "( A) VALUES ( \"x\"\"y\")");
  EXPECT_EQ(CAMPOVALOR("ING", {}), "( ) VALUES ( )");
}

}  // namespace
}  // namespace kelmar
