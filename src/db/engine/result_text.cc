#include "db/engine/result_text.h"

namespace kelmar {

Status AppendResultText(Statement* stmt, std::string* out) {
  Status st;
  bool more = stmt->ColumnCount() > 0;
  while (more) {
    for (int i = 0; i < stmt->ColumnCount(); ++i) {
      *out += stmt->Column(i).name + "|";
    }
    *out += "\n";
    bool has_row = false;
    while ((st = stmt->Fetch(&has_row)).ok() && has_row) {
      for (int i = 0; i < stmt->ColumnCount(); ++i) {
        std::string value;
        bool is_null = false;
        st = stmt->GetText(i, &value, &is_null);
        if (!st.ok()) return st;
        *out += is_null ? std::string("NULL") : value;
        *out += "|";
      }
      *out += "\n";
    }
    if (!st.ok()) return st;
    st = stmt->NextResult(&more);
    if (!st.ok()) return st;
  }
  return Status::OK();
}

}  // namespace kelmar
