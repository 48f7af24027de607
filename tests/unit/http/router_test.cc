// The router driven directly with request texts, without sockets.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "core/context.h"
#include "core/logs.h"
#include "core/settings.h"
#include "http/framing.h"
#include "http/web_server.h"
#include "platform/clock.h"
#include "support/context_fixture.h"
#include "support/http_client.h"
#include "support/temp_dir.h"
#include "unit/http/gunzip.h"

namespace kelmar {
namespace {

using testing::Body;
using testing::FakeResult;

std::string Header(const std::string& reply) {
  return reply.substr(0, reply.find("\r\n\r\n") + 4);
}

class RouterTest : public testing::ScriptedContextTest {
 protected:
  RouterTest()
      : inicio_("8080/", dir_.path(), "WebSrv32.ini", &clock_, "10.0.0.1") {
    std::filesystem::create_directories(dir_.File("www/docs"));
    ctx_.inicio = &inicio_;
    processors_.validator = [this](Context&, const std::string& command,
                                   std::string* answer, bool, bool* error) {
      commands_.push_back(command);
      *answer = validator_answer_;
      got_error_flag_.push_back(error != nullptr);
      if (error != nullptr && set_error_) *error = true;
    };
    processors_.validator_json = [this](Context&, const std::string& command,
                                        std::string* answer, bool,
                                        std::string* compression, bool* error) {
      commands_.push_back(command);
      *answer = validator_answer_;
      *compression = compression_;
      if (set_error_) *error = true;
    };
    WebServerSettings s;
    s.root = "www";
    server_ = std::make_unique<TWebServer>(&ctx_, &processors_, 0, s);
    server_->cDefPath = dir_.File("www");
    server_->wait = [this](int seconds) { waited_ += seconds; };
  }

  HttpReply Route(const std::string& text) {
    HttpRequest r;
    r.text = text;
    r.client_ip = "127.0.0.7";
    r.socket = 9;
    return server_->OnRead(r);
  }

