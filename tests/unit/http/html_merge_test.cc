#include "http/html_merge.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(HtmlMergeTest, ReplacesKnownExpressions) {
  // Built in one go: GCC 12 warns falsely on assigning literals here.
  const MergeValues v{.parameters = "a=1",
                      .nSocket = 17,
                      .query = "q",
                      .cookie = "c=2",
                      .client_ip = [] { return std::string("127.0.0.9"); },
                      .server_ip = [] { return std::string("10.0.0.1"); }};
  struct {
    const char* page;
    const char* out;
  } cases[] = {
      {"<p><<CLIENTIP()>></p>", "<p>127.0.0.9</p>"},
      {"<<clientip( )>>|<<SERVERIP()>>", "127.0.0.9|10.0.0.1"},
      {"<< parameters >>,<<nSocket>>,<<query>>,<<cookie>>", "a=1,17,q,c=2"},
      {"x<<nada>>y", "x( expression error )y"},
      {"sin plantilla", "sin plantilla"},
      {"a<<query", "a<<query"},  // no closing ">>": left as it is
      {"<<query>> >>", "q >>"},
  };
  for (const auto& c : cases) EXPECT_EQ(HtmlMerge(c.page, v), c.out) << c.page;
}

TEST(HtmlMergeTest, InsertedValueIsNotExpandedAgain) {
  MergeValues v;
  v.cookie = std::string("<<cookie>>");
  EXPECT_EQ(HtmlMerge("[<<cookie>>]", v), "[<<cookie>>]");
}

}  // namespace
}  // namespace kelmar
