#include "platform/text1252.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace kelmar {
namespace {

TEST(Text1252Test, CaseMapsLettersOnly) {
  struct Case {
    std::string lower, upper;
  } cases[] = {
      {"abc xyz", "ABC XYZ"},
      {"\xE1\xE9\xED\xF3\xFA\xF1\xFC",
       "\xC1\xC9\xCD\xD3\xDA\xD1\xDC"},          // áéíóúñü
      {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},  // š œ ž ÿ
      {"1|2_\xF7\xD7", "1|2_\xF7\xD7"},          // ÷ and × are not letters
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Upper1252(c.lower), c.upper) << c.lower;
    EXPECT_EQ(Lower1252(c.upper), c.lower) << c.upper;
  }
  EXPECT_EQ(Upper1252(std::string("\xDF")), "\xDF");  // ß has no capital
  EXPECT_TRUE(EqualsNoCase1252("Empresa", "EMPRESA"));
  EXPECT_TRUE(EqualsNoCase1252("a\xF1o", "A\xD1O"));
  EXPECT_FALSE(EqualsNoCase1252("Empresa", "Empresas"));
}

TEST(Text1252Test, TrimAndPad) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");  // only blanks are padding
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(Trim("    "), "");
  EXPECT_EQ(TrimSpace("\r\n\t a \t\r\n"), "a");
  EXPECT_EQ(PadRight("ab", 4), "ab  ");
  EXPECT_EQ(PadRight("abcdef", 4), "abcd");
  EXPECT_EQ(PadLeft("12", 5), "   12");
  EXPECT_EQ(PadLeft("123456", 5), "123456");
}

TEST(Text1252Test, ReplaceAllOf) {
  EXPECT_EQ(ReplaceAllOf("a'b''c", "'", "\""), "a\"b\"\"c");
  // What a replacement writes is not searched again.
  EXPECT_EQ(ReplaceAllOf("%7C7C", "%7C", "%7C"), "%7C7C");
  EXPECT_EQ(ReplaceAllOf("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAllOf("x\r\ny\r\n", "\r\n", " "), "x y ");
  EXPECT_EQ(ReplaceAllOf("abc", "", "-"), "abc");
  EXPECT_EQ(ReplaceAllOf("", "a", "b"), "");
}

TEST(Text1252Test, SplitText) {
  using Parts = std::vector<std::string_view>;
  EXPECT_EQ(SplitText("a|b||c|", "|"), (Parts{"a", "b", "", "c", ""}));
  EXPECT_EQ(SplitText("", "|"), (Parts{""}));
  EXPECT_EQ(SplitText("x\r\ny\r\n\r\n", "\r\n"), (Parts{"x", "y", "", ""}));
  EXPECT_EQ(SplitText("a,b", ""), (Parts{"a,b"}));
}

TEST(Text1252Test, EveryByteSurvivesTheRoundTripThroughUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
}

TEST(Text1252Test, Utf8Conversions) {
  struct Case {
    std::string cp1252, utf8;
  } cases[] = {
      {"aplicaci\xF3n", "aplicaci\xC3\xB3n"},
      {"\x80", "\xE2\x82\xAC"},                    // €
      {"\x93x\x94", "\xE2\x80\x9Cx\xE2\x80\x9D"},  // “x”
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252);
  }
  // No code page 1252 form: a question mark per character.
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD-\xF0\x9F\x98\x80"), "?-?");
  // Not UTF-8 at all (already single-byte, truncated or overlong): bytes
  // are kept as they are.
  EXPECT_EQ(Utf8ToCp1252("a\xF1o"), "a\xF1o");
  EXPECT_EQ(Utf8ToCp1252("x\xC3"), "x\xC3");
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "\xC0\xAF");
}

}  // namespace
}  // namespace kelmar
