#include "http/framing.h"

#include <cstdio>

#include "platform/text1252.h"

namespace kelmar {

const char kHtmlError[] =
    "<html><H1>Kelmar WebServer: Sistema Activo</H1></html>";
const char kHeaderEstandar[] =
    "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
    "Content-type: text/html\r\n";
const char kHeaderTxt[] =
    "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
    "Content-type: text/plain\r\n";
const char kHeaderJson[] =
    "HTTP/1.0 200 OK\r\n"
    "Server: Kelmar WebServer 1.0\r\n"
    "Content-type: application/json; charset=iso-8859-1\r\n"
    "Expires: Mon, 26 Jul 1997 05:00:00 GMT\r\n"
    "Cache-Control: \tno-cache, max-age=2592000, must-revalidate\r\n"
    "Access-Control-Allow-Methods: POST, GET, OPTIONS\r\n"
    "Access-Control-Allow-Origin: *\r\n"
    "Pragma: no-cache\r\n";
const char kHeaderJsonGZip[] =
    "HTTP/1.0 200 OK\r\n"
    "Server: Kelmar WebServer 1.0\r\n"
    "Content-type: application/json; charset=iso-8859-1\r\n"
    "Content-Encoding: gzip\r\n"
    "Expires: Mon, 26 Jul 1997 05:00:00 GMT\r\n"
    "Cache-Control: \tno-cache, max-age=2592000, must-revalidate\r\n"
    "Access-Control-Allow-Methods: POST, GET, OPTIONS\r\n"
    "Access-Control-Allow-Origin: *\r\n"
    "Pragma: no-cache\r\n";
const char kNoContemplado[] =
    "Content-length: 26\r\n\r\n0|parametro no contemplado\r\n";

std::string ContentLengthLine(size_t length) {
  char digits[32];
  std::snprintf(digits, sizeof(digits), "%10zu", length);
  return std::string("Content-length: ") + digits;
}

std::string FrameText(std::string_view header, std::string_view answer) {
  std::string body = Trim(answer);
  std::string out(header);
  out += ContentLengthLine(body.size());
  out += "\r\n\r\n";
  out += body;
  out += "\r\n";
  return out;
}

std::string PROCESAHTTPHEADER(std::string_view header, bool error) {
  if (!error) return std::string(header);
  return ReplaceAllOf(header, "HTTP/1.0 200 OK",
                      "HTTP/1.0 500 Internal Server Error");
}

std::string ContentTypeFor(std::string_view extension) {
  std::string ext;
  for (char c : extension) {
    ext += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  struct Entry {
    const char* ext;
    const char* type;
  };
  static const Entry kTypes[] = {
      {"XML", "application/xml"},
      {"SVG", "svgz"},
      {"TTF", "font/ttf"},
      {"OTF", "font/otf"},
      {"WOFF", "application/x-font-woff"},
      {"CLASS", "application/octet-stream"},
      {"CSS", "text/css"},
      {"AIF", "audio"},
      {"AU", "audio"},
      {"SND", "audio"},
      {"WAV", "audio"},
      {"AVI", "msvideo"},
      {"QT", "msvideo"},
      {"JS", "text/javascript"},
      {"JSON", "text/javascript"},
      {"MID", "midi"},
      {"RMI", "midi"},
      {"MOV", "quicktime"},
      {"SWF", "application/futuresplash"},
      {"PNG", "image"},
      {"ICO", "image"},
      {"BMP", "image"},
      {"GIF", "image"},
      {"JPG", "image"},
      {"PCX", "image"},
      {"TIF", "image"},
  };
  for (const Entry& e : kTypes) {
    if (ext == e.ext) return e.type;
  }
  return std::string();
}

}  // namespace kelmar
