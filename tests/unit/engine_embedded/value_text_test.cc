#include "db/engine/embedded/value_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace kelmar {
namespace {

// How the data layer reads a number out of a value's text: the part before
// an "E" times ten to the power of the part after it, rounded to six
// decimals.
double ReadLikeTheServer(const std::string& text) {
  size_t e = text.find('E');
  double v =
      e == std::string::npos
          ? std::strtod(text.c_str(), nullptr)
          : std::strtod(text.substr(0, e).c_str(), nullptr) *
                std::pow(10.0, std::strtod(text.c_str() + e + 1, nullptr));
  return std::round(v * 1e6) / 1e6;
}

TEST(ValueTextTest, FloatsReadBackThroughTheServersRule) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},
      {2.5, "2.5"},
      {3, "3"},
      {-17.25, "-17.25"},
      {0.0015, "0.0015"},
      {0.00001234, "1.234E-5"},
      {-0.00005, "-5E-5"},
      {123456.789, "123456.789"},
      {1e15, "1E15"},
      {1.2345e20, "1.2345E20"},
      {0.1 + 0.2, "0.30000000000000004"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, FloatText(c.value)) << c.value;
    EXPECT_DOUBLE_EQ(std::round(c.value * 1e6) / 1e6,
                     ReadLikeTheServer(FloatText(c.value)))
        << c.text;
  }
}

TEST(ValueTextTest, DecimalsAndBinary) {
  EXPECT_EQ("12.50", DecimalText(12.5, 2));
  EXPECT_EQ("-3", DecimalText(-3.4, 0));
  EXPECT_EQ("0.000", DecimalText(-0.0001, 3));  // no "-0.000"
  EXPECT_EQ("00FFA1", HexText(std::string("\x00\xff\xa1", 3)));
  EXPECT_TRUE(LooksLikeDatetime("2024-02-01 13:45:00.000"));
  EXPECT_FALSE(LooksLikeDatetime("2024-02-01 13:45:00"));
  EXPECT_FALSE(LooksLikeDatetime("2024/02/01 13:45:00.000"));
}

}  // namespace
}  // namespace kelmar
