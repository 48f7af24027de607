#include "mobile/signin.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <vector>

#include "core/conventions.h"
#include "db/cursor.h"
#include "db/encoders.h"
#include "db/record_array.h"
#include "db/sql_helpers.h"
#include "db/value.h"
#include "mobile/frame.h"
#include "platform/clock.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

// Pads to `width` but never cuts: a longer code must not match a shorter
// one.
std::string PadWithBlanks(std::string_view text, size_t width) {
  std::string out(text);
  if (out.size() < width) out.append(width - out.size(), ' ');
  return out;
}

// The tax id of company "01": from the process cache when it holds one,
// otherwise read (and kept in the cache when there is one).
std::string CompanyTaxId(Context& ctx) {
  if (ctx.tax_id_cache != nullptr && !ctx.tax_id_cache->rut().empty()) {
    return ctx.tax_id_cache->rut();
  }
  RecordArray rows;
  bool found = false;
  Cursor cursor = CREARCURSOR(
      ctx, &rows, "SELECT RUT FROM CONFIGP  WITH (NOLOCK) WHERE EMPRESA='01' ",
      &found);
  std::string rut = found ? VCC(rows, "RUT").text() : std::string();
  LIBERACURSOR(cursor);
  if (ctx.tax_id_cache != nullptr) ctx.tax_id_cache->set_rut(rut);
  return rut;
}

// The creation date of the running executable; its modification date where
// the file system keeps no creation time. Empty when neither can be read.
std::string ExecutableDate() {
  struct statx sx;
  if (statx(AT_FDCWD, "/proc/self/exe", 0, STATX_BTIME | STATX_MTIME, &sx) !=
      0) {
    return std::string();
  }
  const struct statx_timestamp& ts =
      (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
  Clock::TimePoint tp{std::chrono::seconds(ts.tv_sec)};
  return DTOC(DateOf(ToLocalTime(tp)));
}

}  // namespace

bool MAQUINAVALIDA(Context& ctx, std::string_view machine, bool* error) {
  RecordArray rows;
  return SEEKSQL(ctx, "PDAMAQ", &rows, {"MAQUINA"}, {Value(machine)}, {}, true,
                 error);
}

ClaveResult EXISTACLAVE(Context& ctx, std::string_view user,
                        std::string_view password, bool* error) {
  ClaveResult result;
  RecordArray rows;
  if (SEEKSQL(ctx, "TABFU", &rows, {"KOFU", "PWFU"},
              {Value(user), Value(TRANFOCLAV(password))}, "KOFU,IDTABFU", true,
              error)) {
    result.found = true;
    result.kofu = VCC(rows, "KOFU").text();
    result.idtabfu = static_cast<int64_t>(VCC(rows, "IDTABFU").number());
  }
  return result;
}

bool VALIDAPERMISO(Context& ctx, std::string_view user,
                   std::string_view permission, bool* error) {
  std::string rut = CompanyTaxId(ctx);
  RecordArray rows;
  if (!SEEKSQL(ctx, "MAEUS", &rows, {"KOUS", "KOOP"},
               {Value(user), Value(permission)}, {}, true, error)) {
    return false;
  }
  return VCC(rows, "ECKOUS").number() ==
         static_cast<double>(PermissionCheckNumber(rut, user, permission));
}

bool EXISTERESTRICCION(Context& ctx, std::string_view user,
                       std::string_view permission, bool* error) {
  RecordArray rows;
  return SEEKSQL(ctx, "MAEUS", &rows, {"KOUS", "KOOP"},
                 {Value(user), Value(permission)}, {}, true, error);
}

void CmdValidarMaquina(MobileRequest& request) {
  const std::string& machine = request.tokens.Get(2);
  const std::string& user = request.tokens.Get(3);
  RecordArray rows;
  if (SEEKSQL(request.ctx, "PDAMAQ", &rows, {"MAQUINA", "USUARIO"},
              {Value(machine), Value(user)}, {}, true, request.error)) {
    *request.reply = FailureReply("usuario y m\xE1quina ya estan instalados");
    return;
  }
  std::string insert = "INSERT INTO PDAMAQ " +
                       CAMPOVALOR("ING", {{"MAQUINA", Value(Trim(machine))},
                                          {"USUARIO", Value(user)},
                                          {"SISTEMA", Value("")}});
  if (!EJECUTESQL(request.ctx, insert)) {
    *request.reply = FailureReply("error al instalar maquina");
    return;
  }
  *request.reply = SuccessReply("M\xE1quina exitosamente registrada");
}

