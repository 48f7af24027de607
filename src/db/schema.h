// The server's own tables in the ERP's database: created when missing at
// every start, then brought up to date (missing columns, two widenings,
// missing indexes, on its own tables and on two ERP tables). Every step is
// idempotent and nothing is ever dropped.
#ifndef KELMAR_DB_SCHEMA_H_
#define KELMAR_DB_SCHEMA_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

struct Context;

// Receives an operator message (code page 1252 text, lines separated by
// "\n").
using OperatorMessage = std::function<void(const std::string& text)>;

// The names of the twenty tables, in creation order.
const std::vector<std::string>& OwnTableNames();

// The creation statement of table `name` (one of OwnTableNames): an
// existence test around CREATE TABLE and its key and indexes. Empty for any
// other name.
std::string CreationStatement(std::string_view name);

// CREARTABLAS: runs every creation statement in order, also after a
// failure; a table that cannot be created is reported through `report` as
// "fallo al crear tabla " + name, a line break and the error text. Returns
// true when all succeeded.
bool CREARTABLAS(const Context& ctx, const OperatorMessage& report);

// One index as the database lists it.
struct IndexInfo {
  std::string table;  // upper case
  std::string name;
  int id = 0;
  std::string columns;  // names joined by ","
};

// SQLINDICES: the indexes of `table` from "EXECUTE sp_MShelpindex '<TABLE>',
// NULL,1 ", leaving out automatic statistics ("_WA_" in the name).
std::vector<IndexInfo> SQLINDICES(const Context& ctx, std::string_view table);

// The upgrade sequence run after CREARTABLAS: adds missing columns, widens
// PDAENCA.SUENDO and PDALINEA.LINEA, creates missing indexes (names compared
// exactly), and probes TABIMPR for NOAPLICEN into ctx->tabimpr_sin_noaplicen.
// Its statements' failures are ignored.
void UpgradeSchema(Context* ctx);

}  // namespace kelmar

#endif  // KELMAR_DB_SCHEMA_H_
