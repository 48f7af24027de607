#include "http/web_server.h"

#include "core/logs.h"
#include "core/settings.h"

namespace kelmar {

bool TWebServer::EventLogOn() const {
  return ctx_->logs != nullptr && ctx_->logs->lDebug;
}

void TWebServer::Event(std::vector<std::string> values) {
  if (ctx_->logs == nullptr || !ctx_->logs->lDebug ||
      ctx_->logs->cLogFile.empty()) {
    return;
  }
  LogTo(ctx_->logs->cLogFile, std::move(values));
}

void TWebServer::LogTo(const std::string& file,
                       std::vector<std::string> values) {
  if (ctx_->logs == nullptr) return;
  std::vector<LogValue> line;
  line.reserve(values.size());
  for (std::string& v : values) line.emplace_back(std::move(v));
  ctx_->logs->LOGFILE(file, line);
}

void TWebServer::Graba(const HttpRequest& request, const std::string& detail,
                       const std::string& seller) {
  if (ctx_->inicio == nullptr) return;
  ActivityClient client;
  client.socket = request.socket;
  client.ip = request.client_ip;
  ctx_->inicio->Graba(&client, detail, seller);
}

}  // namespace kelmar
