// Names for files in the temporary folder.
#ifndef KELMAR_CORE_TEMPFILE_H_
#define KELMAR_CORE_TEMPFILE_H_

#include <string>

namespace kelmar {

// Tries the names "T" + a 7-digit zero-padded counter from 1 up to 9999999,
// takes the first for which no file "<name>.DBF" exists in `folder`, creates
// that empty file there (so a second caller skips it) and returns the name
// without extension (8 characters). Returns empty text when no name is free
// or the file cannot be created.
std::string TEMPFILE(const std::string& folder);

}  // namespace kelmar

#endif  // KELMAR_CORE_TEMPFILE_H_
