// Process locks on files. flock(2) locks belong to the open file and vanish
// when the process ends, however it ends, so a crashed server never leaves a
// stale lock behind.
#ifndef KELMAR_PLATFORM_INSTANCE_LOCK_H_
#define KELMAR_PLATFORM_INSTANCE_LOCK_H_

#include <string>

namespace kelmar {

// The system-wide lock that keeps a second copy of the server from
// starting. The lock is the file `name` + ".lock" in one fixed folder, so a
// copy started from any program folder sees it.
class InstanceLock {
 public:
  InstanceLock() = default;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  ~InstanceLock();

  // The fixed folder: $KELMAR_LOCK_DIR when set and not empty (tests give
  // each run a folder of its own), else "/tmp".
  static std::string DefaultFolder();

  // Takes the lock named `name` in `folder`. Returns true when taken (held
  // until this object is destroyed or the process ends); false when another
  // process holds it. A lock file that cannot be created at all (folder
  // missing or read-only) counts as taken: the check must never keep the
  // only copy from starting.
  bool Acquire(const std::string& name, const std::string& folder);

 private:
  int fd_ = -1;
};

// True when another process holds an exclusive lock on the file `path`.
// Used to leave alone files that a running copy still has open.
bool FileLockedByOther(const std::string& path);

// Opens `path` (creating it when missing) and takes an exclusive lock on it
// without waiting. Returns the open descriptor, or -1 when the file could
// not be opened or someone else holds the lock.
int OpenLockedExclusive(const std::string& path);

}  // namespace kelmar

#endif  // KELMAR_PLATFORM_INSTANCE_LOCK_H_
