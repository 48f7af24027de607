// The pure checks behind sign-in: the application version gate, the password
// transform the ERP stores in TABFU.PWFU, and the check number that makes a
// MAEUS permission row valid.
//
// Short inputs: the transform reads five password characters and the check
// number eight tax-id, three user and eight permission characters. A
// position past the end of a shorter text counts as character code 0, which
// is what the ERP's own routines yield for a missing character. A short
// password therefore still has a transform (a one-character password and the
// same character followed by nothing else are the same password), and a tax
// id shorter than eight characters contributes only the characters it has.
#ifndef KELMAR_MOBILE_CREDENTIALS_H_
#define KELMAR_MOBILE_CREDENTIALS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kelmar {

// VERSIONVALIDA: the device application is at least version "1.5", compared
// character by character on the character codes over the shorter length, a
// longer text winning a tie. "1.5", "1.5.3", "1.50", "2.0" and "10" pass;
// "", "1.4.9", "1.10", "1" and "1." do not.
bool VERSIONVALIDA(std::string_view version);

// TRANFOCLAV: the 25-character transform of a password (five numbers right
// aligned in five characters each). Only the first five characters count.
std::string TRANFOCLAV(std::string_view password);

// The check number of a permission row: tax id of company "01", user code
// (padded by the caller to three characters) and permission code.
int64_t PermissionCheckNumber(std::string_view rut, std::string_view user,
                              std::string_view permission);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_CREDENTIALS_H_
