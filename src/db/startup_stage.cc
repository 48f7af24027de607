#include "db/startup_stage.h"

#include "core/settings.h"
#include "db/record_array.h"
#include "db/sql_helpers.h"
#include "platform/files.h"
#include "platform/text1252.h"

namespace kelmar {

std::string ConnectionString(std::string_view dsn, std::string_view user,
                             std::string_view password) {
  std::string d = Trim(dsn), u = Trim(user), p = Trim(password);
  std::string s = Upper1252(d).starts_with("DRIVER") ? d : "DSN=" + d;
  if (!u.empty()) s += ";UID=" + u;
  s += ";PWD=" + p;
  return s;
}

std::string ConnectionFailureText(std::string_view dsn, std::string_view user,
                                  std::string_view password) {
  return "\nFallo de conexion: Al intentar conectar a base de datos...\n"
         "DSN : " +
         Trim(dsn) + "\nUSR : " + Trim(user) + "\nPSW : " + Trim(password);
}

Status OpenDatabase(const TInicio& inicio, Clock* clock,
                    std::unique_ptr<Connection>* out) {
  std::string dsn = Trim(inicio.cDsn);
  Status s;
  constexpr std::string_view kEmbedded = "sqlite:";
  if (Lower1252(dsn.substr(0, kEmbedded.size())) == kEmbedded) {
    std::string path = JoinPath(inicio.cDir, dsn.substr(kEmbedded.size()));
    s = OpenEmbeddedConnection(path, clock, out);
  } else {
    s = OpenOdbcConnection(
        ConnectionString(inicio.cDsn, inicio.cUser, inicio.cPassword), out);
  }
  if (s.ok() && *out != nullptr) return s;
  out->reset();
  return Status::Error(
      ConnectionFailureText(inicio.cDsn, inicio.cUser, inicio.cPassword));
}

Status LoadCompany(Context* ctx) {
  TInicio& inicio = *ctx->inicio;
  RecordArray rows;
  if (!SEEKSQL(*ctx, "CONFIGP", &rows, {"EMPRESA"}, {Value(inicio.cEmpresa)},
               "RUT,RAZON,PAIS,IVAPAIS")) {
    return Status::Error(
        "ATENCION: 2. Error, configp no encontr\xF3 empresa '" +
        inicio.cEmpresa + "'");
  }
  inicio.cRazonSocial = Trim(VCC(rows, "RAZON").text());
  inicio.cRut = Trim(VCC(rows, "RUT").text());
  inicio.cPais = Upper1252(Trim(VCC(rows, "PAIS").text().substr(0, 3)));
  inicio.Iva = VCC(rows, "IVAPAIS").number();
  ctx->def_redon = inicio.cPais == "PER" ? 2 : 0;
  return Status::OK();
}

DatabaseStages::DatabaseStages(OperatorMessage report)
    : report_(std::move(report)) {}

void DatabaseStages::Fill(StartupStages* stages) {
  stages->open_database = [this](Context& ctx) {
    Status s = OpenDatabase(*ctx.inicio, ctx.clock, &connection_);
    ctx.odbc = connection_.get();
    return s;
  };
  stages->load_company = [](Context& ctx) { return LoadCompany(&ctx); };
  stages->create_tables = [this](Context& ctx) {
    return CREARTABLAS(ctx, report_) ? Status::OK()
                                     : Status::Error("fallo al crear tablas");
  };
  stages->upgrade_schema = [](Context& ctx) {
    UpgradeSchema(&ctx);
    return Status::OK();
  };
}

}  // namespace kelmar
