// Request text decoders (UNESCAPE, HTMLDECODE, LIMPIACADENA, GETQUERY) and
// the encoder HTMLENCODE. They live with the data layer's encoders, which
// need them as well; this is the header the listener and the command
// processors include.
#ifndef KELMAR_HTTP_DECODERS_H_
#define KELMAR_HTTP_DECODERS_H_

#include "db/encoders_text.h"

#endif  // KELMAR_HTTP_DECODERS_H_
