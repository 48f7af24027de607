// Reply encoders: an open cursor (or a small in-memory table) turned into
// the text of a device-protocol or JSON reply, and the JSON API's standard
// reply. Pure text producers; the router frames what they return.
//
// Encoders that take a cursor close it (LIBERACURSOR) before returning; the
// caller opened it with CREARCURSOR and passes the found flag CREARCURSOR
// gave.
#ifndef KELMAR_DB_ENCODERS_H_
#define KELMAR_DB_ENCODERS_H_

#include <string>
#include <string_view>
#include <vector>

#include "db/cursor.h"
#include "db/record_array.h"
#include "db/value.h"

namespace kelmar {

// GENERARESPUESTA: the column names each followed by `sep` (with `totals`,
// then one type code per column: "5" date, "11" number, else the width),
// then, when rows exist, CR LF and one line per row of value texts each
// followed by `sep` (texts as held with '"' as "&#34;", numbers with "." as
// decimal point, dates "dd/mm", logicals "1"/"0"). With totals and rows the
// names line is followed by CR LF, the totals line, CR LF and the rows.
// Without rows: the names line alone.
void GENERARESPUESTA(Cursor& cursor, RecordArray* rows, bool found,
                     std::string* reply, std::string_view sep,
                     bool totals = false);

// The in-memory table of GENERARESPUESTAARRAY: names, one sample value per
// column (its kind decides the type code), widths, and the data rows.
struct MemoryTable {
  std::vector<std::string> names;
  std::vector<Value> samples;
  std::vector<int> widths;
  std::vector<std::vector<Value>> rows;
};

// GENERARESPUESTAARRAY. Delimited form: names each followed by `sep`, the
// type codes, CR LF, then each row's value texts followed by `sep` and CR
// LF; numbers as "1,234.5" (thousands grouped, significant decimals only,
// at most three). JSON form: an array of one object per row ("[]" without
// rows), values as in the cursor JSON.
void GENERARESPUESTAARRAY(const MemoryTable& table, std::string* reply,
                          std::string_view sep, bool json = false);

// GENERARESPUESTAJSON: "[" + one object per row + "]", every value a JSON
// string encoded by HTMLENCODE; "{}" without rows. `sep` is not used.
void GENERARESPUESTAJSON(Cursor& cursor, RecordArray* rows, bool found,
                         std::string* reply, std::string_view sep = "|");

// GENRESPREGJSON: the rows as in GENERARESPUESTAJSON, as the member
// ' "name": [...]' when `list_name` is given, else as "[...]". With totals
// a member ',"Totales": [{...}]' follows, summing each "N" column. "{}"
// without rows.
void GENRESPREGJSON(Cursor& cursor, RecordArray* rows, bool found,
                    std::string* reply, bool totals = false,
                    std::string_view list_name = {});

// RESPUESTAV3: the JSON API's standard reply
// {"consulta":"..","uuid":"..","numero":"..","estado":{"codigo":"..",
// "mensaje":".."},"lineas":[..]}. Nothing is escaped; `lineas` is a ready
// list body. Each value is placed once: a value that itself holds "@1".."@6"
// is not rewritten.
std::string RESPUESTAV3(std::string_view consulta, double uuid,
                        std::string_view numero, std::string_view codigo,
                        std::string_view mensaje, std::string_view lineas);

// Value text of the pipe-delimited gateway: texts as held, numbers as
// their decimal text, dates "yyyymmdd" (eight blanks when empty), logicals
// "1"/"0".
std::string CursorValueText(const Value& v);

// Value text of the JSON replies, before trimming and encoding: texts as
// held, numbers with "." as decimal point, dates "yyyymmdd" (empty when
// empty), logicals "true"/"false".
std::string JsonValueText(const Value& v);

// A total as the totals lines write it: sign when negative, the whole part,
// "." and the first two decimals, truncated ("12.05", "-7.50").
std::string TotalText(double total);

}  // namespace kelmar

#endif  // KELMAR_DB_ENCODERS_H_
