// Registration and sign-in of devices, the server checks ("PING", "VWS"),
// the sign-in journal listing ("VKM"), and the machine, password and
// permission checks that other commands share.
//
// Short inputs (passwords under five characters, tax ids under eight): see
// mobile/credentials.h.
#ifndef KELMAR_MOBILE_SIGNIN_H_
#define KELMAR_MOBILE_SIGNIN_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"
#include "mobile/command_table.h"
#include "mobile/credentials.h"

namespace kelmar {

// The tax id of company "01", read on the first permission check and kept
// for the life of the process (a change needs a restart). One object lives
// as long as the process; the context points at it.
class CompanyTaxIdCache {
 public:
  CompanyTaxIdCache() = default;
  CompanyTaxIdCache(const CompanyTaxIdCache&) = delete;
  CompanyTaxIdCache& operator=(const CompanyTaxIdCache&) = delete;

  // Empty until read; an empty tax id is read again next time.
  const std::string& rut() const { return rut_; }
  void set_rut(std::string rut) { rut_ = std::move(rut); }

 private:
  std::string rut_;
};

// MAQUINAVALIDA: PDAMAQ has a row for the machine (whatever its user). A
// failed lookup sets *error (when not null) and reads as not found.
bool MAQUINAVALIDA(Context& ctx, std::string_view machine,
                   bool* error = nullptr);

struct ClaveResult {
  bool found = false;
  std::string kofu;  // TABFU.KOFU as stored
  int64_t idtabfu = 0;
};

// EXISTACLAVE: the TABFU row of the user whose PWFU is TRANFOCLAV(password).
ClaveResult EXISTACLAVE(Context& ctx, std::string_view user,
                        std::string_view password, bool* error = nullptr);

// VALIDAPERMISO: the user (padded by the caller to three characters) holds
// `permission` in MAEUS with a check number that matches ECKOUS. Uses and
// fills the context's tax id cache; without one the tax id is read on every
// call.
bool VALIDAPERMISO(Context& ctx, std::string_view user,
                   std::string_view permission, bool* error = nullptr);

// EXISTERESTRICCION: MAEUS has the row, whatever its check number.
bool EXISTERESTRICCION(Context& ctx, std::string_view user,
                       std::string_view permission, bool* error = nullptr);

// Command handlers.
void CmdValidarMaquina(MobileRequest& request);      // "000"
void CmdValidarClave(MobileRequest& request);        // "001"
void CmdPing(MobileRequest& request);                // "PING"
void CmdVersionWebServer(MobileRequest& request);    // "VWS"
void CmdVersionKelmarMovil(MobileRequest& request);  // "VKM", "JSONVKM"

}  // namespace kelmar

#endif  // KELMAR_MOBILE_SIGNIN_H_
