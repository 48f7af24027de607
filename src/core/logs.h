// The plain-text log files and their two switches.
//
// LOGFILE writes time-stamped lines of values, with size rotation; it
// serves the event log ("web.txt", switch lDebug) and the always-on files
// ("Comandos_con_error.txt", "ELSE.txt", "0unsoported.txt",
// "0nosedonde_html.txt"). ESCRIBETXT writes the SQL log, numbered script
// files "monitoreo_NNN.TXT" (switch lMonitoreo).
//
// File names without a folder are relative to the Logs object's folder
// (the process's current folder unless told otherwise). Logging never
// stops a request: a file that cannot be opened or written loses the entry
// silently.
//
// Not thread-safe: requests are served one at a time.
#ifndef KELMAR_CORE_LOGS_H_
#define KELMAR_CORE_LOGS_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/conventions.h"

namespace kelmar {

class Clock;

// One value of a log line, written in its text form: text unchanged
// (line breaks included), numbers without leading blanks, dates as
// "dd/mm/yyyy", logical values as ".T." or ".F.", nothing as empty text.
class LogValue {
 public:
  LogValue() = default;  // nothing
  LogValue(std::nullptr_t) {}
  LogValue(const char* text) : text_(text == nullptr ? "" : text) {}
  LogValue(std::string text) : text_(std::move(text)) {}
  LogValue(std::string_view text) : text_(text) {}
  LogValue(bool value) : text_(LogicalText(value)) {}
  LogValue(int value) : text_(std::to_string(value)) {}
  LogValue(long value) : text_(std::to_string(value)) {}
  LogValue(long long value) : text_(std::to_string(value)) {}
  LogValue(unsigned value) : text_(std::to_string(value)) {}
  LogValue(unsigned long value) : text_(std::to_string(value)) {}
  LogValue(unsigned long long value) : text_(std::to_string(value)) {}
  LogValue(double value) : text_(NumberText(value)) {}
  LogValue(const Date& date) : text_(DTOC(date)) {}

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

class Logs {
 public:
  // Size above which LOGFILE renames a log before writing.
  static constexpr int64_t kRotateBytes = 50000000;
  // Size limit of one SQL log file.
  static constexpr size_t kSqlFileLimit = 600000;

  // `clock` is not owned and must outlive the object. An empty `folder`
  // means the process's current folder at the time of each write.
  explicit Logs(Clock* clock, std::string folder = "");

  Logs(const Logs&) = delete;
  Logs& operator=(const Logs&) = delete;

  // The two switches; both start off.
  bool lDebug = false;      // event log
  bool lMonitoreo = false;  // SQL log
  // The event log file; set when the listener starts ("web.txt" in the
  // folder). The event log is written only when lDebug is on and this is
  // not empty.
  std::string cLogFile;

  // The folder of relative log names, never empty ("" resolves to the
  // current folder).
  std::string folder() const;

  // Appends one line to `file`: "dd/mm/yyyy hh:mm:ss: ", each value's text
  // followed by a TAB, then CR LF. When the file is larger than
  // rotate_bytes() it is first renamed to "web" + "yyyymmdd_hhmmss" + ".txt"
  // in its own folder (whatever its name) and a new file is started.
  void LOGFILE(const std::string& file, std::initializer_list<LogValue> values);
  void LOGFILE(const std::string& file, const std::vector<LogValue>& values);

  // Appends one entry to the SQL log: `text`, CR LF, and unless
  // `end_marker` is on, "go", CR LF, "-- " + seconds since midnight with
  // two decimals, CR LF. The entry goes to "monitoreo_NNN.TXT" (NNN from
  // `first_number`, 3 digits with leading zeros, more when needed), moving
  // to the next number while the file exists and its length plus the
  // length of `text` exceeds `limit`.
  void ESCRIBETXT(const std::string& text, int first_number = 1,
                  size_t limit = kSqlFileLimit, bool end_marker = false);

  // The event log entry: LOGFILE(cLogFile, values) when lDebug is on and
  // cLogFile is not empty.
  void Event(std::initializer_list<LogValue> values);

  // The SQL log entry: ESCRIBETXT(text) when lMonitoreo is on.
  void Sql(const std::string& text);

  // Path of a log name: names without a folder go into folder().
  std::string PathOf(const std::string& file) const;

  int64_t rotate_bytes() const { return rotate_bytes_; }
  // For tests: rotate at a smaller size.
  void set_rotate_bytes(int64_t bytes) { rotate_bytes_ = bytes; }

  Clock* clock() const { return clock_; }

 private:
  Clock* clock_;
  std::string folder_;
  int64_t rotate_bytes_ = kRotateBytes;
};

}  // namespace kelmar

#endif  // KELMAR_CORE_LOGS_H_
