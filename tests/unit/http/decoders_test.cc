#include "http/decoders.h"

#include <gtest/gtest.h>

#include <string>

namespace kelmar {
namespace {

struct Case {
  std::string in;
  std::string out;
};

TEST(LimpiaCadenaTest, DecodesDeviceParameterText) {
  const Case cases[] = {
      {"A+B", "A B"},
      {"%41%42", "AB"},
      {"%2541", "A"},  // a decoded "%" is decoded again
      {"50_prct_", "50%"},
      {"50_PRCT_ off", "50% off"},
      {"%2B", "+"},  // "+" turns to blank before escapes are read
      {"002%7C001%7C", "002|001|"},
      {"%7c", "|"},
      {"%e1rbol", "\xe1rbol"},
      {"_prct_41", "%41"},  // a literal percent is not decoded further
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LIMPIACADENA(c.in), c.out) << c.in;
  }
}

TEST(LimpiaCadenaTest, KeepsPercentNotFollowedByHexDigits) {
  // Reading these as escapes would put control bytes into SQL text.
  const Case cases[] = {
      {"100%", "100%"}, {"100%4", "100%4"}, {"%zz1", "%zz1"},
      {"%%41", "%A"},   {"%", "%"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LIMPIACADENA(c.in), c.out) << c.in;
  }
}

TEST(HtmlEncodeTest, EncodesEverythingButSafeCharacters) {
  const Case cases[] = {
      {"Pe\xf1"
       "a S.A.",
       "Pe&#xf1;a S.A."},
      {"a&b", "a&#x26;b"},
      {"/", "&#x2f;"},
      {"\"", "&#x22;"},
      {"Az09 -_.~:,;()|", "Az09 -_.~:,;()|"},
      {std::string(1, '\0'), "&#x00;"},
      {"\xff", "&#xff;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HTMLENCODE(c.in), c.out) << c.in;
  }
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_LE(HTMLENCODE(all).size(), 6 * all.size());
}

TEST(HtmlDecodeTest, DecodesUrlParameters) {
  const Case cases[] = {
      {"a+b%2Cc", "a b,c"},
      {"100%", "100"},
      {"100%4", "1004"},  // short "%" dropped, the rest copied
      {"%2b", "+"},
      {"%E1", "\xe1"},
      {"%7B%22a%22%3A1%7D", "{\"a\":1}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HTMLDECODE(c.in), c.out) << c.in;
  }
}

TEST(UnescapeTest, DecodesThenTurnsPlusToBlank) {
  const Case cases[] = {
      {"a%3Db", "a=b"}, {"a%3db", "a=b"},
      {"x+y", "x y"},   {"%2B", " "},  // "+" is replaced after decoding
      {"50%", "50%"},   {"50%4", "50%4"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UNESCAPE(c.in), c.out) << c.in;
  }
}

TEST(GetQueryTest, ReturnsLinesAfterLastEmptyLine) {
  const Case cases[] = {
      {"POST /getSQL HTTP/1.0\r\nHost: x\r\n\r\n", ""},
      {"POST /getSQL HTTP/1.0\r\n\r\nvalidator=002|001|", "validator=002|001|"},
      {"POST /getSQL HTTP/1.0\r\n\r\nvalidator=002|001|\r\n",
       "validator=002|001|"},
      {"POST / HTTP/1.0\r\n\r\nab\r\ncd\r\n", "abcd"},
      {"POST / HTTP/1.0\r\n\r\nold\r\n\r\nnew", "new"},
      {"POST / HTTP/1.0\n\nunix=1\n", "unix=1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GETQUERY(c.in), c.out) << c.in;
  }
}

}  // namespace
}  // namespace kelmar
