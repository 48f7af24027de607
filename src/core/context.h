// The one request context. Everything a request needs is reached through it,
// never through mutable globals, so requests could later be served on
// several workers, each with a context and connection of its own.
//
// Members are filled by start-up (or by a test fixture) and live for the
// whole process unless stated otherwise. Pointers are not owned.
#ifndef KELMAR_CORE_CONTEXT_H_
#define KELMAR_CORE_CONTEXT_H_

#include <string>

namespace kelmar {

class Clock;
class Connection;
class TInicio;
class Logs;
class FormulaVariables;
class CompanyTaxIdCache;

// The four values handed to price formulas, set per request by the pricing
// commands (_PASO_FEEMDO, _PASO_FE01VEDO, _PASO_FEULVEDO, _PASO_NUVEDO).
struct PricingValues {
  std::string feemdo;
  std::string fe01vedo;
  std::string feulvedo;
  double nuvedo = 0;
};

struct Context {
  TInicio* inicio = nullptr;   // oInicio: the settings object
  Connection* odbc = nullptr;  // OODBC: the one database connection
  Logs* logs = nullptr;        // log writers and their two switches
  Clock* clock = nullptr;      // "today" and "now"
  std::string empresa;         // CNUMEROEMPRESA: the company code
  int def_redon = 0;           // DEF_REDON: default decimals (2 for PER)
  std::string defatmp;         // DEFATMP: the temporary folder
  FormulaVariables* tabmacro = nullptr;  // TABMACRO: formula variables
  PricingValues paso;                    // per request
  // TABIMPR has no column NOAPLICEN: every product tax applies. Probed
  // once at start-up.
  bool tabimpr_sin_noaplicen = false;
  // The working folder: where "WebSrv32.ini" is read on demand
  // (OBTIENEVALOR) and relative files such as the web folder are found.
  // Empty means the process's current folder.
  std::string workdir;
  // The tax id of company "01", kept for the life of the process.
  CompanyTaxIdCache* tax_id_cache = nullptr;
};

}  // namespace kelmar

#endif  // KELMAR_CORE_CONTEXT_H_
