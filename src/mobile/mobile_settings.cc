#include "mobile/mobile_settings.h"

#include "core/conventions.h"
#include "core/settings.h"

namespace kelmar {

MobileSettings ReadMobileSettings(const Context& ctx) {
  MobileSettings s;
  if (ctx.inicio == nullptr) return s;
  const TInicio& ini = *ctx.inicio;
  s.empresa = ini.cEmpresa;
  s.iva = ini.Iva;
  s.bodegas_stock = ini.cbodegasstock;
  s.version = ini.Version;
  s.ult_fecha = DTOC(ini.UltFecha);
  return s;
}

}  // namespace kelmar
