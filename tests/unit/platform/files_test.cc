#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::TempDir;

TEST(FilesTest, WildcardMatch) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.DBF", "T0000001.DBF", true},
      {"*.DBF", "t0000001.dbf", true},
      {"*.DBF", "T0000001.DBF.bak", false},
      {"_*.gz", "_12.gz", true},
      {"_*.gz", "12.gz", false},
      {"_*.gz", "_.gz", true},
      {"T???????.DBF", "T0000001.DBF", true},
      {"T?.DBF", "T12.DBF", false},
      {"*", "", true},
      {"a*b*c", "axxbyyc", true},
      {"a*b*c", "axxbyy", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match)
        << c.pattern << " " << c.name;
  }
}

TEST(FilesTest, Paths) {
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("/a", "/abs"), "/abs");
  EXPECT_EQ(DirPart("/x/y/web.txt"), "/x/y/");
  EXPECT_EQ(DirPart("web.txt"), "");
  EXPECT_EQ(BaseName("/x/y/web.txt"), "web.txt");
}

TEST(FilesTest, FoldersAndFiles) {
  TempDir dir;
  std::string deep = dir.File("tmp/8080/");
  ASSERT_TRUE(MakeDirs(deep).ok());
  EXPECT_TRUE(IsDirectory(deep));
  EXPECT_TRUE(MakeDirs(deep).ok());  // already there

  std::string f = dir.File("tmp/8080/a.txt");
  EXPECT_EQ(FileSize(f), -1);
  ASSERT_TRUE(AppendToFile(f, "ab").ok());
  ASSERT_TRUE(AppendToFile(f, std::string("c\0d", 3)).ok());
  EXPECT_EQ(FileSize(f), 5);
  std::string content;
  ASSERT_TRUE(ReadWholeFile(f, &content).ok());
  EXPECT_EQ(content, std::string("abc\0d", 5));

  std::vector<std::string> names = ListFiles(dir.File("tmp/8080"));
  EXPECT_EQ(names,
            std::vector<std::string>{"a.txt"});  // folders are not listed

  dir.Write("plain", "x");
  EXPECT_FALSE(MakeDirs(dir.File("plain/sub")).ok());
  EXPECT_FALSE(AppendToFile(dir.File("missing/x.txt"), "x").ok());
}

}  // namespace
}  // namespace kelmar
