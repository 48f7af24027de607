#include "db/schema.h"

#include "core/context.h"
#include "db/cursor.h"
#include "db/record_array.h"
#include "db/sql_helpers.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

struct Index {
  const char* name;
  const char* columns;  // "[A],[B]"
};

struct TableDef {
  const char* name;
  // Each column as "NAME type": the name, a blank and its SQL Server type
  // with nullability and default.
  std::vector<const char*> columns;
  const char* primary_key;  // "[A],[B]", or null for none
  std::vector<Index> indexes;
  const char* storage;  // what follows the column list
};

constexpr char kOnPrimary[] = " ON [PRIMARY]";

const std::vector<TableDef>& Tables() {
  static const std::vector<TableDef> kTables = {
      {"PDADETA",
       {"TIDO char(3) NOT NULL",
        "NUDO char(10) NOT NULL",
        "ENDO char(13) NOT NULL",
        "NULIDO float NOT NULL",
        "SUENDO char(10) NULL",
        "SULIDO char(3) NULL",
        "BOSULIDO char(3) NULL",
        "KOFULIDO char(3) NULL",
        "TIPR char(3) NULL",
        "KOPR char(13) NULL",
        "PPPRNELT float NULL",
        "RLUDPR float NULL",
        "UD01PR char(2) NULL",
        "UD02PR char(2) NULL",
        "CAPRCO1 float NULL",
        "KOLTPR char(3) NULL",
        "PPPRNE float NULL",
        "PPPRBR float NULL",
        "POIVLI float NULL",
        "VANELI float NULL",
        "VABRLI float NULL",
        "FEEMLI datetime NULL",
        "DCTO1 float NULL",
        "DCTO2 float NULL",
        "DCTO3 float NULL",
        "DCTO4 float NULL",
        "DCTOMAX float NULL",
        "ESTADO char(1) NULL",
        "OBS varchar(50) NULL",
        "NOKOPR varchar(50) NULL",
        "IDPDADETA int IDENTITY (1, 1) NOT NULL",
        "IDPDAENCA int NULL",
        "UDTRPR char(2) NULL",
        "CAPRCO2 float NULL",
        "VALIDO char(1) NULL DEFAULT ('')",
        "DCTOVEN float NULL",
        "TIPOLECTO char(6) NULL"},
       "[TIDO],[NUDO],[ENDO],[NULIDO]",
       {{"IX_PDADETA_1", "[KOPR],[BOSULIDO],[VALIDO]"}},
       kOnPrimary},
      {"PDAENCA",
       {"TIDO char(3) NOT NULL",
        "NUDO char(10) NOT NULL",
        "ENDO char(13) NOT NULL",
        "SUENDO char(3) NULL",
        "NOKOEN varchar(50) NULL",
        "SUDO char(3) NULL",
        "FEEMDO datetime NULL",
        "KOFUDO char(3) NULL",
        "VANEDO float NULL",
        "VAIVDO float NULL",
        "VABRDO float NULL",
        "CRTO float NULL",
        "SINDEU bit NOT NULL DEFAULT (0)",
        "ESTADO char(1) NULL",
        "OBS varchar(50) NULL",
        "IDPDAENCA int IDENTITY (1, 1) NOT NULL",
        "LINEAS int NULL",
        "VALIDO char(1) NULL",
        "MODALIDAD char(5) NULL",
        "HORAINI char(10) NULL",
        "HORAFIN char(10) NULL",
        "POSICION varchar(50) NULL",
        "ESTULTSIN char(1) NULL",
        "FECULTSIN datetime NULL",
        "HORULTSIN char(10) NULL",
        "TPOGRAB int NULL",
        "TPOPROTRA int NULL",
        "OBSCARAC char(10) NULL",
        "MOVILOBS varchar(50) NULL",
        "EVENCARAC char(10) NULL",
        "MOVILEVEN varchar(50) NULL",
        "FEER datetime NULL",
        "EMPRESA char(2) NULL",
        "TOTBYTES int NULL DEFAULT (0)",
        "MOVILOCC varchar(40) NULL",
        "VERSION varchar(50) NULL",
        "RETIRADOR varchar(13) NULL",
        "NUMOCC varchar(40) NULL",
        "PR130 char(1) NULL",
        "PR131 char(1) NULL",
        "PR132 char(1) NULL",
        "PR133 char(1) NULL",
        "PR134 char(1) NULL",
        "PR140 char(1) NULL",
        "KOFUPR130 char(3) NULL",
        "KOFUPR131 char(3) NULL",
        "KOFUPR132 char(3) NULL",
        "KOFUPR133 char(3) NULL",
        "KOFUPR134 char(3) NULL",
        "KOFUPR140 char(3) NULL"},
       "[TIDO],[NUDO],[ENDO]",
       {},
       kOnPrimary},
      {"PDALINEA",
       {"ID int IDENTITY (1, 1) NOT NULL", "LINEA varchar(500) NULL",
        "FECHA datetime NULL"},
       "[ID]",
       {},
       kOnPrimary},
      {"PDAMAQ",
       {"IDPDAMAQ int IDENTITY (1, 1) NOT NULL",
        "FECHACRE datetime NOT NULL DEFAULT (GetDate())",
        "USUARIO char(3) NULL", "MAQUINA varchar(50) NULL",
        "BT1 varchar(20) NULL", "BT2 varchar(20) NULL",
        "SISTEMA char(20) NULL"},
       nullptr,
       {},
       kOnPrimary},
      // Positions are kept with six decimals: a bare decimal is
      // decimal(18,0) and would cut every coordinate to whole degrees.
      {"PDALOG",
       {"IDPDALOG int IDENTITY (1, 1) NOT NULL", "VENDEDOR char(3) NOT NULL",
        "MAQUINA varchar(50) NOT NULL", "FECHA datetime NULL",
        "HORAGRAB int NULL", "LATITUD decimal(18, 6) NULL",
        "LONGITUD decimal(18, 6) NULL", "ACCION varchar(50) NULL",
        "LINEA varchar(1000) NULL", "FECHAGPS datetime NULL",
        "ANTCELDA varchar(20) NULL", "ANTPAIS varchar(20) NULL",
        "ANTRED varchar(20) NULL", "ANTLAC varchar(20) NULL",
        "BATERIA float NULL"},
       "[IDPDALOG]",
       {},
       kOnPrimary},
      {"VENDEDORYNOTA",
       {"VENDEDOR char(3) NOT NULL", "NUMERONVV char(10) NOT NULL",
        "NUMEROFCV char(10) NULL", "PREFIJO char(10) NULL"},
       "[VENDEDOR],[NUMERONVV]",
       {},
       kOnPrimary},
      {"PDAGPS",
       {"IDGPS int IDENTITY (1, 1) NOT NULL", "MAQUINA varchar(50) NOT NULL",
        "VENDEDOR char(3) NULL", "POSICION varchar(50) NULL",
        "IDPDAENCA int NULL", "FECHA datetime NULL DEFAULT (GetDate())",
        "HORA varchar(8) NULL"},
       "[IDGPS]",
       {{"IX_PDAGPS_1", "[VENDEDOR]"}, {"IX_PDAGPS_2", "[FECHA],[HORA]"}},
       kOnPrimary},
      {"PDAPAG",
       {"IDPDAPAG int NOT NULL", "EMPRESA char(2) NULL",
        "VALIDO char(1) NULL",   "YALEIDO char(1) NULL",
        "IDDATO char(20) NULL",  "TIDP char(3) NULL",
        "ENDP char(13) NULL",    "EMDP char(13) NULL",
        "SUEMDP char(3) NULL",   "CUENTA char(16) NULL",
        "NRODOCTO char(8) NULL", "FEEMDP datetime NULL",
        "FEVEDP datetime NULL",  "KOFUDP char(3) NULL",
        "VADP float NULL",       "MODP char(3) NULL",
        "TAMODP float NULL",     "OBSERVAC varchar(50) NULL",
        "HORAGRAB int NULL",     "LAHORA datetime NULL",
        "JSON text NULL"},
       "[IDPDAPAG]",
       {{"IX_PDAPAG", "[IDDATO]"}},
       kOnPrimary},
      {"PDAPAGD",
       {"IDPDAPAGD int IDENTITY (1, 1) NOT NULL",
        "IDPDAPAG int NULL DEFAULT (0)", "IDDATO char(20) NULL",
        "VAASDP float NULL", "ARCHIRST char(8) NULL", "IDRST int NULL"},
       "[IDPDAPAGD]",
       {{"IX_PDAPAGD", "[IDDATO]"}},
       kOnPrimary},
      {"PDALOCE",
       {"IDLOCE int IDENTITY (1, 1) NOT NULL", "IDTAREA int NOT NULL",
        "ACCION char(3) NULL", "FEACCION datetime NOT NULL DEFAULT (GetDate())",
        "HORAGRAB int NULL", "ESTADO char(1) NOT NULL DEFAULT ('')",
        "MAQUINA varchar(50) NULL", "USUARIO char(3) NULL",
        "BODEGA char(3) NULL", "SISTEMA char(20) NULL",
        "CONTENEDOR varchar(20) NULL"},
       "[IDLOCE]",
       {},
       kOnPrimary},
      {"PDALOCD",
       {"IDLOCD int IDENTITY (1, 1) NOT NULL", "IDLOCE int NOT NULL",
        "FELOCD datetime NOT NULL DEFAULT (GetDate())", "HORAGRAB int NULL",
        "ETIQUETA int NOT NULL DEFAULT (0)",
        "ESTADO char(1) NOT NULL DEFAULT ('')", "PROBLEMA varchar(50) NULL"},
       "[IDLOCD]",
       {},
       kOnPrimary},
      {"PDATAREA",
       {"IDTAREA int IDENTITY (1, 1) NOT NULL", "KOFUTAR char(3) NOT NULL",
        "ACCION char(3) NULL", "FETAREA datetime NOT NULL DEFAULT (GetDate())",
        "HORAGRAB int NULL", "ESTADO char(1) NOT NULL DEFAULT ('')",
        "COMENTA varchar(25) NULL DEFAULT ('')",
        "DESTINAT varchar(100) NULL DEFAULT ('')",
        "MENORCANT bit NULL DEFAULT (0)", "MAYORCANT bit NULL DEFAULT (0)"},
       "[IDTAREA]",
       {{"IX1_PDATAREA", "[KOFUTAR]"}},
       kOnPrimary},
      {"PDAENTI",
       {"IDENTI int NOT NULL", "KOEN char(13) NOT NULL",
        "SUEN char(10) NOT NULL"},
       "[IDENTI]",
       {{"IX_PDAENTI", "[KOEN],[SUEN]"}},
       kOnPrimary},
      {"MAEPRIMG",
       {"IDIMAGEN int IDENTITY (1, 1) NOT NULL", "KOPR char(13) NOT NULL",
        "ORDEN char(2) NULL DEFAULT ('')", "TIPO char(10) NULL DEFAULT ('COM')",
        "SIZEIMG int NULL", "SIZEMIME int NULL", "NOIMG varchar(50) NULL",
        "IMAGEN image NULL", "MIMETYPE char(10) NULL"},
       nullptr,
       {{"IX_MAEPRIMG", "[KOPR],[ORDEN]"}},
       " ON [PRIMARY] TEXTIMAGE_ON [PRIMARY]"},
      {"WCDGMAG",
       {"IDCDG decimal(18, 0) IDENTITY (1, 1) NOT NULL",
        "IDKELMAR char(40) NULL", "IDMAGENTO decimal(18, 0) NULL",
        "TIPO char(10) NOT NULL"},
       nullptr,
       {},
       kOnPrimary},
      {"PDACONF",
       {"EMPRESA char(2) NOT NULL", "USUARIOS varchar(200) NULL",
        "TIDOS varchar(200) NULL", "MAYOR int NULL DEFAULT (0)",
        "IGUAL int NULL DEFAULT (0)", "MENOR int NULL DEFAULT (0)",
        "CONSTOCK bit NULL DEFAULT (0)"},
       nullptr,
       {},
       kOnPrimary},
      {"PDAFOBU",
       {"KOBOFILA int NULL DEFAULT (0)", "KOBOCOLU int NULL DEFAULT (0)",
        "KOBONIVEL int NULL DEFAULT (0)", "KOPR char(13) NULL DEFAULT ('')",
        "NULOTE char(1) NULL DEFAULT ('')", "NUSERIE char(1) NULL DEFAULT ('')",
        "STFI1 float NULL DEFAULT (0)", "STFI2 float NULL DEFAULT (0)",
        "REGISTRO varchar(200) NULL DEFAULT (0)",
        "IDTAREA int NOT NULL DEFAULT (0)",
        "IDFOBU int IDENTITY (1, 1) NOT NULL"},
       "[IDFOBU]",
       {{"IX_PDAFOBU", "[KOBOFILA],[KOBOCOLU],[KOBONIVEL],[KOPR]"}},
       kOnPrimary},
      {"TABFUEN",
       {"KOFU char(3) NOT NULL", "KOEN char(13) NOT NULL"},
       nullptr,
       {{"IX_TABFUEN1", "[KOFU],[KOEN]"}, {"IX_TABFUEN2", "[KOEN],[KOFU]"}},
       kOnPrimary},
      {"TABFUPR",
       {"KOFU char(3) NOT NULL", "KOPR char(13) NOT NULL"},
       nullptr,
       {{"IX_TABFUPR1", "[KOFU],[KOPR]"}, {"IX_TABFUPR2", "[KOPR],[KOFU]"}},
       kOnPrimary},
      {"PDAUUID",
       {"IDUUID decimal(18, 0) IDENTITY (1, 1) NOT NULL",
        "KOFU char(3) NOT NULL", "UUID varchar(20) NOT NULL",
        "FECHA datetime NOT NULL", "HORA char(10) NOT NULL"},
       nullptr,
       {{"IX_PDAUUID", "[KOFU],[UUID]"}},
       kOnPrimary},
  };
  return kTables;
}

