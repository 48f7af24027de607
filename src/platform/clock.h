// The one seam through which the server learns "today" and "now". The server
// and the embedded database engine read time only through a Clock, so tests
// can fix the date.
#ifndef KELMAR_PLATFORM_CLOCK_H_
#define KELMAR_PLATFORM_CLOCK_H_

#include <chrono>

namespace kelmar {

// A broken-down local time.
struct LocalTime {
  int year = 0;    // four digits
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
  int millisecond = 0;
  int weekday = 0;  // 0 = Sunday .. 6 = Saturday
};

class Clock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  virtual ~Clock() = default;
  virtual TimePoint Now() const = 0;

  // Now() in the machine's local time zone.
  LocalTime NowLocal() const;
};

// Converts between instants and local time (the machine's time zone).
LocalTime ToLocalTime(Clock::TimePoint t);
Clock::TimePoint FromLocalTime(const LocalTime& t);

// The process clock. When the environment variable KELMAR_NOW holds
// "yyyy-mm-dd hh:mm:ss" (local time) at the first call, the clock starts at
// that instant and runs on from there; otherwise it is the system clock.
// The returned object lives for the whole process.
Clock* SystemClock();

// A clock that stands still until told otherwise; for tests.
class FixedClock : public Clock {
 public:
  explicit FixedClock(const LocalTime& t) : now_(FromLocalTime(t)) {}
  explicit FixedClock(TimePoint t) : now_(t) {}
  TimePoint Now() const override { return now_; }
  void Set(TimePoint t) { now_ = t; }
  void Set(const LocalTime& t) { now_ = FromLocalTime(t); }

 private:
  TimePoint now_;
};

}  // namespace kelmar

#endif  // KELMAR_PLATFORM_CLOCK_H_
