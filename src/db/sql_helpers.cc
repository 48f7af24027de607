#include "db/sql_helpers.h"

#include <cmath>
#include <memory>

#include "core/context.h"
#include "db/cursor.h"
#include "db/db_logs.h"
#include "db/sql_text.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

constexpr char kNoLock[] = " WITH ( NOLOCK ) ";

void SetFlag(bool* flag) {
  if (flag != nullptr) *flag = true;
}

// The value a lookup gives a column of a missing row.
Value LookupBlank(const ColumnEntry& e) {
  switch (e.type_letter) {
    case 'C':
      return Value(std::string(static_cast<size_t>(e.width), ' '));
    case 'N':
      return Value(0);
    case 'D':
      return Value(Date{});
    case 'L':
      return Value(false);
    default:
      return Value("");
  }
}

// Runs a one-row lookup into `rows`: describes the columns even when no row
// comes, reads every value and frees the statement before returning.
bool RunLookup(const Context& ctx, std::string_view sql, RecordArray* rows,
               bool* error) {
  rows->set_logs(ctx.logs);
  std::unique_ptr<Statement> allocated =
      ctx.odbc != nullptr ? ctx.odbc->NewStatement() : nullptr;
  if (allocated == nullptr) {
    SetFlag(error);
    return false;
  }
  LogSql(ctx, sql);
  std::shared_ptr<Statement> statement(std::move(allocated));
  if (!statement->Execute(sql).ok()) {
    SetFlag(error);
    return false;
  }
  bool has_row = false;
  if (!statement->Fetch(&has_row).ok()) has_row = false;
  size_t first = rows->size();
  for (int i = 0; i < statement->ColumnCount(); ++i) {
    rows->Append(MakeColumnEntry(statement->Column(i), EntryKind::kLookup));
  }
  if (has_row) {
    rows->AttachStatement(statement);
    VCT(*rows);
  } else {
    for (size_t i = first; i < rows->size(); ++i) {
      rows->SetValue(i, LookupBlank(rows->entry(i)));
    }
  }
  rows->Detach();
  return has_row;
}

// A lookup must start from an empty array; one that does not is a caller's
// fault that is reported, and the lookup goes on with a fresh array.
void RequireEmpty(RecordArray* rows, const Context& ctx, std::string_view who,
                  bool* error) {
  if (rows->empty()) return;
  SetFlag(error);
  LogDbError(ctx.logs, "ERROR en " + std::string(who) +
                           "(), arreglo de registro no vacio");
  rows->Clear();
}

// Opens `sql` as a cursor, reads the first row whole and frees the cursor.
bool ReadFirstRow(const Context& ctx, std::string_view sql, RecordArray* rows) {
  bool found = false;
  Cursor cursor = CREARCURSOR(ctx, rows, sql, &found);
  if (found) VCT(*rows);
  LIBERACURSOR(cursor);
  rows->Detach();
  return found;
}

}  // namespace

bool EJECUTESQL(const Context& ctx, std::string_view sql, std::string* error) {
  std::unique_ptr<Statement> statement =
      ctx.odbc != nullptr ? ctx.odbc->NewStatement() : nullptr;
  if (statement == nullptr) return false;
  LogSql(ctx, sql);
  Status s = statement->Execute(sql);
  if (!s.ok() && error != nullptr) *error = s.message();
  return s.ok();
}

bool SEEKSQL(const Context& ctx, std::string_view table, RecordArray* rows,
             const std::vector<std::string>& key_names,
             const std::vector<Value>& key_values, std::string_view select_list,
             bool upper_table, bool* error) {
  std::string hint = table.size() > 10 ? "" : kNoLock;
  std::string name = upper_table ? Upper1252(table) : std::string(table);
  RequireEmpty(rows, ctx, "SEEKSQL", error);
  std::string where = KeyWhere(key_names, key_values);
  std::string sql =
      select_list.empty()
          ? "SELECT TOP 1 * FROM " + name + hint + " WHERE " + where
          : "SELECT TOP 1 " + std::string(select_list) + " FROM " + name +
                hint + " WHERE " + where;
  return RunLookup(ctx, sql, rows, error);
}

