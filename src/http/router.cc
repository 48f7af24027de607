// The router: which processor answers a request, and how its answer is
// framed.
#include <algorithm>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "db/gateway.h"
#include "http/decoders.h"
#include "http/envelope.h"
#include "http/framing.h"
#include "http/gzip.h"
#include "http/json_replies.h"
#include "http/web_server.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsNoCase1252(text.substr(0, prefix.size()), prefix);
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The text after the first `marker` of `params`; empty when absent.
std::string After(std::string_view params, std::string_view marker) {
  size_t pos = params.find(marker);
  if (pos == std::string_view::npos) return std::string();
  return std::string(params.substr(pos + marker.size()));
}

HttpReply Send(std::string data) {
  HttpReply reply;
  reply.action = HttpReply::Action::kSend;
  reply.data = std::move(data);
  return reply;
}

HttpReply LeaveOpen() { return HttpReply(); }

// The target: from the first "/" of the request up to the next blank.
std::string TargetOf(std::string_view text) {
  size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::string();
  size_t blank = text.find(' ', slash);
  return std::string(text.substr(slash, blank == std::string_view::npos
                                            ? std::string_view::npos
                                            : blank - slash));
}

}  // namespace

HttpReply TWebServer::OnRead(const HttpRequest& request) {
  const std::string& text = request.text;
  size_t cookie = text.find("Cookie");
  if (cookie != std::string::npos) {
    std::string value = text.substr(std::min(cookie + 8, text.size()));
    size_t via = value.rfind("Via:");
    if (via != std::string::npos) value.resize(via);
    cCookie = UNESCAPE(value);
  } else {
    cCookie.clear();
  }
  Event({request.client_ip, text});
  if (StartsWith(text, "GET")) {
    if (Contains(text, "getJSON")) return OnPost(request, text);
    return OnGet(request, text);
  }
  if (StartsWith(text, "POST")) return OnPost(request, text);
  return LeaveOpen();
}

HttpReply TWebServer::OnGet(const HttpRequest& request, std::string text) {
  if (Contains(text, "/getSQL/")) {
    // The path form "/getSQL/name/text" is the query form "?name=text".
    text = ReplaceAllOf(text, "GET /getSQL/", "POST /getSQL?");
    size_t question = text.find('?');
    if (question != std::string::npos) {
      size_t slash = text.find('/', question + 1);
      if (slash != std::string::npos) text[slash] = '=';
    }
    return OnPost(request, text);
  }
  // The query form of device and gateway requests is routed like the path
  // form; without this a GET of "/getSQL?..." would be looked up as a file.
  if (Contains(TargetOf(text), "/getSQL?")) return OnPost(request, text);
  size_t slash = text.find('/');
  if (slash != std::string::npos && slash + 1 < text.size() &&
      text[slash + 1] == ' ') {
    return DefaultPage(request);
  }
  return ServeStatic(request, text);
}

HttpReply TWebServer::OnProxyRequest(const std::string& text) {
  LogTo("0nosedonde_html.txt", {"onproxirequest() " + text});
  return LeaveOpen();
}

HttpReply TWebServer::OnPost(const HttpRequest& request, std::string text) {
  std::string target = TargetOf(text);
  std::string body = GETQUERY(text);
  std::string params;
  size_t question = target.find('?');
  if (question != std::string::npos) {
    params = target.substr(question + 1);
  } else {
    params = body;
    Event({"Presunta peticion por POST, cParams := cQuery", params});
  }
  Event({"1. Contenido de CPARAMS", params});
  Event({"1.1 Contenido de cQuery", body});

  // An absolute address is a proxy request, which this server is not.
  if (text.size() > 5 &&
      (StartsWithNoCase(std::string_view(text).substr(5), "HTTP:") ||
       StartsWithNoCase(std::string_view(text).substr(5), "HTTPS:"))) {
    return LeaveOpen();
  }
  if (params.empty()) return LeaveOpen();
  if (Contains(text, "/getJSON")) return JsonFamily(request, text, params);

  auto no_contemplado = [&]() {
    LogTo("ELSE.txt", {params});
    return Send(PROCESAHTTPHEADER(cHeaderEstandar, false) + kNoContemplado);
  };

  std::string seller;
  if (StartsWith(params, "cursor=") || StartsWith(params, "cursor2=")) {
    if (!SqlClientAllowed(request.client_ip)) return no_contemplado();
    if (StartsWith(params, "cursor2=")) {
      params = "cursor=" + CORTAINSERTA(*ctx_, "cursor", params, &seller);
    }
    Event({"2. Contenido de CPARAMS", params});
    Graba(request, params, seller);
    std::string answer;
    CURSORES(*ctx_, params.substr(7), &answer);
    Event({"HTML por cursor=", answer});
    return Send(FrameText(cHeaderTxt, answer));
  }
  if (StartsWith(params, "command=") || StartsWith(params, "command2=")) {
    if (!SqlClientAllowed(request.client_ip)) return no_contemplado();
    if (StartsWith(params, "command2=")) {
      params = "command=" + CORTAINSERTA(*ctx_, "command", params, &seller);
    }
    Event({"3. Contenido de CPARAMS", params});
    Graba(request, params, seller);
    std::string answer;
    COMANDOS(*ctx_, params.substr(8), &answer);
    Event({"HTML por command=", answer});
    return Send(FrameText(cHeaderTxt, answer));
  }
  if (StartsWith(params, "validator=") || StartsWith(params, "validator2=")) {
    if (!processors_ || !processors_->validator) return no_contemplado();
    if (StartsWith(params, "validator2=")) {
      params = "validator=" +
               CORTAINSERTA(*ctx_, "validator", params, &seller, processors_);
    }
    Event({"4. Contenido de CPARAMS", params});
    Graba(request, params, seller);
    bool w100 = Contains(params, "validator=W100");
    std::string command = params.substr(10);
    if (w100) command += body;
    std::string answer;
    bool error = false;
    processors_->validator(*ctx_, command, &answer, EventLogOn(),
                           w100 ? &error : nullptr);
    Event({"HTML por validator=", answer});
    if (w100) return Send(answer + "\r\n");
    if (Contains(params, "validator=JSONVKM")) {
      return Send(FrameText(cHeaderJson, answer));
    }
    return Send(FrameText(cHeaderTxt, answer));
  }
  return no_contemplado();
}

