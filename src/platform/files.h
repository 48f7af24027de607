// File and folder helpers over POSIX. Paths are byte strings; "/" separates
// folders.
#ifndef KELMAR_PLATFORM_FILES_H_
#define KELMAR_PLATFORM_FILES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace kelmar {

// The process's current working folder, without a trailing "/".
std::string CurrentDir();

// `dir` + "/" + `name`, without doubling a "/" that `dir` already ends in.
// An empty `dir` gives `name`; an absolute `name` is returned unchanged.
std::string JoinPath(std::string_view dir, std::string_view name);

// The folder part of `path` with its trailing "/" ("" when there is none).
std::string DirPart(std::string_view path);

// The last component of `path`.
std::string BaseName(std::string_view path);

bool FileExists(const std::string& path);  // any kind of entry
bool IsDirectory(const std::string& path);

// Size in bytes, or -1 when the file does not exist.
int64_t FileSize(const std::string& path);

// Creates `path` and any missing parents. Ok when it already exists.
Status MakeDirs(const std::string& path);

// Appends `data` to `path`, creating the file when missing.
Status AppendToFile(const std::string& path, std::string_view data);

// Replaces the content of `path` with `data`.
Status WriteWholeFile(const std::string& path, std::string_view data);

// Reads the whole file into *data.
Status ReadWholeFile(const std::string& path, std::string* data);

bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// Names (not paths) of the regular files in `dir`; empty when unreadable.
std::vector<std::string> ListFiles(const std::string& dir);

// Matches `name` against a pattern of "*" (any run) and "?" (any one
// character), without regard to letter case: file names of the settings
// and temporary folders come from a case-blind file system.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The file name (with extension) of the running executable.
std::string ExecutableName();

}  // namespace kelmar

#endif  // KELMAR_PLATFORM_FILES_H_