std::string SeekJoinFrom(std::string_view table) {
  struct Join {
    const char* table;
    const char* join;
  };
  static const Join kJoins[] = {
      {"TABPRE", "INNER JOIN TABPP ON TABPRE.KOLT = TABPP.KOLT "},
      {"MAEPREM", "INNER JOIN MAEPR ON MAEPREM.KOPR = MAEPR.KOPR "},
      {"MAESERIE", "INNER JOIN MAEPR ON MAESERIE.KOPR = MAEPR.KOPR "},
      {"MAEDDO", "INNER JOIN MAEEDO ON MAEDDO.IDMAEEDO = MAEEDO.IDMAEEDO "},
      {"MAEDPCD",
       "INNER JOIN MAEDPCE ON MAEDPCD.IDMAEDPCE = MAEDPCE.IDMAEDPCE "},
      {"CCOMPRD", "INNER JOIN CCOMPRE ON CCOMPRD.IDCOMPRE = CCOMPRE.IDCOMPRE "},
      {"CCOMPRD1",
       "INNER JOIN CCOMPRD ON CCOMPRD1.IDCOMPRD = CCOMPRD.IDCOMPRD "
       "INNER JOIN CCOMPRE ON CCOMPRD.IDCOMPRE = CCOMPRE.IDCOMPRE "},
      {"CCOMPRC", "INNER JOIN CCOMPRD ON CCOMPRC.IDCOMPRD = CCOMPRD.IDCOMPRD "},
      {"POTL", "INNER JOIN POTE ON POTL.IDPOTE = POTE.IDPOTE "},
      {"POTD",
       "INNER JOIN POTL ON POTD.IDPOTL = POTL.IDPOTL "
       "INNER JOIN POTE ON POTL.IDPOTE = POTE.IDPOTE "},
      {"POTLCOM",
       "INNER JOIN POTL ON POTLCOM.IDPOTL = POTL.IDPOTL "
       "INNER JOIN POTE ON POTL.IDPOTE = POTE.IDPOTE "},
      {"POTPR",
       "INNER JOIN POTL ON POTPR.IDPOTL = POTL.IDPOTL "
       "INNER JOIN POTE ON POTL.IDPOTE = POTE.IDPOTE "},
      {"PDATFAD",
       "INNER JOIN PDATFAE ON PDATFAD.IDPDATFAE = PDATFAE.IDPDATFAE "},
      {"PDATTAD",
       "INNER JOIN PDATTAE ON PDATTAD.IDPDATTAE = PDATTAE.IDPDATTAE "},
      {"POTPRTA",
       " INNER JOIN POTPR ON POTPR.IDPOTPR = POTPRTA.IDPOTPR "
       " INNER JOIN POTL ON POTPR.IDPOTL = POTL.IDPOTL "
       " INNER JOIN POTE ON POTL.IDPOTE = POTE.IDPOTE "},
      {"CCARTOLD",
       "INNER JOIN CCARTOLE ON CCARTOLD.IDCARTOLE = CCARTOLE.IDCARTOLE "},
      {"CACTFID", "INNER JOIN CACTFI ON CACTFI.IDACTFI = CACTFID.IDACTFI "},
      {"CDOCCOD", "INNER JOIN CDOCCOE ON CDOCCOE.IDDOCCOE = CDOCCOD.IDDOCCOE "},
      {"TABKOPRE",
       "INNER JOIN ACUADPRE ON ACUADPRE.KOPRESU = TABKOPRE.KOPRESU "
       "AND  ACUADPRE.APRESU = TABKOPRE.APRESU "
       "AND  ACUADPRE.BPRESU = TABKOPRE.BPRESU "
       "AND  ACUADPRE.CPRESU = TABKOPRE.CPRESU "},
      {"TABITPRE",
       "INNER JOIN TABADPRE ON TABADPRE.KOPRESU = TABITPRE.KOPRESU "},
  };
  std::string upper = Upper1252(table);
  for (const Join& j : kJoins) {
    if (upper == j.table) return upper + " " + kNoLock + j.join;
  }
  return "";
}

