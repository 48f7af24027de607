// The page template merger: "<<" expression ">>" in a page is replaced by
// the expression's value.
#ifndef KELMAR_HTTP_HTML_MERGE_H_
#define KELMAR_HTTP_HTML_MERGE_H_

#include <functional>
#include <string>
#include <string_view>

namespace kelmar {

// What expressions in a template can see during one merge.
struct MergeValues {
  std::string parameters;  // query text of the page request
  long long nSocket = 0;   // client connection handle
  std::string query;
  std::string cookie;
  std::function<std::string()> client_ip;  // CLIENTIP()
  std::function<std::string()> server_ip;  // SERVERIP()
};

// Replaces every "<<expr>>" of `page`. Known expressions (any letter case,
// blanks around them ignored): parameters, nSocket, query, cookie,
// CLIENTIP() and SERVERIP(). Anything else becomes "( expression error )".
// A "<<" without a closing ">>" ends the merge and is left as it is. The
// search goes on after each inserted value, so a value holding "<<" (a
// cookie, say) is never expanded again: re-expanding could loop forever.
std::string HtmlMerge(std::string_view page, const MergeValues& values);

}  // namespace kelmar

#endif  // KELMAR_HTTP_HTML_MERGE_H_