const TableDef* FindTable(std::string_view name) {
  for (const TableDef& t : Tables()) {
    if (name == t.name) return &t;
  }
  return nullptr;
}

std::string_view ColumnName(std::string_view column) {
  return column.substr(0, column.find(' '));
}

// "NAME type" of `name` in `table`'s definition.
std::string ColumnDefinition(const TableDef& table, std::string_view name) {
  for (std::string_view column : table.columns) {
    if (ColumnName(column) == name) return std::string(column);
  }
  return std::string(name);
}

std::string IndexStatement(std::string_view name, std::string_view table,
                           std::string_view columns) {
  std::string sql = "CREATE INDEX [";
  sql.append(name).append("] ON [dbo].[").append(table).append("](");
  sql.append(columns).append(") ON [PRIMARY] ");
  return sql;
}

}  // namespace

const std::vector<std::string>& OwnTableNames() {
  static const std::vector<std::string> kNames = [] {
    std::vector<std::string> names;
    for (const TableDef& t : Tables()) names.emplace_back(t.name);
    return names;
  }();
  return kNames;
}

std::string CreationStatement(std::string_view name) {
  const TableDef* t = FindTable(name);
  if (t == nullptr) return "";
  std::string table = t->name;
  std::string sql =
      "if not exists (select * from dbo.sysobjects where id = "
      "object_id(N'[dbo].[" +
      table +
      "]') and OBJECTPROPERTY(id, N'IsUserTable') = 1) begin CREATE TABLE "
      "[dbo].[" +
      table + "] (";
  for (size_t i = 0; i < t->columns.size(); ++i) {
    std::string_view column = t->columns[i];
    std::string_view column_name = ColumnName(column);
    if (i > 0) sql += ", ";
    sql.append("[").append(column_name).append("]");
    sql.append(column.substr(column_name.size()));
  }
  if (t->primary_key != nullptr) {
    sql.append(", CONSTRAINT [PK_").append(table);
    sql.append("] PRIMARY KEY CLUSTERED (").append(t->primary_key).append(")");
  }
  sql += ")";
  sql += t->storage;
  for (const Index& index : t->indexes) {
    sql.append(" ").append(IndexStatement(index.name, table, index.columns));
  }
  sql += " end";
  return sql;
}

