#include "mobile/frame.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(TokensTest, EmptyTokensCountAndMissingOnesReadEmpty) {
  Tokens t("A||C");
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(t.Get(1), "A");
  EXPECT_EQ(t.Get(2), "");
  EXPECT_EQ(t.Get(3), "C");
  EXPECT_EQ(t.Get(4), "");
  EXPECT_EQ(t.Get(0), "");

  Tokens trailing("002|001|");
  EXPECT_EQ(trailing.Get(2), "001");
  EXPECT_EQ(trailing.Get(3), "");
  EXPECT_EQ(Tokens("").Get(1), "");
  // Tokens are kept as received, blanks included.
  EXPECT_EQ(Tokens("001| M1 |x").Get(2), " M1 ");
}

TEST(ReplyTest, StatusRepliesAlwaysEndWithABar) {
  EXPECT_EQ(SuccessReply("ok"), "1|ok|");
  EXPECT_EQ(FailureReply(" validator=XYZ no contemplado"),
            "0| validator=XYZ no contemplado|");
  EXPECT_EQ(StatusReply("1", {"a", "", "c"}), "1|a||c|");
  EXPECT_EQ(StatusReply("0", {}), "0|");
}

TEST(StockWarehousesTest, SettingForms) {
  struct Case {
    const char* setting;
    const char* list;
    bool single;
  } cases[] = {
      {"Solo la Bodega de la modalidad", "", true},
      {"  Solo la Bodega de la modalidad  ", "", true},
      {"", "", true},
      {"   ", "", true},
      {"01,02", "('01','02')", false},
      {"01, 02", "('01',' 02')", false},
      {" 01 ", "('01')", false},
      {"01,02,", "('01','02','')", false},
      // A quote in the setting cannot end the literal it lands in.
      {"01,0'2", "('01','0''2')", false},
  };
  for (const Case& c : cases) {
    StockWarehouses w = BuildStockWarehouses(c.setting);
    EXPECT_EQ(w.list, c.list) << c.setting;
    EXPECT_EQ(w.single, c.single) << c.setting;
  }
}

TEST(CmodTest, TranslatesBothWaysBySubstring) {
  const std::string erp("\x05\x20\x05\x20\x05", 5);
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"!!!", erp}, {"!!", erp},  {"!", erp},      {erp, "!!!"},
      {"01", "01"}, {"", ""},     {"\x05", "!!!"}, {"!!!!", "!!!!"},
      {" ", "!!!"}, {"AB", "AB"},
  };
  for (const Case& c : cases) EXPECT_EQ(CMOD(c.in), c.out) << c.in;
  EXPECT_EQ(CMOD(CMOD("!!!")), "!!!");
}

TEST(HtmlRowsTest, PairAndCells) {
  EXPECT_EQ(ENPAREJA("Cliente", "ACME"),
            "<tr><td>Cliente</td><td><b>ACME</b></td></tr>");
  EXPECT_EQ(ENQUINA({"a", "b"}), "<tr><td>a</td><td>b</td></tr>");
  EXPECT_EQ(ENQUINA({"a", "b"}, true),
            "<tr><td><b>a</b></td><td><b>b</b></td></tr>");
  EXPECT_EQ(ENQUINA({}), "<tr></tr>");
}

}  // namespace
}  // namespace kelmar
