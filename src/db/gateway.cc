#include "db/gateway.h"

#include "core/context.h"
#include "core/logs.h"
#include "db/cursor.h"
#include "db/encoders.h"
#include "db/encoders_text.h"
#include "db/record_array.h"
#include "db/sql_helpers.h"

namespace kelmar {
namespace {

void LogFailedCommand(const Context& ctx, const std::string& sql,
                      const std::string& message) {
  if (ctx.logs == nullptr) return;
  ctx.logs->LOGFILE(
      "Comandos_con_error.txt",
      {LogValue(static_cast<long long>(sql.size())), sql, message});
}

}  // namespace

void CURSORES(const Context& ctx, std::string_view request,
              std::string* answer) {
  std::string query = LIMPIACADENA(request);
  RecordArray rows;
  bool found = false;
  Cursor cursor = CREARCURSOR(ctx, &rows, query, &found);
  std::string out;
  for (size_t i = 0; i < rows.size(); ++i) out += rows.entry(i).name + "|";
  if (found) {
    out += "\r\n";
    do {
      VCT(rows);
      for (size_t i = 0; i < rows.size(); ++i) {
        out += CursorValueText(rows.entry(i).value);
        out += "|";
      }
      out += "\r\n";
    } while (SKIPSQL(cursor, &rows) != 0);
  } else {
    out = "0 data|" + query;
  }
  LIBERACURSOR(cursor);
  *answer = std::move(out);
}

void CURSORJSON(const Context& ctx, std::string_view request,
                std::string* answer) {
  std::string query = LIMPIACADENA(request);
  RecordArray rows;
  bool found = false;
  Cursor cursor = CREARCURSOR(ctx, &rows, query, &found);
  GENERARESPUESTAJSON(cursor, &rows, found, answer, "|");
}

void COMANDOS(const Context& ctx, std::string_view request,
              std::string* answer) {
  std::string sql = LIMPIACADENA(request);
  std::string head = sql.substr(0, 7);
  for (char& c : head) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (head != "SELECT ") {
    *answer = "0|";
    LogFailedCommand(ctx, sql, "");
    return;
  }
  std::string error;
  if (EJECUTESQL(ctx, sql, &error)) {
    *answer = "1|ok";
    return;
  }
  *answer = "0|" + error;
  LogFailedCommand(ctx, sql, error);
}

}  // namespace kelmar
