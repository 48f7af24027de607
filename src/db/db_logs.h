// Where data access writes its log entries: the SQL log for every statement
// sent, the event log for a caller's misuse of a record array.
#ifndef KELMAR_DB_DB_LOGS_H_
#define KELMAR_DB_DB_LOGS_H_

#include <string_view>

namespace kelmar {

struct Context;
class Logs;

// Writes `sql` to the SQL log when the context has logs and its switch is
// on.
void LogSql(const Context& ctx, std::string_view sql);

// Writes `message` to the event log (when it is on). `logs` may be null.
void LogDbError(Logs* logs, std::string_view message);

}  // namespace kelmar

#endif  // KELMAR_DB_DB_LOGS_H_