bool CREARTABLAS(const Context& ctx, const OperatorMessage& report) {
  bool all = true;
  for (const TableDef& t : Tables()) {
    std::string error;
    if (EJECUTESQL(ctx, CreationStatement(t.name), &error)) continue;
    all = false;
    if (report)
      report("fallo al crear tabla " + std::string(t.name) + "\n" + error);
  }
  return all;
}

std::vector<IndexInfo> SQLINDICES(const Context& ctx, std::string_view table) {
  std::string upper = Upper1252(Trim(table));
  std::vector<IndexInfo> indexes;
  RecordArray rows;
  bool found = false;
  Cursor cursor = CREARCURSOR(
      ctx, &rows, "EXECUTE sp_MShelpindex '" + upper + "',NULL,1 ", &found);
  bool has_row = found;
  while (has_row) {
    IndexInfo info;
    info.table = upper;
    info.name = Trim(VCC(rows, "NAME").text());
    info.id = static_cast<int>(VCC(rows, "INDID").number());
    for (int i = 1; i <= 16; ++i) {
      int at = rows.Find("INDCOL" + std::to_string(i));
      if (at < 0) break;
      std::string column = Trim(VCC(rows, rows.entry(at).name).text());
      if (column.empty()) continue;
      if (!info.columns.empty()) info.columns += ",";
      info.columns += column;
    }
    if (info.name.find("_WA_") == std::string::npos) {
      indexes.push_back(std::move(info));
    }
    has_row = SKIPSQL(cursor, &rows) == 1;
  }
  LIBERACURSOR(cursor);
  return indexes;
}

