#include "http/envelope.h"

#include <vector>

#include "core/conventions.h"
#include "core/logs.h"
#include "db/record_array.h"
#include "db/sql_helpers.h"
#include "db/value.h"
#include "http/decoders.h"
#include "http/framing.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

std::string WithoutQuotes(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\'') out += c;
  }
  return out;
}

}  // namespace

std::string CORTAINSERTA(const Context& ctx, std::string_view kind,
                         std::string_view params, std::string* seller,
                         const Processors* processors) {
  std::string p(params);
  p = ReplaceAllOf(p, "%7C", "|");
  p = ReplaceAllOf(p, "%7c", "|");
  p = ReplaceAllOf(p, "%2C", ",");
  p = ReplaceAllOf(p, "%2c", ",");
  p = ReplaceAllOf(p, "%22", "\"");
  size_t eq = p.find('=');
  std::string name = p.substr(0, eq);
  std::string after =
      eq == std::string::npos ? std::string() : p.substr(eq + 1);
  std::string envelope = after.substr(0, after.find('|'));
  // Only the envelope in front is cut; the same characters later in the
  // command are data.
  std::string prefix = name + "=" + envelope + "|";
  std::string text = p;
  size_t at = text.find(prefix);
  if (at != std::string::npos) text.erase(at, prefix.size());
  text = Trim(text);

  if (kind == "validator3") return text;

  std::vector<std::string> fields;
  for (std::string_view f : SplitText(envelope, ",")) fields.emplace_back(f);
  fields.resize(std::max<size_t>(fields.size(), 4));
  *seller = fields[0];
  std::string accion(kind);
  if (kind == "validator") accion = SplitText(text, "|")[0];
  std::string linea = WithoutQuotes(LIMPIACADENA(WithoutQuotes(text)));
  if (processors != nullptr && processors->journal_line) {
    linea = processors->journal_line(accion, linea);
  }

  ServerTime now = FEHORASER(ctx);
  std::vector<FieldValue> pairs = {
      {"VENDEDOR", Value(fields[0]), ""},
      {"MAQUINA", Value(fields[1]), ""},
      {"FECHA", Value(now.date), ""},
      {"HORAGRAB", Value(now.seconds), ""},
      {"LATITUD", Value(VAL(fields[2])), ""},
      {"LONGITUD", Value(VAL(fields[3])), ""},
      {"ACCION", Value(accion), ""},
      {"LINEA", Value(linea), ""},
  };
  std::string sql = "INSERT INTO PDALOG " + CAMPOVALOR("ING", pairs);
  std::string error;
  if (!EJECUTESQL(ctx, sql, &error) && ctx.logs != nullptr) {
    ctx.logs->LOGFILE(
        "Comandos_con_error.txt",
        {LogValue(static_cast<long long>(sql.size())), sql, error});
  }
  return text;
}

}  // namespace kelmar
