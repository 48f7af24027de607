#include "db/encoders.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/conventions.h"
#include "db/encoders_text.h"
#include "db/sql_text.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

std::string NumberDot(const Value& v) {
  return ReplaceAllOf(NumberText(v.number(), v.decimals()), ",", ".");
}

// Text of a value in GENERARESPUESTA's rows.
std::string RespuestaValueText(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kText:
      return ReplaceAllOf(v.text(), "\"", "&#34;");
    case Value::Kind::kNumber:
      return NumberDot(v);
    case Value::Kind::kDate: {
      std::string d = DTOC(v.date());
      return d.substr(0, 2) + "/" + d.substr(3, 2);
    }
    case Value::Kind::kLogical:
      return v.logical() ? "1" : "0";
    case Value::Kind::kNil:
      break;
  }
  return std::string();
}

std::string TypeCode(const Value& v, int width) {
  if (v.is_date()) return "5";
  if (v.is_number()) return "11";
  return std::to_string(width);
}

// "1,234.5": the number with its significant decimals (at most three) and
// its whole part grouped by thousands.
std::string GroupedNumber(double n) {
  std::string text = Trim(NUMSINDEC(n));
  std::string sign;
  if (!text.empty() && text[0] == '-') {
    sign = "-";
    text.erase(0, 1);
  }
  size_t dot = text.find('.');
  std::string whole = text.substr(0, dot);
  std::string rest = dot == std::string::npos ? "" : text.substr(dot);
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
    grouped += whole[i];
  }
  return sign + grouped + rest;
}

std::string ArrayValueText(const Value& v) {
  if (v.is_number()) return GroupedNumber(v.number());
  return RespuestaValueText(v);
}

std::string JsonMember(const std::string& name, const std::string& value) {
  return "\"" + name + "\":\"" + HTMLENCODE(Trim(value)) + "\"";
}

// One JSON object of the current row of `rows` (every value read).
std::string JsonObject(RecordArray* rows) {
  VCT(*rows);
  std::string obj = "{";
  for (size_t i = 0; i < rows->size(); ++i) {
    if (i > 0) obj += ",";
    obj += JsonMember(rows->entry(i).name, JsonValueText(rows->entry(i).value));
  }
  return obj + "}";
}

}  // namespace

std::string CursorValueText(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kText:
      return v.text();
    case Value::Kind::kNumber:
      return NumberText(v.number(), v.decimals());
    case Value::Kind::kDate:
      return DTOS(v.date());
    case Value::Kind::kLogical:
      return v.logical() ? "1" : "0";
    case Value::Kind::kNil:
      break;
  }
  return std::string();
}

std::string JsonValueText(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kText:
      return v.text();
    case Value::Kind::kNumber:
      return NumberDot(v);
    case Value::Kind::kDate:
      return v.date().empty() ? std::string() : DTOS(v.date());
    case Value::Kind::kLogical:
      return v.logical() ? "true" : "false";
    case Value::Kind::kNil:
      break;
  }
  return std::string();
}

std::string TotalText(double total) {
  // Sums of six-decimal values are rounded back to micro-units first, so
  // 10.00 + 2.05 is 12.05 and not 12.0499999.
  long long micro = std::llround(total * 1e6);
  unsigned long long abs_micro =
      micro < 0 ? 0ULL - static_cast<unsigned long long>(micro)
                : static_cast<unsigned long long>(micro);
  unsigned long long whole = abs_micro / 1000000;
  unsigned long long cents = (abs_micro % 1000000) / 10000;
  std::string out = micro < 0 ? "-" : "";
  out += std::to_string(whole);
  out += ".";
  if (cents < 10) out += "0";
  out += std::to_string(cents);
  return out;
}

void GENERARESPUESTA(Cursor& cursor, RecordArray* rows, bool found,
                     std::string* reply, std::string_view sep, bool totals) {
  size_t n = rows->size();
  if (found) VCT(*rows);
  std::string first;
  for (size_t i = 0; i < n; ++i) {
    first += rows->entry(i).name;
    first += sep;
  }
  // The kind of a column is that of its value in the first row.
  std::vector<Value> kinds;
  for (size_t i = 0; i < n; ++i) kinds.push_back(rows->entry(i).value);
  if (totals) {
    for (size_t i = 0; i < n; ++i) {
      first += TypeCode(kinds[i], rows->entry(i).width);
      first += sep;
    }
  }
  if (!found) {
    *reply = first;
    LIBERACURSOR(cursor);
    return;
  }
  std::vector<double> sums(n, 0.0);
  std::string body = "\r\n";
  bool more = true;
  bool first_row = true;
  while (more) {
    // The first row was read above; reading it twice would ask the driver
    // for data it has already handed over.
    if (!first_row) VCT(*rows);
    first_row = false;
    for (size_t i = 0; i < n; ++i) {
      const Value& v = rows->entry(i).value;
      body += RespuestaValueText(v);
      body += sep;
      if (totals && v.is_number()) sums[i] += v.number();
    }
    body += "\r\n";
    more = SKIPSQL(cursor, rows) != 0;
  }
  if (totals) {
    std::string line;
    for (size_t i = 0; i < n; ++i) {
      if (kinds[i].is_number()) {
        line += TotalText(sums[i]);
      } else if (kinds[i].is_date()) {
        line += ">>>>>";
      } else {
        line += std::string(
            static_cast<size_t>(std::max(0, rows->entry(i).width)), '>');
      }
      line += sep;
    }
    *reply = first + "\r\n" + line + "\r\n" + body;
  } else {
    *reply = first + body;
  }
  LIBERACURSOR(cursor);
}

