#include "platform/ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/text1252.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::TempDir;
using namespace std::string_literals;

TEST(IniTest, ReadingRules) {
  const std::string text =
      "key=before any section\r\n"
      "[Conexion]\r\n"
      "ODBC.DSN=  midsn  \r\n"
      "  ip.puerto = 8080/\r\n"
      "no equals sign here\r\n"
      "Dup=first\r\n"
      "DUP=second\r\n"
      "quoted=\"a b \"\r\n"
      "single='x'\r\n"
      "half=\"x\r\n"
      "odd=\x01\xFF\xE1\x00z\r\n"
      "empty=\r\n"
      "[ sesion ]\r\n"
      "Empresa=02\r\n"
      "[Conexion]\r\n"
      "later=ignored\r\n"
      "ODBC.DSN=also ignored\r\n"
      "[A\xD1O]\n"
      "last=no final break"s;
  IniFile ini = IniFile::Parse(text);
  struct Case {
    const char* section;
    const char* key;
    std::string value;
  } cases[] = {
      {"Conexion", "ODBC.DSN", "midsn"},
      {"CONEXION", "odbc.dsn", "midsn"},
      {"Conexion", "IP.PUERTO", "8080/"},
      {"Conexion", "Dup", "first"},
      {"Conexion", "quoted", "a b "},
      {"Conexion", "single", "x"},
      {"Conexion", "half", "\"x"},
      {"Conexion", "odd", std::string("\x01\xFF\xE1\x00z", 5)},
      {"Conexion", "empty", ""},
      {"Conexion", "later", ""},  // the first matching section wins
      {"Conexion", "missing", ""},
      {"SESION", "EMPRESA", "02"},
      {"a\xF1o", "LAST", "no final break"},
      {"", "key", ""},
      {"Nowhere", "key", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.Get(c.section, c.key), c.value)
        << c.section << " / " << c.key;
  }
}

TEST(IniTest, LongValuesAreCut) {
  std::string value(5000, 'v');
  IniFile ini = IniFile::Parse("[S]\nk=" + value + "\n");
  EXPECT_EQ(ini.Get("S", "k"), value.substr(0, kMaxIniValue));
}

TEST(IniTest, MissingFileReadsEmpty) {
  TempDir dir;
  EXPECT_EQ(ReadProfileString(dir.File("none.ini"), "S", "k"), "");
}

TEST(IniTest, WritingKeepsEveryOtherLine) {
  struct Case {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } cases[] = {
      {"update in place, other lines byte for byte",
       "; comment\r\n[SESION]\r\nEmpresa=01\r\nodd line \xFF\r\n[X]\ny=1\n",
       "sesion", "EMPRESA", "02",
       "; comment\r\n[SESION]\r\nEMPRESA=02\r\nodd line \xFF\r\n[X]\ny=1\n"},
      {"first of duplicate keys", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3",
       "[S]\r\nk=3\r\nk=2\r\n"},
      {"new key at the end of its section", "[A]\r\na=1\r\n\r\n[B]\r\nb=1\r\n",
       "A", "n", "v", "[A]\r\na=1\r\nn=v\r\n\r\n[B]\r\nb=1\r\n"},
      {"new section at the end", "[A]\r\na=1", "MAIL", "debug", "true",
       "[A]\r\na=1\r\n\r\n[MAIL]\r\ndebug=true\r\n"},
      {"new file", "", "MAIL", "mail.host", "smtp",
       "[MAIL]\r\nmail.host=smtp\r\n"},
      {"no final line break", "[A]\r\na=1", "A", "a", "2", "[A]\r\na=2\r\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::string path = dir.File("f.ini");
    if (!c.before.empty()) dir.Write("f.ini", c.before);
    ASSERT_TRUE(WriteProfileString(path, c.section, c.key, c.value).ok());
    EXPECT_EQ(dir.Read("f.ini"), c.after) << c.name;
    EXPECT_EQ(ReadProfileString(path, c.section, c.key), c.value) << c.name;
  }
}

TEST(IniTest, WritingKeepsTheFilesPermissions) {
  TempDir dir;
  std::string path = dir.File("SendMail.properties");
  dir.Write("SendMail.properties", "[MAIL]\r\nmail.pass=x\r\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_write);
  ASSERT_TRUE(WriteProfileString(path, "MAIL", "mail.pass", "y").ok());
  EXPECT_EQ(
      std::filesystem::status(path).permissions(),
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

// Random files built from the awkward pieces above: after a write, the
// written key reads back and every other key reads as before.
TEST(IniTest, WriteChangesOnlyTheWrittenKey) {
  const std::vector<std::string> pieces = {
      "[A]", "[b]", "[ a ]",     "[A",   "k=1",    "K = 2", "x",
      "",    "=v",  " k2=\"q\"", "K2=3", "[\xE1]", "new=",  "\xFF\x00=\x01"s};
  const char* sections[] = {"A", "B", "a", "c", "\xC1"};
  const char* keys[] = {"k", "K2", "new"};
  std::mt19937 random(7);
  TempDir dir;
  std::string path = dir.File("f.ini");
  for (int round = 0; round < 120; ++round) {
    std::string text;
    int lines = static_cast<int>(random() % 12);
    for (int i = 0; i < lines; ++i) {
      text += pieces[random() % pieces.size()];
      if (i + 1 < lines || random() % 2) text += random() % 2 ? "\r\n" : "\n";
    }
    dir.Write("f.ini", text);
    const char* section = sections[random() % 5];
    const char* key = keys[random() % 3];
    std::string value = "v";
    value += std::to_string(round);

    IniFile before = IniFile::Parse(text);
    ASSERT_TRUE(WriteProfileString(path, section, key, value).ok());
    IniFile after = IniFile::Load(path);
    ASSERT_EQ(after.Get(section, key), value) << text;
    for (const char* s : sections) {
      for (const char* k : keys) {
        if (EqualsNoCase1252(s, section) && EqualsNoCase1252(k, key)) continue;
        ASSERT_EQ(after.Get(s, k), before.Get(s, k))
            << "after writing " << section << "/" << key << " into:\n"
            << text;
      }
    }
  }
}

TEST(IniTest, WriteFailureIsReported) {
  TempDir dir;
  EXPECT_FALSE(
      WriteProfileString(dir.File("no/such/folder/f.ini"), "S", "k", "v").ok());
}

}  // namespace
}  // namespace kelmar