bool SEEKSQLMUL(const Context& ctx, std::string_view table, RecordArray* rows,
                const std::vector<std::string>& key_names,
                const std::vector<Value>& key_values,
                std::string_view select_list, std::string_view joined_columns,
                std::string_view extra_condition) {
  std::string name = Upper1252(table);
  RequireEmpty(rows, ctx, "SEEKSQLMUL", nullptr);
  std::vector<std::string> qualified;
  for (const std::string& key : key_names)
    qualified.push_back(name + "." + key);
  std::string where = KeyWhere(qualified, key_values);
  if (!extra_condition.empty()) where += " AND " + std::string(extra_condition);
  std::string sql =
      select_list.empty()
          ? "SELECT TOP 1 " + name + ".*," + std::string(joined_columns)
          : "SELECT TOP 1 " + std::string(select_list) + "," +
                std::string(joined_columns);
  sql += " FROM " + SeekJoinFrom(name) + " WHERE " + where;
  return RunLookup(ctx, sql, rows, nullptr);
}

bool TOPSQL(const Context& ctx, std::string_view table, RecordArray* rows,
            std::string_view order, std::string_view condition,
            std::string_view select_list) {
  std::string sql = "SELECT TOP 1 " + std::string(select_list) + " FROM " +
                    std::string(table) + kNoLock;
  if (!order.empty()) {
    if (!condition.empty()) sql += " WHERE " + std::string(condition);
    sql += " ORDER BY " + std::string(order);
  }
  return ReadFirstRow(ctx, sql, rows);
}

bool BOTTOMSQL(const Context& ctx, std::string_view table, RecordArray* rows,
               std::string_view order, std::string_view condition,
               std::string_view select_list, bool locking) {
  if (order.empty()) return false;
  std::string sql = "SELECT TOP 1 " + std::string(select_list) + " FROM " +
                    std::string(table) + (locking ? "" : kNoLock);
  if (!condition.empty()) sql += " WHERE " + std::string(condition);
  sql += " ORDER BY " + std::string(order) + " DESC ";
  return ReadFirstRow(ctx, sql, rows);
}

namespace {

double AsNumber(const Value& v) {
  return v.is_number() ? v.number() : VAL(v.text());
}

}  // namespace

int64_t CUENTAREGSQL(const Context& ctx, std::string_view table,
                     std::string_view tail) {
  RecordArray rows;
  ReadFirstRow(ctx,
               "SELECT COUNT(*) AS CUANTOS FROM " + std::string(table) +
                   std::string(tail),
               &rows);
  if (rows.Find("CUANTOS") < 0) return 0;
  return static_cast<int64_t>(AsNumber(VCC(rows, "CUANTOS")));
}

RecordArray CUENTAYSUMAREGSQL(const Context& ctx, std::string_view table,
                              std::string_view tail,
                              std::string_view select_list) {
  RecordArray rows;
  ReadFirstRow(ctx,
               "SELECT " + std::string(select_list) + " FROM " +
                   std::string(table) + std::string(tail),
               &rows);
  return rows;
}

int64_t ULTIMOID(const Context& ctx) {
  RecordArray rows;
  if (!ReadFirstRow(ctx, "SELECT @@IDENTITY AS ULTID", &rows)) return 0;
  double id = AsNumber(VCC(rows, "ULTID"));
  return std::isfinite(id) ? static_cast<int64_t>(std::trunc(id)) : 0;
}

int SecondsFromStyle9(std::string_view hora) {
  std::string h = Trim(hora);
  size_t n = h.size();
  if (n < 14) return 0;
  auto part = [&](size_t from_end) {
    return static_cast<int>(VAL(h.substr(n - from_end, 2)));
  };
  int hour = part(14), minute = part(11), second = part(8);
  std::string ampm = Upper1252(h.substr(n - 2));
  if (ampm == "PM" && hour != 12) hour += 12;
  if (ampm == "AM" && hour == 12) hour = 0;
  return hour * 3600 + minute * 60 + second;
}

ServerTime FEHORASER(const Context& ctx) {
  RecordArray rows;
  ServerTime t;
  ReadFirstRow(ctx,
               "SELECT CURRENT_TIMESTAMP AS FECHA, CONVERT( VARCHAR(45), "
               "CURRENT_TIMESTAMP, 9 ) AS HORA ",
               &rows);
  if (rows.Find("FECHA") < 0) return t;
  t.date = VCC(rows, "FECHA").date();
  t.seconds = SecondsFromStyle9(VCC(rows, "HORA").text());
  return t;
}

}  // namespace kelmar