void GENERARESPUESTAARRAY(const MemoryTable& table, std::string* reply,
                          std::string_view sep, bool json) {
  size_t n = table.names.size();
  auto cell = [&](const std::vector<Value>& row, size_t i) {
    return i < row.size() ? row[i] : Value();
  };
  if (json) {
    std::string out = "[";
    for (size_t r = 0; r < table.rows.size(); ++r) {
      if (r > 0) out += ",";
      out += "{";
      for (size_t i = 0; i < n; ++i) {
        if (i > 0) out += ",";
        out +=
            JsonMember(table.names[i], JsonValueText(cell(table.rows[r], i)));
      }
      out += "}";
    }
    *reply = FinishJson(out + "]");
    return;
  }
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += table.names[i];
    out += sep;
  }
  for (size_t i = 0; i < n; ++i) {
    Value sample = i < table.samples.size() ? table.samples[i] : Value();
    int width = i < table.widths.size() ? table.widths[i] : 0;
    out += TypeCode(sample, width);
    out += sep;
  }
  out += "\r\n";
  for (const auto& row : table.rows) {
    for (size_t i = 0; i < n; ++i) {
      out += ArrayValueText(cell(row, i));
      out += sep;
    }
    out += "\r\n";
  }
  *reply = out;
}

void GENERARESPUESTAJSON(Cursor& cursor, RecordArray* rows, bool found,
                         std::string* reply, std::string_view /*sep*/) {
  if (!found) {
    *reply = "{}";
    LIBERACURSOR(cursor);
    return;
  }
  std::string out = "[";
  bool first = true;
  do {
    if (!first) out += ",";
    first = false;
    out += JsonObject(rows);
  } while (SKIPSQL(cursor, rows) != 0);
  *reply = FinishJson(out + "]");
  LIBERACURSOR(cursor);
}

void GENRESPREGJSON(Cursor& cursor, RecordArray* rows, bool found,
                    std::string* reply, bool totals,
                    std::string_view list_name) {
  if (!found) {
    *reply = "{}";
    LIBERACURSOR(cursor);
    return;
  }
  size_t n = rows->size();
  std::vector<double> sums(n, 0.0);
  std::string objects;
  bool first = true;
  do {
    if (!first) objects += ",";
    first = false;
    objects += JsonObject(rows);
    if (totals) {
      for (size_t i = 0; i < n; ++i) {
        if (rows->entry(i).type_letter == 'N') {
          sums[i] += rows->entry(i).value.number();
        }
      }
    }
  } while (SKIPSQL(cursor, rows) != 0);
  std::string out;
  if (!list_name.empty()) {
    out = " \"" + std::string(list_name) + "\": [" + objects + "]";
  } else {
    out = "[" + objects + "]";
  }
  if (totals && !out.empty()) {
    std::string members;
    for (size_t i = 0; i < n; ++i) {
      if (rows->entry(i).type_letter != 'N') continue;
      if (!members.empty()) members += ",";
      members += JsonMember(rows->entry(i).name, TotalText(sums[i]));
    }
    out += ",\"Totales\": [{" + members + "}]";
  }
  *reply = FinishJson(out);
  LIBERACURSOR(cursor);
}

std::string RESPUESTAV3(std::string_view consulta, double uuid,
                        std::string_view numero, std::string_view codigo,
                        std::string_view mensaje, std::string_view lineas) {
  char id[64];
  std::snprintf(id, sizeof(id), "%.0f", uuid);
  std::string out = "{\"consulta\":\"";
  out += consulta;
  out += "\",\"uuid\":\"";
  out += id;
  out += "\",\"numero\":\"";
  out += numero;
  out += "\",\"estado\":{\"codigo\":\"";
  out += codigo;
  out += "\",\"mensaje\":\"";
  out += mensaje;
  out += "\"},\"lineas\":[";
  out += lineas;
  out += "]}";
  return out;
}

}  // namespace kelmar
