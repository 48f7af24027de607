// What every device-protocol command shares: the tokens of the command text,
// the reply forms, the stock warehouse list and the small text helpers of
// the command frame.
#ifndef KELMAR_MOBILE_FRAME_H_
#define KELMAR_MOBILE_FRAME_H_

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

// The tokens of a decoded command text, cut at every "|". Empty tokens count
// ("A||C" has an empty token 2) and a token past the last reads as empty, so
// commands never need to check how many tokens arrived.
class Tokens {
 public:
  explicit Tokens(std::string_view text);

  // Token n, counted from 1 (token 1 is the command code). Empty when n is
  // out of range.
  const std::string& Get(size_t n) const;
  size_t size() const { return tokens_.size(); }

 private:
  std::vector<std::string> tokens_;
};

// Status reply: `status` ("1" or "0"), "|", then each value followed by "|".
std::string StatusReply(std::string_view status,
                        std::initializer_list<std::string_view> values);
// "1|" + value + "|".
std::string SuccessReply(std::string_view value);
// "0|" + message + "|".
std::string FailureReply(std::string_view message);

// The warehouses whose stock counts, derived per request from the setting
// `cbodegasstock`.
struct StockWarehouses {
  // An SQL IN list such as ('01','02'); empty in single-warehouse mode.
  std::string list;
  // Only the mode's (or the given) warehouse counts.
  bool single = true;
};

// Builds the stock warehouse list from the setting. Pieces are kept
// untrimmed ('01, 02' gives ('01',' 02')) because existing sites rely on
// that list as written; quotes inside a piece are doubled so the setting
// cannot break the SQL it is pasted into.
StockWarehouses BuildStockWarehouses(std::string_view setting);

// CMOD: translates a mode code between the device form "!!!" and the ERP's
// five-character code of control characters, in both directions. Works by
// substring containment, so "!" and "!!" also map to the ERP code; other
// codes, and empty text, come back unchanged.
std::string CMOD(std::string_view code);

// The ERP's five-character mode code that devices write as "!!!".
extern const std::string_view kControlModeCode;

// One HTML table row of a label and a bold value.
std::string ENPAREJA(std::string_view label, std::string_view value);
// One HTML table row with one cell per text, each cell bold when `bold`.
std::string ENQUINA(const std::vector<std::string>& cells, bool bold = false);

// `text` with every single quote doubled, for use between quotes in SQL.
std::string QuoteDoubled(std::string_view text);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_FRAME_H_
