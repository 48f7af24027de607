#include "http/json_replies.h"

#include <cstdio>
#include <vector>

#include "http/decoders.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

// Fields up to (not including) the first one that is empty after trimming.
std::vector<std::string> FieldsUntilEmpty(std::string_view line) {
  std::vector<std::string> fields;
  for (std::string_view f : SplitText(line, "|")) {
    std::string t = Trim(f);
    if (t.empty()) break;
    fields.push_back(std::move(t));
  }
  return fields;
}

}  // namespace

std::string PARSEHTMLVALIDATOR(std::string_view reply) {
  std::vector<std::string> fields = FieldsUntilEmpty(Trim(reply));
  std::string members;
  for (size_t i = 0; i < fields.size(); ++i) {
    char name[16];
    std::snprintf(name, sizeof(name), "%03zu", (i + 1) % 1000);
    members += " 'campo";
    members += name;
    members += "': '";
    members += fields[i];
    members += "'";
    if (i + 1 < fields.size()) members += ",";
    members += "\r\n";
  }
  return FinishJson("[{" + members + "}]");
}

std::string PARSEDATAVALIDATOR(std::string_view reply) {
  std::vector<std::string_view> lines;
  for (std::string_view line : SplitText(reply, "\r\n")) {
    if (line.empty()) break;
    lines.push_back(line);
  }
  if (lines.size() < 2) return "[]";
  std::vector<std::string> names = FieldsUntilEmpty(lines[0]);
  std::string objects;
  for (size_t row = 1; row < lines.size(); ++row) {
    std::vector<std::string_view> fields = SplitText(lines[row], "|");
    if (row > 1) objects += ",";
    objects += "{";
    for (size_t j = 0; j < names.size(); ++j) {
      if (j > 0) objects += ",";
      objects += "'" + names[j] + "':'";
      if (j < fields.size()) objects += Trim(fields[j]);
      objects += "'";
    }
    objects += "}";
  }
  objects += "\r\n";
  return FinishJson("[" + objects + "]");
}

}  // namespace kelmar
