#include "db/db_logs.h"

#include <string>

#include "core/context.h"
#include "core/logs.h"

namespace kelmar {

void LogSql(const Context& ctx, std::string_view sql) {
  if (ctx.logs != nullptr) ctx.logs->Sql(std::string(sql));
}

void LogDbError(Logs* logs, std::string_view message) {
  if (logs != nullptr) logs->Event({message});
}

}  // namespace kelmar
