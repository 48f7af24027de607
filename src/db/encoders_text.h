// Decoders and the encoder of request and reply text. Pure functions on
// code page 1252 bytes, free of any socket or database dependency. They sit
// in the data layer because the SQL gateway and the reply encoders need them
// too; the listener and the command processors reach them through
// http/decoders.h.
#ifndef KELMAR_DB_ENCODERS_TEXT_H_
#define KELMAR_DB_ENCODERS_TEXT_H_

#include <string>
#include <string_view>

namespace kelmar {

// Percent-decoding used on cookies and file paths: every "%" followed by two
// characters becomes the byte they give read as hexadecimal (letters of
// either case count from "A" = 10; the byte is taken modulo 256); a "%" with
// fewer than two characters after it is copied. Afterwards every "+"
// becomes a blank, including one produced by "%2B".
std::string UNESCAPE(std::string_view text);

// Makes a text safe inside a JSON or HTML string. ASCII letters and digits,
// the blank and - _ . ~ : , ; ( ) | are copied; every other byte becomes
// "&#x" + its two lower-case hexadecimal digits + ";". The result is at
// most six times as long as the input.
std::string HTMLENCODE(std::string_view text);

// The last step of a JSON reply: its structure is written with single
// quotes in places and may carry CR LF, so every "'" becomes '"' and every
// CR LF a blank. Values are encoded (HTMLENCODE) before, so this touches
// only the structure.
std::string FinishJson(std::string_view text);

// URL decoding of request parameters: "+" becomes a blank; "%" with two
// more characters becomes the byte they give (a non-digit is read as its
// lower-case letter counted from "a" = 10, modulo 256); a "%" with fewer
// than two characters after it is dropped and what follows is copied.
std::string HTMLDECODE(std::string_view text);

// Decodes the parameter text of device and gateway requests:
//   1. every "%7C" becomes "|";
//   2. every "+" becomes a blank (so "%2B" later yields a literal "+");
//   3. "%" + two hexadecimal digits becomes that byte, searching again from
//      the start after each replacement, so "%2541" yields "A";
//   4. every "_prct_" and "_PRCT_" becomes "%" (how a device sends a
//      literal percent sign).
// A "%" that is not followed by two hexadecimal digits is kept as it is:
// reading garbage there would plant control bytes in SQL text.
std::string LIMPIACADENA(std::string_view text);

// The request body: the non-empty lines after the last empty line of the
// request, joined without line breaks. A request that ends with its
// header's blank line has an empty body. Lines end in LF or CR LF.
std::string GETQUERY(std::string_view request);

}  // namespace kelmar

#endif  // KELMAR_DB_ENCODERS_TEXT_H_
