// Result of an operation that can fail: ok, or a message saying why.
// Routines return a Status instead of throwing across module boundaries.
#ifndef KELMAR_PLATFORM_STATUS_H_
#define KELMAR_PLATFORM_STATUS_H_

#include <string>
#include <utility>

namespace kelmar {

class Status {
 public:
  // An ok status.
  Status() = default;

  static Status OK() { return Status(); }
  static Status Error(std::string message) {
    Status s;
    s.failed_ = true;
    s.message_ = std::move(message);
    return s;
  }

  bool ok() const { return !failed_; }
  // Empty for an ok status.
  const std::string& message() const { return message_; }

 private:
  bool failed_ = false;
  std::string message_;
};

}  // namespace kelmar

#endif  // KELMAR_PLATFORM_STATUS_H_
