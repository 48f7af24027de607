// The settings the device commands read, taken from the settings object once
// per request.
#ifndef KELMAR_MOBILE_MOBILE_SETTINGS_H_
#define KELMAR_MOBILE_MOBILE_SETTINGS_H_

#include <string>

#include "core/context.h"

namespace kelmar {

struct MobileSettings {
  std::string empresa;        // cEmpresa: the company code
  double iva = 0;             // Iva: the company's VAT rate
  std::string bodegas_stock;  // cbodegasstock
  std::string version;        // Version: the server's version stamp
  std::string ult_fecha;      // UltFecha as dd/mm/yyyy
};

// Reads them from ctx.inicio; all empty when the context has no settings.
MobileSettings ReadMobileSettings(const Context& ctx);

}  // namespace kelmar

#endif  // KELMAR_MOBILE_MOBILE_SETTINGS_H_