HttpReply TWebServer::JsonFamily(const HttpRequest& request,
                                 const std::string& text, std::string params) {
  Event({"4. Contenido de CPARAMS", params});
  params = HTMLDECODE(params);
  std::string answer;
  std::string compression;
  bool error = false;
  std::string seller;
  bool has_validator = processors_ && processors_->validator;
  auto validator = [&](const std::string& command) {
    processors_->validator(*ctx_, command, &answer, EventLogOn(), &error);
  };

  if (Contains(text, "cursor=")) {
    Event({"4.1.a JSON cursor", params, text});
    if (SqlClientAllowed(request.client_ip)) {
      CURSORJSON(*ctx_, After(params, "cursor="), &answer);
    }
  } else if (Contains(text, "validator=PING")) {
    Event({"4.1.b JSON validator", params, text});
    if (has_validator) {
      validator(After(params, "validator="));
      answer = PARSEHTMLVALIDATOR(answer);
    }
  } else if (Contains(text, "validator=")) {
    Event({"4.1.c JSON validator", params, text});
    if (has_validator) {
      validator(After(params, "validator="));
      if (!StartsWithNoCase(params, "VALIDATOR=J")) {
        answer = PARSEHTMLVALIDATOR(answer);
      }
    }
  } else if (Contains(text, "sqldata=")) {
    Event({"4.1.d JSON sqldata", params, text});
    if (has_validator && SqlClientAllowed(request.client_ip)) {
      Graba(request, params, "sin");
      validator(After(params, "sqldata="));
      answer = PARSEDATAVALIDATOR(answer);
    }
  } else if (Contains(text, "cursor2=")) {
    Event({"4.1.e JSON cursor2", params, text});
    if (SqlClientAllowed(request.client_ip)) {
      params = "cursor=" + CORTAINSERTA(*ctx_, "cursor", params, &seller);
      Graba(request, params, seller);
      CURSORJSON(*ctx_, After(params, "cursor="), &answer);
    }
  } else if (Contains(text, "validator2=")) {
    Event({"4.1.f JSON validator2 >>>>>>>>>>", HTMLDECODE(params)});
    Event({"4.1.f JSON validator2", params, text});
    if (has_validator) {
      params = "validator=" +
               CORTAINSERTA(*ctx_, "validator", params, &seller, processors_);
      Graba(request, params, seller);
      validator(After(params, "validator="));
      answer = PARSEHTMLVALIDATOR(answer);
    }
  } else if (Contains(text, "validator3=")) {
    Event({"4.1.g JSON validator3", params, text});
    if (processors_ && processors_->validator_json) {
      params =
          "validator3=" + CORTAINSERTA(*ctx_, "validator3", params, &seller);
      Graba(request, params, "");
      processors_->validator_json(*ctx_, After(params, "validator3="), &answer,
                                  EventLogOn(), &compression, &error);
      lEsJSONGZip = true;
    }
  }

  // Read at each request, so a change of the setting applies at once.
  int espera = ctx_->inicio != nullptr ? ctx_->inicio->nTiempoEspera
                                       : settings_.tiempo_espera;
  if (espera != 0 && wait) wait(espera);

  if (lEsJSONGZip && !compression.empty()) {
    std::string gz;
    if (GzipCompress(answer, &gz).ok()) {
      nNumero = nNumero >= 999999999 ? 1 : nNumero + 1;
      std::string data = PROCESAHTTPHEADER(cHeaderJsonGZip, error) +
                         ContentLengthLine(gz.size()) + "\r\n\r\n" + gz +
                         "\r\n";
      Event({"JSON a devolver=", answer + "\r\n"});
      Event({"JSON GZip a devolver=", gz + "\r\n"});
      Event({"JSONData: ", data + "-- data ready --\r\n"});
      return Send(std::move(data));
    }
  }
  std::string data = FrameText(PROCESAHTTPHEADER(cHeaderJson, error), answer);
  Event({"JSON a devolver=", answer + "\r\n"});
  Event({"JSONData: ", data + "-- data ready --\r\n"});
  return Send(std::move(data));
}

bool TWebServer::SqlClientAllowed(const std::string& ip) const {
  if (settings_.sql_clients.empty()) return true;
  return std::find(settings_.sql_clients.begin(), settings_.sql_clients.end(),
                   ip) != settings_.sql_clients.end();
}

}  // namespace kelmar
