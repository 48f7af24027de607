#include "db/record_array.h"

#include <algorithm>

#include "db/db_logs.h"
#include "db/sql_text.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

constexpr uint64_t kMaxWidth = 131072;
// Some drivers report the bit type as its unsigned 16-bit form.
constexpr int kSqlBitUnsigned = 65529;
// ODBC 2 codes of the date and time types, beside the ODBC 3 ones.
constexpr int kSqlDate2 = 9, kSqlTime2 = 10, kSqlTimestamp2 = 11;
constexpr int kSqlDate3 = 91, kSqlTime3 = 92;

bool IsNumberType(int t) {
  return t == kSqlNumeric || t == kSqlDecimal || t == kSqlInteger ||
         t == kSqlSmallInt || t == kSqlFloat || t == kSqlReal ||
         t == kSqlDouble || t == kSqlTinyInt;
}
bool IsTimestamp(int t) { return t == kSqlTimestamp || t == kSqlTimestamp2; }
bool IsDate(int t) { return t == kSqlDate2 || t == kSqlDate3; }
bool IsTime(int t) { return t == kSqlTime2 || t == kSqlTime3; }

Value AsRead(std::string_view text, int) { return Value(text); }

Value Padded(std::string_view text, int width) {
  std::string out(text.substr(0, static_cast<size_t>(width)));
  out.resize(static_cast<size_t>(width), ' ');
  return Value(std::move(out));
}

Value Bit(std::string_view text, int) {
  return Value(text.empty() || text[0] != '0');
}

Value Number(std::string_view text, int) {
  return Value::Number(EVALGETNUM(text), 6);
}

int Digits(std::string_view text, size_t pos, size_t len) {
  if (pos + len > text.size()) return -1;
  int n = 0;
  for (size_t i = pos; i < pos + len; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

Value Timestamp(std::string_view text, int) {
  int y = Digits(text, 0, 4), m = Digits(text, 5, 2), d = Digits(text, 8, 2);
  if (y <= 0 || m < 1 || m > 12 || d < 1 || d > 31) {
    return Value(Date{});
  }
  return Value(Date{y, m, d});
}

Value Blanks(int width) {
  return Value(std::string(static_cast<size_t>(width), ' '));
}

}  // namespace

ColumnEntry MakeColumnEntry(const ColumnDescription& column, EntryKind kind) {
  ColumnEntry e;
  e.name = Upper1252(Trim(column.name));
  int t = column.sql_type == kSqlBitUnsigned ? kSqlBit : column.sql_type;
  e.sql_type = t;
  e.decimals = column.decimal_digits;
  e.not_null = !column.nullable;
  e.fetch_type = IsTimestamp(t) ? 11 : 1;

  uint64_t width = std::min<uint64_t>(column.column_size, kMaxWidth);
  if (t == kSqlWVarchar) {
    e.type_letter = 'C';
    width = 19;
  } else if (t == kSqlChar || t == kSqlVarchar || IsTime(t)) {
    e.type_letter = 'C';
  } else if (t == kSqlBit) {
    e.type_letter = 'L';
  } else if (IsNumberType(t)) {
    e.type_letter = 'N';
    width = 19;
  } else if (IsDate(t) || IsTimestamp(t)) {
    e.type_letter = 'D';
  } else if (t == kSqlLongVarchar || t == kSqlLongVarBinary) {
    e.type_letter = 'M';
  } else {
    e.type_letter = 'U';
  }
  if (t == kSqlDouble || t == kSqlFloat) {
    e.decimals = 5;
    width = 19;
  }
  if (t == kSqlBinary && column.column_size == 8) width = 16;
  if (t < kSqlBit) width *= 3;
  e.width = static_cast<int>(std::min(width, kMaxWidth));

  bool cursor = kind == EntryKind::kCursor;
  Value blank = cursor ? Blanks(e.width) : Value("");
  if (t == kSqlLongVarchar || t == kSqlVarBinary || t == kSqlLongVarBinary) {
    e.converter = AsRead;
    e.empty_value = blank;
  } else if (t == kSqlChar || t == kSqlVarchar) {
    e.converter = Padded;
    e.empty_value = blank;
  } else if (t == kSqlBit) {
    e.converter = Bit;
    e.empty_value = Value(false);
  } else if (t == kSqlWVarchar) {
    e.converter = Padded;
    e.empty_value = Value("");
  } else if (IsNumberType(t)) {
    e.converter = Number;
    e.empty_value = Value(0);
  } else if (IsTimestamp(t)) {
    e.converter = Timestamp;
    e.empty_value = Value(Date{});
  } else {
    e.converter = AsRead;
    e.empty_value = blank;
  }
  e.value = e.empty_value;
  return e;
}

int RecordArray::Find(std::string_view name) const {
  std::string upper = Upper1252(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].name == upper) return static_cast<int>(i);
  }
  return -1;
}

