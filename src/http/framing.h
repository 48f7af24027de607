// Header texts and the framing of answers. Clients read replies by position
// and length, so every byte here is fixed.
#ifndef KELMAR_HTTP_FRAMING_H_
#define KELMAR_HTTP_FRAMING_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kelmar {

// Answer for a missing HTML page (sent alone, without status line).
extern const char kHtmlError[];
// Header of the "parametro no contemplado" answer.
extern const char kHeaderEstandar[];
// Header of the device protocol and SQL gateway answers.
extern const char kHeaderTxt[];
// Header of JSON answers, and of gzip-compressed JSON answers.
extern const char kHeaderJson[];
extern const char kHeaderJsonGZip[];
// The unhandled-parameter answer: the header's last line and the body.
extern const char kNoContemplado[];

// "Content-length: " + `length` right-aligned in 10 characters, without the
// line's CR LF.
std::string ContentLengthLine(size_t length);

// header + "Content-length: " + length of the trimmed answer + blank line +
// the trimmed answer + CR LF. The final CR LF is not counted: the connection
// closes right after, so clients read exactly the announced bytes.
std::string FrameText(std::string_view header, std::string_view answer);

// `header` with "HTTP/1.0 200 OK" turned into
// "HTTP/1.0 500 Internal Server Error" when `error` is true.
std::string PROCESAHTTPHEADER(std::string_view header, bool error);

// Content type of a static file by its extension (any letter case, without
// the dot); empty when the type is not served. HTM and HTML are handled
// apart and are not in this table.
std::string ContentTypeFor(std::string_view extension);

}  // namespace kelmar

#endif  // KELMAR_HTTP_FRAMING_H_
