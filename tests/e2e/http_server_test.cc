// The real binary answering over loopback, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/company_db.h"
#include "e2e/server_fixture.h"
#include "support/http_client.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::Body;
using testing::LoopbackClient;

const char kTxtHeader[] =
    "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
    "Content-type: text/plain\r\n";

class HttpServerTest : public testing::ServedFolderTest {
 protected:
  void SetUp() override {
    testing::WriteCompanySettings(dir_, /*multiple=*/true);
    ASSERT_TRUE(testing::RunOnTestDatabase(
        dir_, {"CREATE TABLE MAEPR (KOPR char(13) NOT NULL, "
               "NOKOPR varchar(50) NULL, PRECIO float NULL)",
               "INSERT INTO MAEPR VALUES ('A1','Uno',1500)",
               "INSERT INTO MAEPR VALUES ('B2','Dos',2.5)"}));
    std::filesystem::create_directories(dir_.File("www/docs"));
    StartServer("2024-03-05 12:00:00");
  }

  std::string Ask(const std::string& request) {
    return testing::Ask(port_, request);
  }
};

TEST_F(HttpServerTest, GatewayForms) {
  const std::string rows = std::string(kTxtHeader) +
                           "Content-length:         67\r\n\r\n"
                           "KOPR|PRECIO|\r\n"
                           "A1           |1500.000000|\r\n"
                           "B2           |2.500000|\r\n"
                           "\r\n";
  const char kQuery[] = "select+KOPR,PRECIO+from+MAEPR+order+by+KOPR";
  // Header split over two writes, the path form and the query form.
  {
    LoopbackClient c(port_);
    c.Send(std::string("GET /getSQL?cursor=") + kQuery);
    EXPECT_FALSE(c.Readable(100));
    c.Send(" HTTP/1.0\r\n\r\n");
    EXPECT_EQ(c.ReadAll(), rows);
  }
  EXPECT_EQ(
      Ask(std::string("GET /getSQL/cursor/") + kQuery + " HTTP/1.0\r\n\r\n"),
      rows);
  EXPECT_EQ(Ask(std::string("POST /getSQL HTTP/1.0\r\n\r\ncursor=") + kQuery),
            rows);
  // Without rows: "0 data|" and the cleaned query.
  EXPECT_EQ(Body(Ask("GET /getSQL?cursor=select+KOPR+from+MAEPR+where+KOPR%3D"
                     "%27Z%27 HTTP/1.0\r\n\r\n")),
            "0 data|select KOPR from MAEPR where KOPR='Z'\r\n");

  EXPECT_EQ(
      Ask("GET /getSQL?command=UPDATE+MAEPR+SET+PRECIO%3D1 "
          "HTTP/1.0\r\n\r\n"),
      std::string(kTxtHeader) + "Content-length:          2\r\n\r\n0|\r\n");
  EXPECT_EQ(Body(Ask("GET /getSQL?command=select+count(*)+from+MAEPR "
                     "HTTP/1.0\r\n\r\n")),
            "1|ok\r\n");
  EXPECT_EQ(Body(Ask("GET /getSQL?cursor=select+PRECIO+from+MAEPR+where+KOPR"
                     "%3D%27A1%27 HTTP/1.0\r\n\r\n")),
            "PRECIO|\r\n1500.000000|\r\n\r\n");

  EXPECT_EQ(Ask("GET /getSQL?nada=1 HTTP/1.0\r\n\r\n"),
            "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
            "Content-type: text/html\r\nContent-length: 26\r\n\r\n"
            "0|parametro no contemplado\r\n");
  EXPECT_NE(dir_.Read("ELSE.txt").find("nada=1"), std::string::npos);

  std::string json =
      Ask(std::string("GET /getJSON?cursor=") + kQuery + " HTTP/1.0\r\n\r\n");
  EXPECT_EQ(json.rfind("HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 1.0\r\n"
                       "Content-type: application/json; charset=iso-8859-1\r\n",
                       0),
            0u);
  EXPECT_EQ(Body(json),
            "[{\"KOPR\":\"A1\",\"PRECIO\":\"1500.000000\"},"
            "{\"KOPR\":\"B2\",\"PRECIO\":\"2.500000\"}]\r\n");
}

