#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::TempDir;

// flock locks belong to the open file, so two InstanceLock objects in one
// process behave like two processes.
TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstEnds) {
  TempDir dir;
  auto first = std::make_unique<InstanceLock>();
  ASSERT_TRUE(first->Acquire("kelmar-websrv", dir.path()));
  InstanceLock second;
  EXPECT_FALSE(second.Acquire("kelmar-websrv", dir.path()));
  InstanceLock other_name;
  EXPECT_TRUE(other_name.Acquire("other-program", dir.path()));
  first.reset();
  EXPECT_TRUE(second.Acquire("kelmar-websrv", dir.path()));
}

TEST(InstanceLockTest, UnusableLockFolderDoesNotStopTheStart) {
  TempDir dir;
  InstanceLock lock;
  EXPECT_TRUE(lock.Acquire("kelmar-websrv", dir.File("missing")));
}

TEST(InstanceLockTest, LockedFilesAreSeenAsInUse) {
  TempDir dir;
  std::string path = dir.File("T0000001.DBF");
  EXPECT_FALSE(FileLockedByOther(path));  // missing
  int fd = OpenLockedExclusive(path);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(FileLockedByOther(path));
  EXPECT_EQ(OpenLockedExclusive(path), -1);
  ::close(fd);
  EXPECT_FALSE(FileLockedByOther(path));
}

}  // namespace
}  // namespace kelmar
