// The activity table: one row per handled request, for the operator's list.
//
// Rows are appended to a file of fixed-width records (the widths below,
// then CR LF) that this process holds open under an exclusive lock until it
// ends; the next start of the server deletes it. The most recent rows are
// also kept in memory, a bounded window, for the console that shows them.
#ifndef KELMAR_CORE_ACTIVITY_H_
#define KELMAR_CORE_ACTIVITY_H_

#include <cstdint>
#include <deque>
#include <string>

#include "core/conventions.h"
#include "platform/status.h"

namespace kelmar {

struct ActivityRow {
  Date fecha;            // date of the row
  std::string hora;      // "hh:mm:ss", up to 20
  int64_t socket = 0;    // client connection handle; 0 for server rows
  std::string vendedor;  // seller code, up to 3
  std::string clienip;   // client IP address, up to 20
  std::string dato;      // the request's parameter text, up to 2000
};

// Field widths of the stored record.
inline constexpr size_t kHoraWidth = 20;
inline constexpr size_t kSocketWidth = 13;
inline constexpr size_t kVendedorWidth = 3;
inline constexpr size_t kClienipWidth = 20;
inline constexpr size_t kDatoWidth = 2000;

class ActivityTable {
 public:
  // Rows kept in memory.
  static constexpr size_t kWindow = 1000;

  ActivityTable() = default;
  ActivityTable(const ActivityTable&) = delete;
  ActivityTable& operator=(const ActivityTable&) = delete;
  ~ActivityTable();

  // Creates (or empties) the table file at `path` and holds it open with
  // an exclusive lock. Fails when the file cannot be opened or another
  // process holds it.
  Status Create(const std::string& path);

  // Appends `row`, cutting each text to its field width. The row is kept in
  // the memory window even when the file cannot be written.
  void Append(ActivityRow row);

  // The last rows appended, oldest first, at most kWindow.
  const std::deque<ActivityRow>& recent() const { return recent_; }
  // Rows appended since creation.
  uint64_t count() const { return count_; }
  const std::string& path() const { return path_; }
  bool is_open() const { return fd_ >= 0; }

  // The stored form of one row (without the CR LF).
  static std::string Record(const ActivityRow& row);

 private:
  int fd_ = -1;
  std::string path_;
  std::deque<ActivityRow> recent_;
  uint64_t count_ = 0;
};

}  // namespace kelmar

#endif  // KELMAR_CORE_ACTIVITY_H_
