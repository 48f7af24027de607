#include "mobile/journal.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(JournalLineTest, SignInPasswordIsMasked) {
  struct Case {
    const char* accion;
    const char* linea;
    const char* kept;
  } cases[] = {
      {"001", "001|M1|VEN|12345|1.5.3|01|", "001|M1|VEN|*****|1.5.3|01|"},
      {"001", "001|M1|VEN|12345", "001|M1|VEN|*****"},
      {"001", "001|M1|VEN||1.5", "001|M1|VEN|*****|1.5"},
      {"VALIDARCLAVE", "VALIDARCLAVE|M1|VEN|x|1.5",
       "VALIDARCLAVE|M1|VEN|*****|1.5"},
      {"001", "001|M1|VEN", "001|M1|VEN"},
      {"000", "000|M1|VEN|12345", "000|M1|VEN|12345"},
      {"004", "004|M1|a|b|c", "004|M1|a|b|c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JournalLine(c.accion, c.linea), c.kept) << c.linea;
  }
}

}  // namespace
}  // namespace kelmar