namespace {

bool HasIndex(const std::vector<IndexInfo>& indexes, std::string_view name) {
  for (const IndexInfo& index : indexes) {
    if (index.name == name) return true;
  }
  return false;
}

// One table's block of the upgrade: its structure is read once, at the
// start, and each missing column is added.
class TableUpgrade {
 public:
  TableUpgrade(const Context& ctx, std::string_view table)
      : ctx_(ctx), table_(table) {
    TOPSQL(ctx_, table_, &structure_);
  }

  const RecordArray& structure() const { return structure_; }

  // "ALTER TABLE <table> ADD <definition>" when `name` is missing.
  void Add(std::string_view name, std::string_view definition) {
    if (EXISTECAMPO(name, structure_)) return;
    Run("ALTER TABLE " + table_ + " ADD " + std::string(name) + " " +
        std::string(definition));
  }

  // Adds each of `names` with its type from the table's creation.
  void AddAsCreated(std::initializer_list<const char*> names) {
    const TableDef* t = FindTable(table_);
    for (const char* name : names) {
      std::string column = ColumnDefinition(*t, name);
      Add(name,
          std::string_view(column).substr(std::string_view(name).size() + 1));
    }
  }

  void Run(const std::string& sql) { EJECUTESQL(ctx_, sql); }

