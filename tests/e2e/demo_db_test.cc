// The demo ERP database: the scripts load through kelmar-sql and through the
// fixture helper, and the demo company's data hangs together (row ids point
// at existing rows, derived values match what the server recomputes).
#include "e2e/demo_db.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace kelmar {
namespace testsupport {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (fs::temp_directory_path() / "kelmar-demo-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (made != nullptr) path_ = made;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs a shell command; returns its exit status (-1 when it did not exit).
int RunShell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Reads every row of the first result of `sql` as texts.

TEST(DemoScripts, SplitGoBatchesLikeKelmarSql) {
  struct Case {
    std::string script;
    std::vector<std::string> batches;
  } cases[] = {
      {"SELECT 1\ngo\nSELECT 2\n", {"SELECT 1\n", "SELECT 2\n"}},
      {"A\r\n  GO \r\nB", {"A\r\n", "B"}},
      {"A\nGo\n\ngo\nB\n", {"A\n", "B\n"}},
      {"going\ngo;\nego\n", {"going\ngo;\nego\n"}},
      {"go\n\n", {}},
      {"-- note\n  \ngo\n-- 45296.12\r\nSELECT 3 -- x\n",
       {"-- 45296.12\r\nSELECT 3 -- x\n"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitGoBatches(c.script), c.batches) << c.script;
  }
}

// The committed seed is what derive.py writes: an edit of the script that
// was not regenerated (or a hand edit of the seed) shows here.
TEST(DemoScripts, SeedIsTheOutputOfDerivePy) {
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::string out = dir.path() + "/seed.sql";
  ASSERT_EQ(RunShell("python3 " +
                     Quote(std::string(KELMAR_SOURCE_DIR) + "/demo/derive.py") +
                     " --stdout >" + Quote(out)),
            0);
  std::string generated, committed;
  ASSERT_TRUE(ReadFileBytes(out, &generated));
  ASSERT_TRUE(ReadFileBytes(DemoSeedPath(), &committed));
  EXPECT_TRUE(generated == committed)
      << "run python3 demo/derive.py to regenerate demo/erp-seed.sql";
}

}  // namespace
}  // namespace testsupport
}  // namespace kelmar
