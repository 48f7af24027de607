// A fixture base for tests that drive request handling without sockets: a
// request context whose clock is fixed, whose logs go to a temporary folder
// and whose database is scripted.
#ifndef KELMAR_TESTS_SUPPORT_CONTEXT_FIXTURE_H_
#define KELMAR_TESTS_SUPPORT_CONTEXT_FIXTURE_H_

#include <gtest/gtest.h>

#include "core/context.h"
#include "core/logs.h"
#include "platform/clock.h"
#include "support/fake_connection.h"
#include "support/temp_dir.h"

namespace kelmar::testing {

class ScriptedContextTest : public ::testing::Test {
 protected:
  ScriptedContextTest()
      : clock_(LocalTime{2024, 3, 5, 10, 0, 0, 0, 2}),
        logs_(&clock_, dir_.path()) {
    ctx_.odbc = &db_;
    ctx_.logs = &logs_;
    ctx_.clock = &clock_;
  }

  TempDir dir_;
  FixedClock clock_;
  Logs logs_;
  FakeConnection db_;
  Context ctx_;
};

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_SUPPORT_CONTEXT_FIXTURE_H_
