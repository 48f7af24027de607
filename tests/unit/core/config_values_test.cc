#include "core/config_values.h"

#include <gtest/gtest.h>

#include "core/context.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::TempDir;

TEST(ConfigValuesTest, AtrueReadsYesNoValues) {
  struct Case {
    const char* value;
    bool result;
  } cases[] = {
      {"SI", true},     {"si", true},
      {" s ", true},    {"1", true},
      {"TRUE", true},   {"true", true},
      {"T", true},      {".T.", true},
      {"NO", false},    {"0", false},
      {"FALSE", false}, {"", false},
      {"   ", false},   {"N", false},
      {"YES", false},   {"SI_1_TRUE_.T.X", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ATRUE(c.value), c.result) << "'" << c.value << "'";
    EXPECT_EQ(ATRUE(std::string(c.value)), c.result) << c.value;
  }
  EXPECT_TRUE(ATRUE(true));
  EXPECT_FALSE(ATRUE(false));
  EXPECT_TRUE(ATRUE(2));
  EXPECT_FALSE(ATRUE(0));
  EXPECT_FALSE(ATRUE(-1.5));
  EXPECT_TRUE(ATRUE(0.5));
  EXPECT_EQ(ATRUE_C("si"), "true");
  EXPECT_EQ(ATRUE_C("no"), "false");
  EXPECT_EQ(ATRUE_N("1"), 1);
  EXPECT_EQ(ATRUE_N(""), 0);
  EXPECT_EQ(STRIM("  x "), "x");
}

TEST(ConfigValuesTest, ParseArgs) {
  using Args = std::vector<std::string>;
  struct Case {
    Args args;
    const char* key;
    const char* value;
  } cases[] = {
      {{"P=8080/"}, "P=", "8080/"},
      {{"P=8080/", "P=9090/"}, "P=", "9090/"},  // the later one wins
      {{"D=/srv/app", "P=80/"}, "D=", "/srv/app"},
      {{"p=8080/"}, "P=", ""},      // letter case counts
      {{"D=/data/P=1"}, "P=", ""},  // a key inside another value is no key
      {{}, "C=", ""},
      {{"C="}, "C=", ""},
      {{"I=1"}, "I=", "1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PARSEARGS(c.args, c.key), c.value) << c.key;
  }
}

TEST(ConfigValuesTest, ObtienevalorReadsTheFileAtEveryCall) {
  TempDir dir;
  Context ctx;
  ctx.workdir = dir.path();
  EXPECT_EQ(OBTIENEVALOR(ctx, "PRECIO", "Ingresar Precio"), "");
  dir.Write("WebSrv32.ini", "[PRECIO]\r\nIngresar Precio= 1 \r\n");
  EXPECT_EQ(OBTIENEVALOR(ctx, "precio", "INGRESAR PRECIO"), "1");
  dir.Write("WebSrv32.ini", "[PRECIO]\r\nIngresar Precio=3\r\n");
  EXPECT_EQ(OBTIENEVALOR(ctx, "PRECIO", "Ingresar Precio"), "3");

  dir.Write("SendMail.properties", "[MAIL]\r\nmail.host=smtp.local\r\n");
  EXPECT_EQ(OBTIENEVALOR(ctx, "MAIL", "mail.host", true), "smtp.local");
  EXPECT_EQ(OBTIENEVALOR(ctx, "MAIL", "mail.host"), "");
  EXPECT_EQ(ReadSettingValue(dir.path(), "PRECIO", "Ingresar Precio"), "3");
}

}  // namespace
}  // namespace kelmar
