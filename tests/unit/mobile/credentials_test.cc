#include "mobile/credentials.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(VersionValidaTest, MinimumIsOnePointFive) {
  struct Case {
    const char* version;
    bool valid;
  } cases[] = {
      {"1.5", true},    {"1.5.3", true}, {"1.50", true}, {"2.0", true},
      {"10", true},     {"1.6", true},   {"", false},    {"1.4", false},
      {"1.4.9", false}, {"1.10", false}, {"1", false},   {"1.", false},
      {"0.9", false},   {" 1.5", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VERSIONVALIDA(c.version), c.valid) << c.version;
  }
}

TEST(TranfoclavTest, FivePositionsRightAligned) {
  // "12345": (49+48391)*1, (50+6072)*8, (51+2956)*27, (52+614)*64,
  // (53+392)*125.
  EXPECT_EQ(TRANFOCLAV("12345"), "4844048976811894262455625");
  EXPECT_EQ(TRANFOCLAV("12345").size(), 25u);
  // Only five characters count.
  EXPECT_EQ(TRANFOCLAV("123456789"), TRANFOCLAV("12345"));
  // Missing characters count as code 0.
  EXPECT_EQ(TRANFOCLAV(""),
            "48391485767981239296"
            "49000");
  EXPECT_EQ(TRANFOCLAV("1").substr(0, 5), "48440");
  EXPECT_EQ(TRANFOCLAV("1").substr(5), TRANFOCLAV("").substr(5));
  // Bytes above 127 are codes 128-255, not negative numbers.
  EXPECT_EQ(TRANFOCLAV("\xF1").substr(0, 5), "48632");
}

TEST(PermissionCheckNumberTest, WeightsAndShortTexts) {
  // Sum of code*i*i over the tax id and the permission (8 characters each)
  // plus code*i*i*i over the user (3 characters).
  auto expected = [](std::string rut, std::string user, std::string code) {
    int64_t sum = 0;
    for (int i = 1; i <= 8; ++i) {
      if (i <= static_cast<int>(rut.size())) sum += rut[i - 1] * i * i;
      if (i <= static_cast<int>(code.size())) sum += code[i - 1] * i * i;
    }
    for (int i = 1; i <= 3; ++i) {
      if (i <= static_cast<int>(user.size())) sum += user[i - 1] * i * i * i;
    }
    return sum;
  };
  EXPECT_EQ(PermissionCheckNumber("76123456-7", "ADM", "MO-01   "),
            expected("76123456", "ADM", "MO-01   "));
  // A hand-checked value: "11111111" / "AAA" / "BBBBBBBB".
  // 49*204 + 65*36 + 66*204 = 9996 + 2340 + 13464.
  EXPECT_EQ(PermissionCheckNumber("11111111", "AAA", "BBBBBBBB"), 25800);
  // A short tax id counts only what it has.
  EXPECT_EQ(PermissionCheckNumber("1", "", ""), 49);
  EXPECT_NE(PermissionCheckNumber("76123456", "ADM", "RM-00010"),
            PermissionCheckNumber("76123456", "ADM", "RM-00020"));
}

}  // namespace
}  // namespace kelmar
