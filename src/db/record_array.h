// Record arrays: the description of a result set's columns together with the
// values of its current row, read by column name with VCC. A record array is
// filled by a one-row lookup (all values read at once, detached from any
// statement) or by a cursor (values read lazily from the cursor's current
// row, in increasing column order as ODBC requires).
#ifndef KELMAR_DB_RECORD_ARRAY_H_
#define KELMAR_DB_RECORD_ARRAY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/engine/connection.h"
#include "db/value.h"

namespace kelmar {

class Logs;

// Turns the character data read from the driver into the server's value.
using Converter = Value (*)(std::string_view text, int width);

struct ColumnEntry {
  std::string name;        // trimmed and upper-cased
  char type_letter = 'U';  // C text, N number, D date, L logical, M long, U
  int width = 0;           // characters a value may take
  int decimals = 0;        // as described (5 for floating point)
  bool not_null = false;   // the column refuses NULL
  int sql_type = 0;        // ODBC code; bit always -7
  int fetch_type = 1;      // 11 for timestamps; informative only
  Converter converter = nullptr;
  Value value;        // current row's value once read
  bool read = false;  // value holds the current row
  Value empty_value;  // stands for NULL; also the starting value
};

// Whether entries are built for a cursor or for a lookup: the two give NULL
// (and a missing row) different blanks.
enum class EntryKind { kCursor, kLookup };

// The entry for one described column, by the type, width and converter
// tables; its value is the empty value, unread.
ColumnEntry MakeColumnEntry(const ColumnDescription& column, EntryKind kind);

// ESTR's item: a column's name, type letter, width and decimals.
struct FieldInfo {
  std::string name;
  char type_letter = 'U';
  int width = 0;
  int decimals = 0;
};

class RecordArray {
 public:
  RecordArray() = default;
  RecordArray(RecordArray&&) = default;
  RecordArray& operator=(RecordArray&&) = default;
  // Copying would share the cursor's statement between two arrays.
  RecordArray(const RecordArray&) = delete;
  RecordArray& operator=(const RecordArray&) = delete;

  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }
  const ColumnEntry& entry(size_t i) const { return entries_[i]; }
  const std::vector<ColumnEntry>& entries() const { return entries_; }

  // Index of the entry named `name` (compared upper-cased), or -1.
  int Find(std::string_view name) const;

  // Drops every entry and the link to a statement; keeps the log.
  void Clear();

  // Used by the routines that fill the array. `statement` is where unread
  // values come from; entries whose statement has been freed read as their
  // empty value.
  void Append(ColumnEntry entry) { entries_.push_back(std::move(entry)); }
  void AttachStatement(std::weak_ptr<Statement> statement) {
    statement_ = std::move(statement);
  }
  void MarkAllUnread();
  // Marks every entry read and forgets the statement: the values held now
  // are final.
  void Detach();
  // Reads entries [from, to] of the current row (0-based, inclusive).
  void ReadRange(size_t from, size_t to);
  // Sets entry i's value and marks it read.
  void SetValue(size_t i, Value value);

  // Where VCC and ACTVCC report a missing column (may be null: unreported).
  void set_logs(Logs* logs) { logs_ = logs; }
  Logs* logs() const { return logs_; }

  // Reports a caller's reference to a column the array does not hold.
  void ReportMissing(std::string_view upper_name) const;

 private:
  std::vector<ColumnEntry> entries_;
  std::weak_ptr<Statement> statement_;
  Logs* logs_ = nullptr;
};

// VCC: the value of column `name` (any letter case) in the current row.
// Unread entries are read up to this one, in increasing column order, and
// never twice for the same row. A name the array does not hold is reported
// as "ERROR en VCC(), campo no existe : " + NAME to the event log and gives
// empty text; the request goes on.
Value VCC(RecordArray& rows, std::string_view name);

// VCT: reads every entry of the current row in column order.
void VCT(RecordArray& rows);

// ACTVCC: replaces the value of an entry already read. A missing name is
// reported like VCC's; an unread entry is left unchanged.
void ACTVCC(RecordArray& rows, std::string_view name, Value value);

// ESTR: appends {name, type letter, width, decimals} per entry to `list`.
void ESTR(const RecordArray& rows, std::vector<FieldInfo>* list);

// EXISTECAMPO: some entry's name equals `name`, both trimmed.
bool EXISTECAMPO(std::string_view name, const RecordArray& rows);
bool EXISTECAMPO(std::string_view name, const std::vector<FieldInfo>& list);

// LARGOCAMPO: width of the first entry named `name` (both trimmed), 0 when
// none.
int LARGOCAMPO(std::string_view name, const RecordArray& rows);
int LARGOCAMPO(std::string_view name, const std::vector<FieldInfo>& list);

// One pair of CAMPOVALOR's list. `mode` "suma" or "resta" asks the UPDATE
// form for an increment or a decrement.
struct FieldValue {
  FieldValue(std::string name, Value value, std::string mode = "")
      : name(std::move(name)), value(std::move(value)), mode(std::move(mode)) {}

  std::string name;
  Value value;
  std::string mode;
};

// CAMPOVALOR: mode "ING" or "INSERT" (any case) gives
// "( A,B) VALUES ( 'x',3)"; any other mode "A='x',B=3" (with "A=A+v" or
// "A=A- v" for suma and resta). A last pair named "SEMILLA" is left out.
// Values follow SqlLiteral, text enclosed in `quote`.
std::string CAMPOVALOR(std::string_view mode,
                       const std::vector<FieldValue>& pairs, char quote = '\'');

}  // namespace kelmar

#endif  // KELMAR_DB_RECORD_ARRAY_H_
