// The narrow door from the router to the command processors. The router
// knows only these signatures; the composition root fills them with the
// device-protocol and JSON processors, so http/ never depends on the
// command layers.
#ifndef KELMAR_HTTP_PROCESSORS_H_
#define KELMAR_HTTP_PROCESSORS_H_

#include <functional>
#include <string>

#include "core/context.h"

namespace kelmar {

struct Processors {
  // VALIDATOR: runs one device-protocol command text and sets *answer.
  // `error` is null where the router passes no error flag; otherwise the
  // processor sets *error to true when one of its lookups failed.
  std::function<void(Context& ctx, const std::string& command,
                     std::string* answer, bool event_log, bool* error)>
      validator;

  // VALIDATORJSON: runs one JSON command text and sets *answer. Sets
  // *compression to a non-empty name when the answer is to be compressed.
  std::function<void(Context& ctx, const std::string& command,
                     std::string* answer, bool event_log,
                     std::string* compression, bool* error)>
      validator_json;

  // The text the request journal (PDALOG.LINEA) keeps of an enveloped
  // command whose code (ACCION) is `accion`, given the cleaned text
  // `linea`. The journal is readable by clients, so the device protocol
  // masks what must not be kept (a sign-in's password). Empty: `linea`
  // unchanged.
  std::function<std::string(const std::string& accion,
                            const std::string& linea)>
      journal_line;
};

}  // namespace kelmar

#endif  // KELMAR_HTTP_PROCESSORS_H_
