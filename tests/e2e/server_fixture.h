// A fixture for tests that talk to the real binary: a temporary program
// folder, a free loopback port and the server running on both until the
// test ends, when it must stop cleanly.
#ifndef KELMAR_TESTS_E2E_SERVER_FIXTURE_H_
#define KELMAR_TESTS_E2E_SERVER_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "e2e/server_process.h"
#include "support/temp_dir.h"

namespace kelmar::testing {

class ServedFolderTest : public ::testing::Test {
 protected:
  // Starts the server on dir_ (whose settings and database the caller has
  // written) and waits until port_ accepts connections. Call it last in
  // SetUp: a failure here skips the test body.
  void StartServer(const std::string& now) {
    port_ = FreeLoopbackPort();
    server_ =
        std::make_unique<ServerProcess>(ServerIn(dir_.path(), port_, now));
    ASSERT_TRUE(server_->Start());
    ASSERT_TRUE(server_->WaitForPort(port_)) << server_->err();
  }

  void TearDown() override {
    if (server_) {
      EXPECT_EQ(server_->Stop(), 0) << server_->err();
    }
  }

  TempDir dir_;
  int port_ = 0;
  std::unique_ptr<ServerProcess> server_;
};

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_E2E_SERVER_FIXTURE_H_
