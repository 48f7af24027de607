// Conversions of device-protocol replies into JSON for web clients that ask
// through the JSON path with device-protocol parameters.
#ifndef KELMAR_HTTP_JSON_REPLIES_H_
#define KELMAR_HTTP_JSON_REPLIES_H_

#include <string>
#include <string_view>

namespace kelmar {

// A pipe-delimited reply as a one-object JSON array: the trimmed reply's
// fields up to the first empty one become members "campo001", "campo002"...
// with the trimmed field as a string value. '1|correcto|' gives
// [{ "campo001": "1",  "campo002": "correcto" }]. Quotes inside fields are
// not escaped.
std::string PARSEHTMLVALIDATOR(std::string_view reply);

// A reply of CR LF lines as a JSON array of objects: the first line's
// fields (up to the first empty one) name the members, each later line up
// to the first empty line is one object. A reply without data lines gives
// "[]".
std::string PARSEDATAVALIDATOR(std::string_view reply);

}  // namespace kelmar

#endif  // KELMAR_HTTP_JSON_REPLIES_H_