TEST_F(HttpServerTest, EnvelopedCursorIsJournalled) {
  EXPECT_EQ(Body(Ask("GET /getSQL?cursor2=007,PDA-9,-33.45,-70.66|select+"
                     "NOKOPR+from+MAEPR+where+KOPR%3D%27B2%27 "
                     "HTTP/1.0\r\n\r\n")),
            "NOKOPR|\r\nDos                                               |"
            "\r\n\r\n");
  std::string journal =
      Body(Ask("GET /getSQL?cursor=select+VENDEDOR,MAQUINA,HORAGRAB,LATITUD,"
               "LONGITUD,ACCION,LINEA+from+PDALOG HTTP/1.0\r\n\r\n"));
  EXPECT_NE(journal.find("007|PDA-9"), std::string::npos) << journal;
  EXPECT_NE(journal.find("|-33.450000|-70.660000|cursor"), std::string::npos)
      << journal;
  EXPECT_NE(journal.find("select NOKOPR from MAEPR where KOPR=B2"),
            std::string::npos)
      << journal;
}

TEST_F(HttpServerTest, StaticFilesAndDefaultPage) {
  dir_.Write("www/docs/index.html", "<b>docs</b>");
  dir_.Write("www/error.HTM", "<b>falta</b>");
  dir_.Write("www/leeme.txt", "no se sirve");
  std::string page = Ask("GET / HTTP/1.0\r\n\r\n");
  EXPECT_EQ(page.rfind("HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 2.5.2\r\n"
                       "\r\n<html>",
                       0),
            0u);
  EXPECT_NE(page.find("Pagina por default Kelmar WebServer (v24.02.01.716)"),
            std::string::npos);

  const std::string html =
      "HTTP/1.0 200 OK\r\n"
      "Server: Kelmar WebServer (v24.02.01.716)\r\n"
      "Content-type: text/html\r\nContent-length: ";
  EXPECT_EQ(Ask("GET /docs/ HTTP/1.0\r\n\r\n"),
            html + "        11\r\n\r\n<b>docs</b>");
  EXPECT_EQ(Ask("GET /falta.png HTTP/1.0\r\n\r\n"),
            html + "        12\r\n\r\n<b>falta</b>");
  EXPECT_EQ(Ask("GET /leeme.txt HTTP/1.0\r\n\r\n"), "");

  for (size_t size : {size_t{30000}, size_t{30001}}) {
    std::string content(size, 'x');
    content.back() = 'z';
    dir_.Write("www/p.gif", content);
    EXPECT_EQ(Ask("GET /p.gif HTTP/1.0\r\n\r\n"),
              "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer (v24.02.01.716)\r\n"
              "Content-type: image\r\nContent-length:      " +
                  std::to_string(size) + "\r\n\r\n" + content);
  }
}

TEST_F(HttpServerTest, BodyArrivingAfterTheHeaderIsNotRead) {
  {
    // Answered at once, without waiting for the announced body.
    LoopbackClient c(port_);
    c.Send(
        "POST /getSQL?cursor=select+1+as+N HTTP/1.0\r\n"
        "Content-length: 9\r\n\r\n");
    EXPECT_EQ(Body(c.ReadAll()), "N|\r\n1.000000|\r\n\r\n");
  }
  {
    // Parameters only in a later body: the request had none, so nothing
    // is answered, and the late body does not become a request.
    LoopbackClient c(port_);
    c.Send("POST /getSQL HTTP/1.0\r\nContent-length: 21\r\n\r\n");
    EXPECT_FALSE(c.Readable(100));
    c.Send("cursor=select+1+as+N");
    c.Finish();
    EXPECT_EQ(c.ReadAll(), "");
  }
}

TEST_F(HttpServerTest, SlowHeaderDoesNotBlockOthers) {
  LoopbackClient slow(port_);
  ASSERT_TRUE(slow.connected());
  slow.Send("GET /getSQL?curs");
  EXPECT_EQ(Body(Ask("GET /getSQL?cursor=select+2+as+N HTTP/1.0\r\n\r\n")),
            "N|\r\n2.000000|\r\n\r\n");
  slow.Send("or=select+3+as+N HTTP/1.0\r\n\r\n");
  EXPECT_EQ(Body(slow.ReadAll()), "N|\r\n3.000000|\r\n\r\n");
}

}  // namespace
}  // namespace kelmar
