#include "platform/ini.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/text1252.h"

namespace kelmar {

namespace {

// One physical line: its content without the line break, and the break.
struct Line {
  std::string text;
  std::string eol;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    Line line;
    if (nl == std::string_view::npos) {
      line.text = std::string(text.substr(pos));
      pos = text.size();
    } else {
      size_t end = nl;
      if (end > pos && text[end - 1] == '\r') --end;
      line.text = std::string(text.substr(pos, end - pos));
      line.eol = std::string(text.substr(end, nl + 1 - end));
      pos = nl + 1;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// True when the line opens a section; sets *name to its trimmed name.
bool SectionName(const std::string& line, std::string* name) {
  std::string t = TrimSpace(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.find(']');
  *name = TrimSpace(
      t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// True when the line holds a key; sets *key and *value (trimmed).
bool KeyValue(const std::string& line, std::string* key, std::string* value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = TrimSpace(line.substr(0, eq));
  if (key->empty()) return false;
  std::string v = TrimSpace(line.substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') &&
      v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  *value = std::move(v);
  return true;
}

bool ReadWhole(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  *out = ss.str();
  return true;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  std::string section;
  bool in_section = false;
  std::vector<std::string> seen;
  for (const Line& line : SplitLines(text)) {
    std::string name, key, value;
    if (SectionName(line.text, &name)) {
      // Only the first section of a name counts, as for the writer.
      section = Upper1252(name);
      in_section = std::find(seen.begin(), seen.end(), section) == seen.end();
      seen.push_back(section);
    } else if (in_section && KeyValue(line.text, &key, &value)) {
      if (value.size() > kMaxIniValue) value.resize(kMaxIniValue);
      ini.entries_.push_back({section, Upper1252(key), std::move(value)});
    }
  }
  return ini;
}

IniFile IniFile::Load(const std::string& path) {
  std::string text;
  if (!ReadWhole(path, &text)) return IniFile();
  return Parse(text);
}

std::string IniFile::Get(std::string_view section, std::string_view key) const {
  std::string s = Upper1252(TrimSpace(section));
  std::string k = Upper1252(TrimSpace(key));
  for (const Entry& e : entries_) {
    if (e.section == s && e.key == k) return e.value;
  }
  return "";
}

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key) {
  return IniFile::Load(path).Get(section, key);
}

Status WriteProfileString(const std::string& path, std::string_view section,
                          std::string_view key, std::string_view value) {
  std::string text;
  ReadWhole(path, &text);  // a missing file is created
  std::vector<Line> lines = SplitLines(text);

  std::string wanted_section = Upper1252(TrimSpace(section));
  std::string wanted_key = Upper1252(TrimSpace(key));
  std::string new_line = std::string(key) + "=" + std::string(value);

  // Locate the first matching section, its first matching key and its last
  // key line.
  long section_at = -1, key_at = -1, last_in_section = -1;
  bool in_wanted = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name, k, v;
    if (SectionName(lines[i].text, &name)) {
      if (in_wanted) break;
      if (section_at < 0 && Upper1252(name) == wanted_section) {
        section_at = static_cast<long>(i);
        last_in_section = section_at;
        in_wanted = true;
      }
    } else if (in_wanted && KeyValue(lines[i].text, &k, &v)) {
      last_in_section = static_cast<long>(i);
      if (Upper1252(k) == wanted_key) {
        key_at = static_cast<long>(i);
        break;
      }
    } else if (in_wanted && !TrimSpace(lines[i].text).empty()) {
      last_in_section = static_cast<long>(i);
    }
  }

  if (!lines.empty() && lines.back().eol.empty()) lines.back().eol = "\r\n";
  if (key_at >= 0) {
    lines[key_at].text = new_line;
  } else if (section_at >= 0) {
    lines.insert(lines.begin() + last_in_section + 1, Line{new_line, "\r\n"});
  } else {
    if (!lines.empty() && !TrimSpace(lines.back().text).empty()) {
      lines.push_back(Line{"", "\r\n"});
    }
    lines.push_back(Line{"[" + std::string(section) + "]", "\r\n"});
    lines.push_back(Line{new_line, "\r\n"});
  }

  std::string out;
  for (const Line& l : lines) out += l.text + l.eol;

  std::string tmp = path + ".tmp" + std::to_string(getpid());
  struct stat original;
  bool had_mode = ::stat(path.c_str(), &original) == 0;
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (!f) return Status::Error("cannot write " + tmp);
    f.write(out.data(), static_cast<std::streamsize>(out.size()));
    f.close();
    if (!f) {
      std::remove(tmp.c_str());
      return Status::Error("cannot write " + tmp);
    }
  }
  // Keep the file's permissions: it may hold passwords.
  if (had_mode) ::chmod(tmp.c_str(), original.st_mode & 07777);
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return Status::Error("cannot replace " + path);
  }
  return Status::OK();
}

}  // namespace kelmar