  TInicio inicio_;
  Processors processors_;
  std::unique_ptr<TWebServer> server_;
  std::vector<std::string> commands_;
  std::vector<bool> got_error_flag_;
  std::string validator_answer_ = "1|correcto|";
  std::string compression_;
  bool set_error_ = false;
  int waited_ = 0;
};

TEST_F(RouterTest, DefaultPageIsWrittenAnewAndSent) {
  dir_.Write("www/default.htm", "viejo");
  HttpReply r = Route("GET / HTTP/1.0\r\n\r\n");
  std::string page =
      "<html>\r\n<head>\r\n<title>Kelmar WebServer</title>\r\n</head>\r\n"
      "<body>\r\n<h1>Pagina por default Kelmar WebServer (v24.02.01.716)"
      "</h1>\r\n<p><a href='wwwreportes'>reportes</a></p></body>\r\n</html>";
  EXPECT_EQ(r.action, HttpReply::Action::kSend);
  EXPECT_EQ(r.data,
            "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 2.5.2\r\n\r\n" + page);
  EXPECT_EQ(dir_.Read("www/default.htm"), page);

  // A file that already holds the page is left as it is (no truncation per
  // request) and the answer does not change; a missing one is written again.
  const auto old_time =
      std::filesystem::last_write_time(dir_.File("www/default.htm")) -
      std::chrono::hours(24 * 365);
  std::filesystem::last_write_time(dir_.File("www/default.htm"), old_time);
  EXPECT_EQ(Route("GET / HTTP/1.0\r\n\r\n").data, r.data);
  EXPECT_EQ(std::filesystem::last_write_time(dir_.File("www/default.htm")),
            old_time);
  std::filesystem::remove(dir_.File("www/default.htm"));
  EXPECT_EQ(Route("GET / HTTP/1.0\r\n\r\n").data, r.data);
  EXPECT_EQ(dir_.Read("www/default.htm"), page);
}

TEST_F(RouterTest, StaticFiles) {
  dir_.Write("www/docs/index.html", "<p>docs <<CLIENTIP()>></p>");
  dir_.Write("www/error.HTM", "<p>no existe</p>");
  dir_.Write("www/leeme.txt", "texto");
  dir_.Write("www/logo.PNG", "png!");
  dir_.Write("secreto.png", "fuera de la carpeta web");
  const std::string html_header =
      "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer (v24.02.01.716)\r\n"
      "Content-type: text/html\r\nContent-length: ";
  struct {
    const char* request;
    HttpReply::Action action;
    std::string data;
    std::string file;
  } cases[] = {
      {"GET /docs/ HTTP/1.0\r\n\r\n", HttpReply::Action::kSend,
       html_header + "        21\r\n\r\n<p>docs 127.0.0.7</p>", ""},
      {"GET /docs HTTP/1.0\r\n\r\n", HttpReply::Action::kSend,
       html_header + "        21\r\n\r\n<p>docs 127.0.0.7</p>", ""},
      {"GET /falta.png HTTP/1.0\r\n\r\n", HttpReply::Action::kSend,
       html_header + "        16\r\n\r\n<p>no existe</p>", ""},
      {"GET /leeme.txt HTTP/1.0\r\n\r\n", HttpReply::Action::kClose, "", ""},
      {"GET /logo.PNG?v=2 HTTP/1.0\r\n\r\n", HttpReply::Action::kSend,
       "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer (v24.02.01.716)\r\n"
       "Content-type: image\r\nContent-length:          4\r\n\r\n",
       "www/logo.PNG"},
      // Nothing outside the web folder is reachable.
      {"GET /../secreto.png HTTP/1.0\r\n\r\n", HttpReply::Action::kSend,
       html_header + "        16\r\n\r\n<p>no existe</p>", ""},
      {"GET /docs/%2e%2e/../secreto.png HTTP/1.0\r\n\r\n",
       HttpReply::Action::kSend,
       html_header + "        16\r\n\r\n<p>no existe</p>", ""},
  };
  for (const auto& c : cases) {
    HttpReply r = Route(c.request);
    EXPECT_EQ(r.action, c.action) << c.request;
    EXPECT_EQ(r.data, c.data) << c.request;
    EXPECT_EQ(r.file, c.file.empty() ? "" : dir_.File(c.file)) << c.request;
  }
  EXPECT_NE(dir_.Read("0unsoported.txt")
                .find("archivo no existe : " + dir_.File("www") + "/leeme.txt"),
            std::string::npos);

  // Without error.HTM a missing page is answered with the bare text.
  std::filesystem::remove(dir_.File("www/error.HTM"));
  EXPECT_EQ(Route("GET /falta.png HTTP/1.0\r\n\r\n").data, kHtmlError);
}

TEST_F(RouterTest, UnansweredRequests) {
  const char* requests[] = {
      "OPTIONS /getJSON?validator3=x HTTP/1.1\r\n\r\n",
      "HEAD / HTTP/1.0\r\n\r\n",
      "GET http://otro.example/ HTTP/1.0\r\n\r\n",
      "POST /getSQL HTTP/1.0\r\nContent-length: 20\r\n\r\n",
      "POST http://otro.example/getSQL?validator=1 HTTP/1.0\r\n\r\n",
  };
  for (const char* text : requests) {
    HttpReply r = Route(text);
    EXPECT_EQ(r.action, HttpReply::Action::kLeaveOpen) << text;
    EXPECT_TRUE(r.data.empty()) << text;
  }
  EXPECT_TRUE(commands_.empty());
  EXPECT_NE(dir_.Read("0nosedonde_html.txt")
                .find("onproxirequest() GET http://otro.example/"),
            std::string::npos);
}

TEST_F(RouterTest, DeviceRequestFormsReachValidatorAlike) {
  const std::string expected =
      std::string(kHeaderTxt) +
      "Content-length:         11\r\n\r\n1|correcto|\r\n";
  const char* forms[] = {
      "GET /getSQL?validator=002|001| HTTP/1.1\r\n\r\n",
      "GET /getSQL/validator/002|001| HTTP/1.1\r\n\r\n",
      "POST /getSQL HTTP/1.0\r\nContent-length: 18\r\n\r\nvalidator=002|001|",
  };
  for (const char* text : forms) {
    commands_.clear();
    HttpReply r = Route(text);
    EXPECT_EQ(r.data, expected) << text;
    ASSERT_EQ(commands_.size(), 1u) << text;
    EXPECT_EQ(commands_[0], "002|001|") << text;
    EXPECT_FALSE(got_error_flag_.back()) << text;
  }
  // Each routed request leaves an activity row with its parameter text.
  ASSERT_GE(inicio_.activity().recent().size(), 3u);
  EXPECT_EQ(inicio_.activity().recent().back().dato, "validator=002|001|");
  EXPECT_EQ(inicio_.activity().recent().back().clienip, "127.0.0.7");
}

TEST_F(RouterTest, UnhandledParameterIs26Bytes) {
  HttpReply r = Route("GET /getSQL?otro=1 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(r.data, std::string(kHeaderEstandar) +
                        "Content-length: 26\r\n\r\n"
                        "0|parametro no contemplado\r\n");
  EXPECT_NE(dir_.Read("ELSE.txt").find("otro=1"), std::string::npos);
  // Without a device processor its requests are unhandled too.
  processors_.validator = nullptr;
  EXPECT_EQ(Route("GET /getSQL?validator=002| HTTP/1.0\r\n\r\n").data, r.data);
}

TEST_F(RouterTest, ValidatorFramings) {
  validator_answer_ = "<html>forma</html>";
  set_error_ = true;
  EXPECT_EQ(Route("GET /getSQL?validator=W100|x| HTTP/1.0\r\n\r\n").data,
            "<html>forma</html>\r\n");
  EXPECT_TRUE(got_error_flag_.back());
  validator_answer_ = "[{}]";
  EXPECT_EQ(
      Route("GET /getSQL?validator=JSONVKM| HTTP/1.0\r\n\r\n").data,
      std::string(kHeaderJson) + "Content-length:          4\r\n\r\n[{}]\r\n");
}

TEST_F(RouterTest, EnvelopeIsCutAndJournalled) {
  // FEHORASER, the journal insert, then the query.
  db_.results.push_back(
      FakeResult{{{"FECHA", kSqlTimestamp, 23, 3, true},
                  {"HORA", kSqlVarchar, 45, 0, true}},
                 {{"2024-03-05 10:00:00.000", "Mar  5 2024 10:00:00:000AM"}},
                 ""});
  db_.results.push_back(FakeResult{});
  db_.results.push_back(FakeResult{});
  HttpReply r = Route(
      "GET /getSQL?cursor2=001,ABC123,-33.45,-70.66|select+'a' "
      "HTTP/1.0\r\n\r\n");
  ASSERT_EQ(db_.executed.size(), 3u);
  const std::string& insert = db_.executed[1];
  EXPECT_EQ(insert.rfind("INSERT INTO PDALOG ( VENDEDOR,MAQUINA,FECHA,HORAGRAB,"
                         "LATITUD,LONGITUD,ACCION,LINEA) VALUES ( '001',"
                         "'ABC123',",
                         0),
            0u)
      << insert;
  EXPECT_NE(insert.find(",36000,-33.45,-70.66,'cursor','select a')"),
            std::string::npos)
      << insert;
  EXPECT_EQ(db_.executed[2], "select 'a'");
  EXPECT_EQ(Body(r.data), "0 data|select 'a'\r\n");
  EXPECT_EQ(inicio_.activity().recent().back().vendedor, "001");
}

TEST_F(RouterTest, FailedJournalInsertIsLoggedAndRequestGoesOn) {
  db_.results.push_back(FakeResult{});  // FEHORASER without a row
  db_.results.push_back(FakeResult{{}, {}, "tabla PDALOG no existe"});
  HttpReply r =
      Route("GET /getSQL?validator2=001,M1,0,0|002|001| HTTP/1.0\r\n\r\n");
  EXPECT_EQ(Body(r.data), "1|correcto|\r\n");
  EXPECT_EQ(commands_.back(), "002|001|");
  std::string log = dir_.Read("Comandos_con_error.txt");
  EXPECT_NE(log.find("INSERT INTO PDALOG"), std::string::npos);
  EXPECT_NE(log.find("tabla PDALOG no existe"), std::string::npos);
}

TEST_F(RouterTest, JsonFamily) {
  struct {
    const char* request;
    const char* answer;   // the processor's
    const char* body;     // what the client gets
    const char* command;  // what the processor got ("" none)
  } cases[] = {
      {"GET /getJSON?validator=PING HTTP/1.0\r\n\r\n", "1|PONG|",
       "[{ \"campo001\": \"1\",  \"campo002\": \"PONG\" }]", "PING"},
      {"GET /getJSON?validator=J01%7C%7B%7D HTTP/1.0\r\n\r\n", "{\"a\":1}",
       "{\"a\":1}", "J01|{}"},
      {"GET /getJSON?sqldata=VKM| HTTP/1.0\r\n\r\n", "A|B|\r\n1|2|\r\n",
       "[{\"A\":\"1\",\"B\":\"2\"} ]", "VKM|"},
      {"GET /getJSON?nada=1 HTTP/1.0\r\n\r\n", "x", "", ""},
  };
  for (const auto& c : cases) {
    commands_.clear();
    validator_answer_ = c.answer;
    HttpReply r = Route(c.request);
    EXPECT_EQ(Header(r.data).rfind(kHeaderJson, 0), 0u) << c.request;
    EXPECT_EQ(Body(r.data), std::string(c.body) + "\r\n") << c.request;
    if (*c.command) {
      ASSERT_EQ(commands_.size(), 1u) << c.request;
      EXPECT_EQ(commands_[0], c.command) << c.request;
    } else {
      EXPECT_TRUE(commands_.empty()) << c.request;
    }
  }
}

TEST_F(RouterTest, JsonErrorFlagTurnsStatusInto500) {
  set_error_ = true;
  HttpReply r = Route("GET /getJSON?validator=PING HTTP/1.0\r\n\r\n");
  EXPECT_EQ(r.data.rfind("HTTP/1.0 500 Internal Server Error\r\n", 0), 0u);
}

TEST_F(RouterTest, Validator3CompressesWhenAskedAndWaitsThroughSeam) {
  validator_answer_ = "[{\"x\":\"" + std::string(300, 'y') + "\"}]";
  // Not compressed without a compression name, even in compressed mode.
  HttpReply plain = Route(
      "GET /getJSON?validator3=001,W,0,0%7C%7B%22a%22%3A1%7D&_=1 "
      "HTTP/1.0\r\n\r\n");
  EXPECT_EQ(Header(plain.data).rfind(kHeaderJson, 0), 0u);
  EXPECT_EQ(commands_.back(), "{\"a\":1}&_=1");
  EXPECT_TRUE(server_->lEsJSONGZip);

  compression_ = "catalogo";
  HttpReply gz = Route("GET /getJSON?validator3=,,,|%7B%7D HTTP/1.0\r\n\r\n");
  std::string header = Header(gz.data);
  std::string body = Body(gz.data);
  ASSERT_EQ(header.rfind(kHeaderJsonGZip, 0), 0u);
  ASSERT_GE(body.size(), 2u);
  std::string stream = body.substr(0, body.size() - 2);
  EXPECT_EQ(header, std::string(kHeaderJsonGZip) +
                        ContentLengthLine(stream.size()) + "\r\n\r\n");
  std::string plain_text;
  EXPECT_TRUE(testing::Gunzip(stream, &plain_text));
  EXPECT_EQ(plain_text, validator_answer_);
  EXPECT_EQ(server_->nNumero, 1);
  EXPECT_EQ(waited_, 0);

  inicio_.nTiempoEspera = 3;
  Route("GET /getJSON?validator=PING HTTP/1.0\r\n\r\n");
  EXPECT_EQ(waited_, 3);
  // Device answers never wait.
  Route("GET /getSQL?validator=PING HTTP/1.0\r\n\r\n");
  EXPECT_EQ(waited_, 3);
}

TEST_F(RouterTest, SqlGatewayOnlyForListedClients) {
  WebServerSettings s;
  s.sql_clients = {"10.1.1.1"};
  TWebServer guarded(&ctx_, &processors_, 0, s);
  HttpRequest req;
  req.client_ip = "127.0.0.7";
  const char* gateway[] = {
      "GET /getSQL?cursor=select+1 HTTP/1.0\r\n\r\n",
      "GET /getSQL?command=select+1 HTTP/1.0\r\n\r\n",
      "GET /getSQL?cursor2=1,2,3,4|select+1 HTTP/1.0\r\n\r\n",
  };
  for (const char* text : gateway) {
    req.text = text;
    EXPECT_EQ(Body(guarded.OnRead(req).data), "0|parametro no contemplado\r\n")
        << text;
  }
  req.text = "GET /getJSON?cursor=select+1 HTTP/1.0\r\n\r\n";
  EXPECT_EQ(Body(guarded.OnRead(req).data), "\r\n");
  req.text = "GET /getJSON?sqldata=VKM| HTTP/1.0\r\n\r\n";
  EXPECT_EQ(Body(guarded.OnRead(req).data), "\r\n");
  EXPECT_TRUE(db_.executed.empty());
  EXPECT_TRUE(commands_.empty());

  // A listed client is served.
  req.client_ip = "10.1.1.1";
  req.text = "GET /getSQL?cursor=select+1 HTTP/1.0\r\n\r\n";
  EXPECT_EQ(Body(guarded.OnRead(req).data), "0 data|select 1\r\n");
}

TEST_F(RouterTest, MalformedRequestsNeverThrow) {
  EXPECT_EQ(Route("GET\r\n\r\n").action, HttpReply::Action::kClose);
  // Deterministic garbage after the prefixes that reach each branch.
  const char* prefixes[] = {"GET ",
                            "POST ",
                            "GET /getSQL/",
                            "GET /getSQL?",
                            "GET /getJSON?",
                            "POST /getSQL?cursor2=",
                            "GET /getJSON?validator3=",
                            "GET /docs/"};
  const char alphabet[] = "/?=|%,'\" \r\n+_.:aZ09";
  uint32_t seed = 12345;
  for (int i = 0; i < 3000; ++i) {
    std::string text = prefixes[i % std::size(prefixes)];
    seed = seed * 1103515245u + 12345u;
    int len = static_cast<int>(seed >> 24) % 40;
    for (int j = 0; j < len; ++j) {
      seed = seed * 1103515245u + 12345u;
      text += alphabet[(seed >> 16) % (sizeof(alphabet) - 1)];
    }
    text += "\r\n\r\n";
    EXPECT_NO_THROW(Route(text)) << text;
  }
}

TEST_F(RouterTest, CookieIsDecodedUpToVia) {
  Route("GET /x.png HTTP/1.0\r\nCookie: a%3Db\r\nAccept: */*\r\n\r\n");
  EXPECT_EQ(server_->cCookie, "a=b\r\nAccept: */*\r\n\r\n");
  Route("GET /x.png HTTP/1.0\r\nCookie: s%3D1\r\nVia: proxy\r\n\r\n");
  EXPECT_EQ(server_->cCookie, "s=1\r\n");
  Route("GET /x.png HTTP/1.0\r\n\r\n");
  EXPECT_EQ(server_->cCookie, "");
}

}  // namespace
}  // namespace kelmar
