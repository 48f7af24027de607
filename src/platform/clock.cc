#include "platform/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kelmar {

LocalTime Clock::NowLocal() const { return ToLocalTime(Now()); }

LocalTime ToLocalTime(Clock::TimePoint t) {
  using namespace std::chrono;
  auto since = t.time_since_epoch();
  auto secs = duration_cast<seconds>(since);
  auto ms = duration_cast<milliseconds>(since - secs).count();
  if (ms < 0) {
    ms += 1000;
    secs -= seconds(1);
  }
  std::time_t tt = static_cast<std::time_t>(secs.count());
  std::tm tm{};
  localtime_r(&tt, &tm);
  LocalTime lt;
  lt.year = tm.tm_year + 1900;
  lt.month = tm.tm_mon + 1;
  lt.day = tm.tm_mday;
  lt.hour = tm.tm_hour;
  lt.minute = tm.tm_min;
  lt.second = tm.tm_sec;
  lt.millisecond = static_cast<int>(ms);
  lt.weekday = tm.tm_wday;
  return lt;
}

Clock::TimePoint FromLocalTime(const LocalTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  std::time_t tt = std::mktime(&tm);
  return std::chrono::system_clock::from_time_t(tt) +
         std::chrono::milliseconds(t.millisecond);
}

namespace {

class ProcessClock : public Clock {
 public:
  ProcessClock() {
    const char* fixed = std::getenv("KELMAR_NOW");
    LocalTime t;
    if (fixed != nullptr &&
        std::sscanf(fixed, "%d-%d-%d %d:%d:%d", &t.year, &t.month, &t.day,
                    &t.hour, &t.minute, &t.second) == 6) {
      offset_ = FromLocalTime(t) - std::chrono::system_clock::now();
    }
  }
  TimePoint Now() const override {
    return std::chrono::system_clock::now() + offset_;
  }

 private:
  std::chrono::system_clock::duration offset_{0};
};

}  // namespace

Clock* SystemClock() {
  static ProcessClock* clock = new ProcessClock();
  return clock;
}

}  // namespace kelmar
