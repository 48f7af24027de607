#include "mobile/command_table.h"

#include <gtest/gtest.h>

#include <set>

namespace kelmar {
namespace {

// A code listed twice would silently shadow the later row.
TEST(CommandTableTest, EveryCodeIsListedOnce) {
  std::set<std::string_view> seen;
  for (const CommandRow& row : CommandTable()) {
    EXPECT_NE(row.handler, nullptr);
    for (std::string_view c : row.codes) {
      if (!c.empty()) {
        EXPECT_TRUE(seen.insert(c).second) << c;
      }
    }
    for (std::string_view c : row.json_codes) {
      if (!c.empty()) {
        EXPECT_TRUE(seen.insert(c).second) << c;
      }
    }
  }
}

TEST(CommandTableTest, LookupIsExactAndTellsTheEncoding) {
  bool json = true;
  const CommandRow* vkm = FindCommand("VKM", &json);
  ASSERT_NE(vkm, nullptr);
  EXPECT_FALSE(json);
  EXPECT_EQ(FindCommand("VERSIONKELMARMOVIL", &json), vkm);
  const CommandRow* jsonvkm = FindCommand("JSONVKM", &json);
  ASSERT_NE(jsonvkm, nullptr);
  EXPECT_TRUE(json);
  EXPECT_EQ(jsonvkm->handler, vkm->handler);
  EXPECT_EQ(FindCommand("JSONVERSIONKELMARMOVIL", &json), jsonvkm);
  EXPECT_TRUE(json);
  EXPECT_EQ(FindCommand("vkm", &json), nullptr);
  EXPECT_EQ(FindCommand("", &json), nullptr);
  EXPECT_EQ(FindCommand("PING ", &json), nullptr);
}

}  // namespace
}  // namespace kelmar
