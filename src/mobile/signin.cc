#include "mobile/signin.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <vector>

#include "core/conventions.h"
#include "mobile/db_lookup.h"
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

bool NumberEquals(std::string_view text, int64_t expected) {
  std::string s = Trim(text);
  if (s.empty()) return false;
  char* end = nullptr;
  double value = std::strtod(s.c_str(), &end);
  return end != s.c_str() && value == static_cast<double>(expected);
}

// The tax id of company "01": from the process cache when it holds one,
// otherwise read (and kept in the cache when there is one).
std::string CompanyTaxId(Context& ctx, bool* error) {
  if (ctx.tax_id_cache != nullptr && !ctx.tax_id_cache->rut().empty()) {
    return ctx.tax_id_cache->rut();
  }
  DbRow row;
  std::string rut;
  if (QueryFirstRow(ctx,
                    "SELECT RUT FROM CONFIGP  WITH (NOLOCK) WHERE "
                    "EMPRESA='01' ",
                    &row, error)) {
    rut = row.Get("RUT");
  }
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
  DbRow row;
  return QueryFirstRow(ctx, SeekText("PDAMAQ", {{"MAQUINA", machine}}, "*"),
                       &row, error);
}

ClaveResult EXISTACLAVE(Context& ctx, std::string_view user,
                        std::string_view password, bool* error) {
  ClaveResult result;
  std::string transformed = TRANFOCLAV(password);
  DbRow row;
  if (QueryFirstRow(ctx,
                    SeekText("TABFU", {{"KOFU", user}, {"PWFU", transformed}},
                             "KOFU,IDTABFU"),
                    &row, error)) {
    result.found = true;
    result.kofu = row.Get("KOFU");
    result.idtabfu = std::atoll(Trim(row.Get("IDTABFU")).c_str());
  }
  return result;
}

bool VALIDAPERMISO(Context& ctx, std::string_view user,
                   std::string_view permission, bool* error) {
  std::string rut = CompanyTaxId(ctx, error);
  DbRow row;
  if (!QueryFirstRow(
          ctx, SeekText("MAEUS", {{"KOUS", user}, {"KOOP", permission}}, "*"),
          &row, error)) {
    return false;
  }
  return NumberEquals(row.Get("ECKOUS"),
                      PermissionCheckNumber(rut, user, permission));
}

bool EXISTERESTRICCION(Context& ctx, std::string_view user,
                       std::string_view permission, bool* error) {
  DbRow row;
  return QueryFirstRow(
      ctx, SeekText("MAEUS", {{"KOUS", user}, {"KOOP", permission}}, "*"), &row,
      error);
}

void CmdValidarMaquina(MobileRequest& request) {
  const std::string& machine = request.tokens.Get(2);
  const std::string& user = request.tokens.Get(3);
  DbRow row;
  if (QueryFirstRow(
          request.ctx,
          SeekText("PDAMAQ", {{"MAQUINA", machine}, {"USUARIO", user}}, "*"),
          &row, request.error)) {
    *request.reply = FailureReply("usuario y m\xE1quina ya estan instalados");
    return;
  }
  std::string insert =
      "INSERT INTO PDAMAQ ( MAQUINA,USUARIO,SISTEMA) VALUES ( '" +
      QuoteDoubled(Trim(machine)) + "','" + QuoteDoubled(user) + "','')";
  if (!ExecuteStatement(request.ctx, insert, nullptr)) {
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
    DbRow tabfu;
    if (QueryFirstRow(ctx, SeekText("TABFU", {{"KOFU", user}}, "MODALIDAD"),
                      &tabfu, error)) {
      mode = tabfu.Get("MODALIDAD");
    }
  }

  std::string user3 = PadWithBlanks(user, 3);
  std::string branch;
  std::string warehouse;
  bool no_permission = false;
  bool no_such_mode = false;
  if (!mode.empty()) {
    DbRow confiest;
    if (QueryFirstRow(ctx,
                      SeekText("CONFIEST",
                               {{"EMPRESA", request.settings.empresa},
                                {"MODALIDAD", mode}},
                               "*"),
                      &confiest, error)) {
      branch = confiest.Get("ESUCURSAL");
      warehouse = confiest.Get("EBODEGA");
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

  std::vector<DbRow> rows;
  QueryRows(ctx,
            "SELECT KOBO FROM MAEUS  WITH (NOLOCK) INNER JOIN TABBO  WITH "
            "(NOLOCK) on SUBSTRING(KOOP,4,3) = TABBO.KOBO WHERE KOOP like "
            "'BO-%' AND KOUS = '" +
                QuoteDoubled(user) + "' AND TABBO.EMPRESA = '" +
                QuoteDoubled(request.settings.empresa) + "' ",
            &rows, error);
  std::string allowed;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) allowed += ',';
    allowed += Trim(rows[i].Get("KOBO"));
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
  DbRow row;
  if (QueryFirstRow(
          request.ctx,
          SeekText("CONFIGP", {{"EMPRESA", settings.empresa}}, "RAZON"), &row,
          request.error)) {
    *request.reply =
        StatusReply("1", {settings.version, Trim(row.Get("RAZON"))});
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

}  // namespace kelmar
