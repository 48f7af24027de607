// Helpers for text held as code page 1252 bytes in std::string. Every text
// the server handles is single-byte; only the JSON reader and the admin
// console convert to UTF-8, through the two converters below.
#ifndef KELMAR_PLATFORM_TEXT1252_H_
#define KELMAR_PLATFORM_TEXT1252_H_

#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

// Upper and lower case of the code page 1252 letters (ASCII, the accented
// Latin letters, Š/š, Œ/œ, Ž/ž, Ÿ/ÿ). Other bytes are unchanged, so the
// length is kept.
char Upper1252(char c);
char Lower1252(char c);
std::string Upper1252(std::string_view text);
std::string Lower1252(std::string_view text);

// Equal without regard to letter case, by the rules above.
bool EqualsNoCase1252(std::string_view a, std::string_view b);

// Trimming. Trim, TrimLeft and TrimRight remove blanks (" ") only, the
// way the system's text fields are padded; other bytes are data.
std::string TrimRight(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string Trim(std::string_view text);

// Removes leading and trailing white space of any kind (" ", "\t", "\r",
// "\n", "\v", "\f"); for INI lines and similar file formats.
std::string TrimSpace(std::string_view text);

// Every occurrence of `from` in `text` replaced by `to`, left to right;
// an empty `from` leaves the text as it is.
std::string ReplaceAllOf(std::string_view text, std::string_view from,
                         std::string_view to);

// The pieces of `text` between occurrences of `sep`, empty ones included:
// n separators give n + 1 pieces. The views point into `text`. An empty
// `sep` gives `text` as the only piece.
std::vector<std::string_view> SplitText(std::string_view text,
                                        std::string_view sep);

// Pads `text` with blanks on the right to `width` characters; a longer text
// is cut to `width`.
std::string PadRight(std::string_view text, size_t width);
// Pads on the left (right-aligns); a longer text is returned whole.
std::string PadLeft(std::string_view text, size_t width);

// Code page 1252 to UTF-8. The five bytes that code page 1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same value, as Windows does, so the conversion never loses a byte.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 to code page 1252. Characters with no code page 1252 form become
// "?"; malformed sequences are taken byte by byte as code page 1252, so
// text that was already single-byte survives the conversion.
std::string Utf8ToCp1252(std::string_view text);

}  // namespace kelmar

#endif  // KELMAR_PLATFORM_TEXT1252_H_