void CmdValidarClave(MobileRequest& request) {
  Context& ctx = request.ctx;
  bool* error = request.error;
  const std::string& machine = request.tokens.Get(2);
  const std::string& user = request.tokens.Get(3);
  const std::string& password = request.tokens.Get(4);
  const std::string& version = request.tokens.Get(5);

  if (!VERSIONVALIDA(version)) {
    *request.reply = FailureReply("Version no valida. Actualice su programa.");
    return;
  }
  if (!MAQUINAVALIDA(ctx, machine, error)) {
    *request.reply = FailureReply("M\xE1quina no registrada");
    return;
  }

  std::string mode = Trim(CMOD(request.tokens.Get(6)));
  if (mode.empty()) {
    RecordArray tabfu;
    if (SEEKSQL(ctx, "TABFU", &tabfu, {"KOFU"}, {Value(user)}, "MODALIDAD",
                true, error)) {
      mode = VCC(tabfu, "MODALIDAD").text();
    }
    // A blank-padded code is as empty as no code at all: no mode check, and
    // an empty mode in the reply.
    if (Trim(mode).empty()) mode.clear();
  }

  std::string user3 = PadWithBlanks(user, 3);
  std::string branch;
  std::string warehouse;
  bool no_permission = false;
  bool no_such_mode = false;
  if (!mode.empty()) {
    RecordArray confiest;
    if (SEEKSQL(ctx, "CONFIEST", &confiest, {"EMPRESA", "MODALIDAD"},
                {Value(request.settings.empresa), Value(mode)}, {}, true,
                error)) {
      branch = VCC(confiest, "ESUCURSAL").text();
      warehouse = VCC(confiest, "EBODEGA").text();
      if (!VALIDAPERMISO(ctx, user3, "MO-" + PadWithBlanks(Trim(mode), 5),
                         error)) {
        no_permission = true;
      }
    } else {
      no_such_mode = true;
    }
  }

  std::string flags;
  for (std::string_view feature : {"RM-00010", "RM-00020", "RM-00030"}) {
    flags += VALIDAPERMISO(ctx, user3, feature, error) ? '1' : '0';
  }
  flags += "000000";

  std::string allowed;
  {
    RecordArray rows;
    bool found = false;
    Cursor cursor = CREARCURSOR(
        ctx, &rows,
        "SELECT KOBO FROM MAEUS  WITH (NOLOCK) INNER JOIN TABBO  WITH "
        "(NOLOCK) on SUBSTRING(KOOP,4,3) = TABBO.KOBO WHERE KOOP like "
        "'BO-%' AND KOUS = '" +
            QuoteDoubled(user) + "' AND TABBO.EMPRESA = '" +
            QuoteDoubled(request.settings.empresa) + "' ",
        &found);
    bool first = true;
    for (bool more = found; more; more = SKIPSQL(cursor, &rows) > 0) {
      if (!first) allowed += ',';
      first = false;
      allowed += Trim(VCC(rows, "KOBO").text());
    }
    LIBERACURSOR(cursor);
  }

  if (no_permission) {
    *request.reply = FailureReply("sin permiso para modalidad indicada");
  } else if (no_such_mode) {
    *request.reply = FailureReply("modalidad indicada no existe");
  } else if (EXISTACLAVE(ctx, user, password, error).found) {
    *request.reply =
        StatusReply("1", {"correcto", CMOD(mode), flags, branch, warehouse,
                          request.settings.empresa, allowed});
  } else {
    *request.reply = FailureReply("no coincide usuario/clave");
  }
}

void CmdPing(MobileRequest& request) {
  const MobileSettings& settings = request.settings;
  RecordArray rows;
  if (SEEKSQL(request.ctx, "CONFIGP", &rows, {"EMPRESA"},
              {Value(settings.empresa)}, "RAZON", true, request.error)) {
    *request.reply =
        StatusReply("1", {settings.version, Trim(VCC(rows, "RAZON").text())});
    return;
  }
  *request.reply = StatusReply(
      "0", {settings.version, "empresa " + settings.empresa + " no existe"});
  *request.error = true;
}

void CmdVersionWebServer(MobileRequest& request) {
  *request.reply = StatusReply(
      "1",
      {request.settings.version, request.settings.ult_fecha, ExecutableDate()});
}

void CmdVersionKelmarMovil(MobileRequest& request) {
  // A seller is listed only when the journal row with its highest id is
  // also the one with its latest date.
  static constexpr std::string_view kText =
      " select p.VENDEDOR,p.FECHA, p.LINEA  from ( select "
      "max(PDALOG.IDPDALOG) as idp, PDALOG.VENDEDOR, MAX(PDALOG.FECHA)  as "
      "mfecha from PDALOG  WITH (NOLOCK)   where PDALOG.ACCION = '001'  group "
      "by PDALOG.VENDEDOR  ) as x inner join PDALOG as p  WITH (NOLOCK) on "
      "p.VENDEDOR = x.VENDEDOR   and p.FECHA = x.mfecha  and p.IDPDALOG = "
      "x.idp  and p.ACCION = '001'  order by p.VENDEDOR asc ";
  // SQL Server takes no table hint on a derived table, so the JSON form
  // carries none after "as x".
  static constexpr std::string_view kJson =
      "SELECT p.VENDEDOR,p.FECHA, p.LINEA  FROM ( SELECT "
      "max(PDALOG.IDPDALOG) as idp, PDALOG.VENDEDOR, MAX(PDALOG.FECHA)  as "
      "mfecha  FROM PDALOG WITH (NOLOCK)  WHERE PDALOG.ACCION = '001'  GROUP "
      "by PDALOG.VENDEDOR ) as x  INNER JOIN PDALOG as p  WITH (NOLOCK) on "
      "p.VENDEDOR = x.VENDEDOR and p.FECHA = x.mfecha and p.IDPDALOG = x.idp "
      "and p.ACCION = '001'  ORDER BY p.VENDEDOR asc ";
  RecordArray rows;
  bool found = false;
  Cursor cursor =
      CREARCURSOR(request.ctx, &rows, request.json ? kJson : kText, &found);
  if (request.json) {
    GENERARESPUESTAJSON(cursor, &rows, found, request.reply);
  } else {
    GENERARESPUESTA(cursor, &rows, found, request.reply, "|");
  }
}

}  // namespace kelmar