 private:
  const Context& ctx_;
  std::string table_;
  RecordArray structure_;
};

}  // namespace

void UpgradeSchema(Context* ctx) {
  {
    TableUpgrade t(*ctx, "PDAENCA");
    t.Add("IDPDAENCA", "INT IDENTITY (1, 1) NOT NULL");
    t.AddAsCreated({"LINEAS",    "VALIDO",    "MODALIDAD", "HORAINI",
                    "HORAFIN",   "POSICION",  "ESTULTSIN", "FECULTSIN",
                    "HORULTSIN", "TPOGRAB",   "TPOPROTRA", "OBSCARAC",
                    "MOVILOBS",  "EVENCARAC", "MOVILEVEN", "FEER",
                    "EMPRESA",   "TOTBYTES",  "MOVILOCC",  "VERSION",
                    "RETIRADOR", "NUMOCC"});
    if (LARGOCAMPO("SUENDO", t.structure()) < 10) {
      t.Run("ALTER TABLE PDAENCA ALTER COLUMN SUENDO CHAR(10) NULL");
    }
    t.AddAsCreated({"PR130", "PR131", "PR132", "PR133", "PR134", "PR140",
                    "KOFUPR130", "KOFUPR131", "KOFUPR132", "KOFUPR133",
                    "KOFUPR134", "KOFUPR140"});
  }
  {
    TableUpgrade t(*ctx, "PDADETA");
    t.Add("NOKOPR", "varchar(50) NULL");
    t.Add("IDPDADETA", "INT IDENTITY (1, 1) NOT NULL");
    t.AddAsCreated(
        {"IDPDAENCA", "UDTRPR", "CAPRCO2", "VALIDO", "DCTOVEN", "TIPOLECTO"});
    std::vector<IndexInfo> indexes = SQLINDICES(*ctx, "PDADETA");
    if (!HasIndex(indexes, "IX2_PDADETA")) {
      t.Run(IndexStatement("IX2_PDADETA", "PDADETA", "[FEEMLI],[VALIDO]"));
    }
    // IX_PDADETA_1 covers the same columns in installations made by the
    // creation statement.
    if (!HasIndex(indexes, "IX3_PDADETA") &&
        !HasIndex(indexes, "IX_PDADETA_1")) {
      t.Run(IndexStatement("IX3_PDADETA", "PDADETA",
                           "[KOPR],[BOSULIDO],[VALIDO]"));
    }
    if (!HasIndex(indexes, "IX4_PDADETA")) {
      t.Run(IndexStatement("IX4_PDADETA", "PDADETA", "[IDPDAENCA]"));
    }
  }
  {
    TableUpgrade t(*ctx, "PDALINEA");
    if (LARGOCAMPO("LINEA", t.structure()) < 500) {
      t.Run("ALTER TABLE PDALINEA ALTER COLUMN LINEA VARCHAR(500) NULL");
    }
  }
  {
    TableUpgrade t(*ctx, "PDALOG");
    t.AddAsCreated(
        {"FECHAGPS", "ANTCELDA", "ANTPAIS", "ANTRED", "ANTLAC", "BATERIA"});
  }
  {
    TableUpgrade t(*ctx, "PDAMAQ");
    t.AddAsCreated({"BT1", "BT2", "SISTEMA"});
  }
  {
    TableUpgrade t(*ctx, "PDALOCE");
    t.AddAsCreated({"SISTEMA", "CONTENEDOR"});
  }
  {
    TableUpgrade t(*ctx, "VENDEDORYNOTA");
    t.AddAsCreated({"PREFIJO"});
    std::vector<IndexInfo> indexes = SQLINDICES(*ctx, "VENDEDORYNOTA");
    if (!HasIndex(indexes, "PK_VENDEDORYNOTA_2")) {
      t.Run(IndexStatement("PK_VENDEDORYNOTA_2", "VENDEDORYNOTA",
                           "[VENDEDOR],[NUMERONVV]"));
    }
    if (!HasIndex(indexes, "PK_VENDEDORYNOTA_3")) {
      t.Run(IndexStatement("PK_VENDEDORYNOTA_3", "VENDEDORYNOTA",
                           "[VENDEDOR],[NUMEROFCV]"));
    }
  }
  {
    RecordArray structure;
    TOPSQL(*ctx, "TABIMPR", &structure);
    ctx->tabimpr_sin_noaplicen = !EXISTECAMPO("NOAPLICEN", structure);
  }
  {
    TableUpgrade t(*ctx, "PDATAREA");
    t.Add("MENORCANT", "BIT NULL DEFAULT (0)");
    t.Add("MAYORCANT", "BIT NULL DEFAULT (0)");
  }
  {
    TableUpgrade t(*ctx, "PDAFOBO");
    t.Add("UDTRPR", "INT NULL DEFAULT (0)");
    t.Add("ARCHIRST", "CHAR(8) NULL DEFAULT ('')");
    t.Add("IDRST", "INT NULL DEFAULT (0)");
  }
  {
    constexpr char kMaeenIndex[] = "sugerido_para_mejorar_sincronizacion";
    if (!HasIndex(SQLINDICES(*ctx, "MAEEN"), kMaeenIndex)) {
      EJECUTESQL(*ctx,
                 "CREATE NONCLUSTERED INDEX [sugerido_para_mejorar_"
                 "sincronizacion] ON [dbo].[MAEEN] ([KOFUEN],[TIEN]) INCLUDE "
                 "([KOEN],[RTEN],[SUEN],[NOKOEN],[ZOEN],[LVEN],[BLOQUEADO],"
                 "[DIACOBRA],[RUTALUN],[RUTAMAR],[RUTAMIE],[RUTAJUE],"
                 "[RUTAVIE],[RUTASAB],[RUTADOM]) ON [PRIMARY] ");
    }
  }
}

}  // namespace kelmar