void RecordArray::Clear() {
  entries_.clear();
  statement_.reset();
}

void RecordArray::MarkAllUnread() {
  for (ColumnEntry& e : entries_) e.read = false;
}

void RecordArray::Detach() {
  for (ColumnEntry& e : entries_) e.read = true;
  statement_.reset();
}

void RecordArray::SetValue(size_t i, Value value) {
  entries_[i].value = std::move(value);
  entries_[i].read = true;
}

void RecordArray::ReadRange(size_t from, size_t to) {
  std::shared_ptr<Statement> statement = statement_.lock();
  for (size_t i = from; i <= to && i < entries_.size(); ++i) {
    ColumnEntry& e = entries_[i];
    if (e.read) continue;
    std::string text;
    bool is_null = true;
    if (statement == nullptr ||
        !statement->GetText(static_cast<int>(i), &text, &is_null).ok() ||
        is_null) {
      e.value = e.empty_value;
    } else {
      if (text.size() > static_cast<size_t>(e.width)) text.resize(e.width);
      e.value = e.converter(text, e.width);
    }
    e.read = true;
  }
}

void RecordArray::ReportMissing(std::string_view upper_name) const {
  LogDbError(logs_,
             "ERROR en VCC(), campo no existe : " + std::string(upper_name));
}

Value VCC(RecordArray& rows, std::string_view name) {
  int i = rows.Find(name);
  if (i < 0) {
    rows.ReportMissing(Upper1252(name));
    return Value("");
  }
  if (!rows.entry(i).read) {
    size_t first = 0;
    while (first < static_cast<size_t>(i) && rows.entry(first).read) ++first;
    rows.ReadRange(first, static_cast<size_t>(i));
  }
  return rows.entry(i).value;
}

void VCT(RecordArray& rows) {
  if (!rows.empty()) rows.ReadRange(0, rows.size() - 1);
}

void ACTVCC(RecordArray& rows, std::string_view name, Value value) {
  int i = rows.Find(name);
  if (i < 0) {
    rows.ReportMissing(Upper1252(name));
    return;
  }
  if (rows.entry(i).read) rows.SetValue(i, std::move(value));
}

void ESTR(const RecordArray& rows, std::vector<FieldInfo>* list) {
  for (const ColumnEntry& e : rows.entries()) {
    list->push_back({e.name, e.type_letter, e.width, e.decimals});
  }
}

namespace {

template <typename Items>
const auto* FindTrimmed(std::string_view name, const Items& items) {
  std::string wanted = Trim(name);
  for (const auto& item : items) {
    if (Trim(item.name) == wanted) return &item;
  }
  return static_cast<const typename Items::value_type*>(nullptr);
}

}  // namespace

bool EXISTECAMPO(std::string_view name, const RecordArray& rows) {
  return FindTrimmed(name, rows.entries()) != nullptr;
}
bool EXISTECAMPO(std::string_view name, const std::vector<FieldInfo>& list) {
  return FindTrimmed(name, list) != nullptr;
}
int LARGOCAMPO(std::string_view name, const RecordArray& rows) {
  const ColumnEntry* e = FindTrimmed(name, rows.entries());
  return e ? e->width : 0;
}
int LARGOCAMPO(std::string_view name, const std::vector<FieldInfo>& list) {
  const FieldInfo* f = FindTrimmed(name, list);
  return f ? f->width : 0;
}

std::string CAMPOVALOR(std::string_view mode,
                       const std::vector<FieldValue>& pairs, char quote) {
  size_t n = pairs.size();
  if (n > 0 && pairs.back().name == "SEMILLA") --n;
  std::string upper = Upper1252(mode);
  std::string out;
  if (upper == "ING" || upper == "INSERT") {
    std::string names, values;
    for (size_t i = 0; i < n; ++i) {
      if (i > 0) {
        names += ',';
        values += ',';
      }
      names += pairs[i].name;
      values += SqlLiteral(pairs[i].value, quote);
    }
    return "( " + names + ") VALUES ( " + values + ")";
  }
  for (size_t i = 0; i < n; ++i) {
    const FieldValue& p = pairs[i];
    if (i > 0) out += ',';
    out += p.name + "=";
    if (Upper1252(p.mode) == "SUMA") {
      out += p.name + "+";
    } else if (Upper1252(p.mode) == "RESTA") {
      out += p.name + "- ";
    }
    out += SqlLiteral(p.value, quote);
  }
  return out;
}

}  // namespace kelmar
