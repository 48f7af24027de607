// A plain text picture of query results, the form kelmar-sql prints. Tests of
// either backend compare results through it.
#ifndef KELMAR_DB_ENGINE_RESULT_TEXT_H_
#define KELMAR_DB_ENGINE_RESULT_TEXT_H_

#include <string>

#include "db/engine/connection.h"
#include "platform/status.h"

namespace kelmar {

// Appends to *out every remaining result of `stmt` (just executed) that has
// columns: a line of column names, then a line per row holding each value's
// character form, every item followed by "|" and every line by "\n"; SQL
// NULL prints as "NULL". On failure returns the driver's message, with what
// was read up to then already appended.
Status AppendResultText(Statement* stmt, std::string* out);

}  // namespace kelmar

#endif  // KELMAR_DB_ENGINE_RESULT_TEXT_H_
