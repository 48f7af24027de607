#include "core/logs.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/files.h"

namespace kelmar {

Logs::Logs(Clock* clock, std::string folder)
    : clock_(clock), folder_(std::move(folder)) {}

std::string Logs::folder() const {
  return folder_.empty() ? CurrentDir() : folder_;
}

std::string Logs::PathOf(const std::string& file) const {
  return JoinPath(folder(), file);  // an absolute name stays as it is
}

void Logs::LOGFILE(const std::string& file,
                   std::initializer_list<LogValue> values) {
  LOGFILE(file, std::vector<LogValue>(values));
}

void Logs::LOGFILE(const std::string& file,
                   const std::vector<LogValue>& values) {
  if (file.empty()) return;
  LocalTime now = clock_->NowLocal();
  std::string line = DTOC(DateOf(now)) + " " + TimeText(now) + ": ";
  for (const LogValue& v : values) {
    line += v.text();
    line += '\t';
  }
  line += "\r\n";

  std::string path = PathOf(file);
  if (FileSize(path) > rotate_bytes_) {
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "web%04d%02d%02d_%02d%02d%02d.txt",
                  now.year, now.month, now.day, now.hour, now.minute,
                  now.second);
    std::string target = DirPart(path) + stamp;
    std::string base = target.substr(0, target.size() - 4);  // no ".txt"
    // Two rotations within one second would overwrite the first archive;
    // keep it by numbering the second.
    for (int n = 1; FileExists(target) && n < 1000; ++n) {
      target = base + "_" + std::to_string(n) + ".txt";
    }
    RenameFile(path, target);
  }
  AppendToFile(path, line);  // a lost line is not reported
}

void Logs::ESCRIBETXT(const std::string& text, int first_number, size_t limit,
                      bool end_marker) {
  int number = first_number < 0 ? 0 : first_number;
  std::string path;
  for (;;) {
    char name[32];
    std::snprintf(name, sizeof(name), "monitoreo_%03d.TXT", number);
    path = PathOf(name);
    int64_t size = FileSize(path);
    if (size < 0 || static_cast<uint64_t>(size) + text.size() <= limit) break;
    ++number;
  }
  std::string entry = text + "\r\n";
  if (!end_marker) {
    entry += "go\r\n-- " + SecondsText(clock_->NowLocal()) + "\r\n";
  }
  AppendToFile(path, entry);
}

void Logs::Event(std::initializer_list<LogValue> values) {
  if (lDebug && !cLogFile.empty()) LOGFILE(cLogFile, values);
}

void Logs::Sql(const std::string& text) {
  if (lMonitoreo) ESCRIBETXT(text);
}

}  // namespace kelmar
