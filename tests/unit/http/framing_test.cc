#include "http/framing.h"

#include <gtest/gtest.h>

#include <string>

#include "http/gzip.h"
#include "http/json_replies.h"
#include "unit/http/gunzip.h"

namespace kelmar {
namespace {

TEST(FramingTest, HeaderTextsAreExact) {
  EXPECT_EQ(std::string(kHeaderJson),
            "HTTP/1.0 200 OK\r\n"
            "Server: Kelmar WebServer 1.0\r\n"
            "Content-type: application/json; charset=iso-8859-1\r\n"
            "Expires: Mon, 26 Jul 1997 05:00:00 GMT\r\n"
            "Cache-Control: \tno-cache, max-age=2592000, must-revalidate\r\n"
            "Access-Control-Allow-Methods: POST, GET, OPTIONS\r\n"
            "Access-Control-Allow-Origin: *\r\n"
            "Pragma: no-cache\r\n");
  std::string gz(kHeaderJsonGZip);
  std::string plain(kHeaderJson);
  std::string line3 = "charset=iso-8859-1\r\n";
  size_t after3 = plain.find(line3) + line3.size();
  EXPECT_EQ(gz, plain.substr(0, after3) + "Content-Encoding: gzip\r\n" +
                    plain.substr(after3));
  // The unhandled-parameter body is announced as 26 bytes and is 26 bytes.
  std::string no(kNoContemplado);
  std::string body = no.substr(no.find("\r\n\r\n") + 4);
  EXPECT_EQ(body, "0|parametro no contemplado\r\n");
  EXPECT_EQ(body.size() - 2, 26u);
}

TEST(FramingTest, ContentLengthIsRightAlignedInTen) {
  EXPECT_EQ(ContentLengthLine(0), "Content-length:          0");
  EXPECT_EQ(ContentLengthLine(1234567890), "Content-length: 1234567890");
  EXPECT_EQ(FrameText("H\r\n", "  1|ok|  "),
            "H\r\nContent-length:          5\r\n\r\n1|ok|\r\n");
}

TEST(FramingTest, ErrorFlagTurnsStatusInto500) {
  EXPECT_EQ(PROCESAHTTPHEADER(kHeaderTxt, false), kHeaderTxt);
  std::string h = PROCESAHTTPHEADER(kHeaderJson, true);
  EXPECT_EQ(h.rfind("HTTP/1.0 500 Internal Server Error\r\nServer:", 0), 0u);
}

TEST(FramingTest, ContentTypeTable) {
  struct {
    const char* ext;
    const char* type;
  } cases[] = {{"png", "image"},    {"JPG", "image"},
               {"Css", "text/css"}, {"json", "text/javascript"},
               {"svg", "svgz"},     {"woff", "application/x-font-woff"},
               {"wav", "audio"},    {"txt", ""},
               {"htm", ""},         {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(ContentTypeFor(c.ext), c.type) << c.ext;
}

TEST(JsonRepliesTest, ParseHtmlValidator) {
  EXPECT_EQ(PARSEHTMLVALIDATOR("1|correcto|"),
            "[{ \"campo001\": \"1\",  \"campo002\": \"correcto\" }]");
  // Fields after an empty one are dropped; fields are trimmed.
  EXPECT_EQ(PARSEHTMLVALIDATOR(" 0| a ||x|"),
            "[{ \"campo001\": \"0\",  \"campo002\": \"a\" }]");
  EXPECT_EQ(PARSEHTMLVALIDATOR(""), "[{}]");
}

TEST(JsonRepliesTest, ParseDataValidator) {
  EXPECT_EQ(PARSEDATAVALIDATOR("KOPR|NOKOPR|\r\nA1 |Uno|\r\nB2|Dos|\r\n"),
            "[{\"KOPR\":\"A1\",\"NOKOPR\":\"Uno\"},"
            "{\"KOPR\":\"B2\",\"NOKOPR\":\"Dos\"} ]");
  // A short line leaves its missing members empty; an empty line ends.
  EXPECT_EQ(PARSEDATAVALIDATOR("A|B|\r\nx|\r\n\r\ny|z|"),
            "[{\"A\":\"x\",\"B\":\"\"} ]");
  EXPECT_EQ(PARSEDATAVALIDATOR(""), "[]");
  EXPECT_EQ(PARSEDATAVALIDATOR("A|B|"), "[]");
}

TEST(GzipTest, ProducesStandardGzipStream) {
  std::string text = "[{\"KOPR\":\"A1\"}]" + std::string(5000, 'x');
  std::string gz;
  ASSERT_TRUE(GzipCompress(text, &gz).ok());
  ASSERT_GE(gz.size(), 18u);
  EXPECT_EQ(static_cast<unsigned char>(gz[0]), 0x1f);
  EXPECT_EQ(static_cast<unsigned char>(gz[1]), 0x8b);
  std::string back;
  ASSERT_TRUE(testing::Gunzip(gz, &back, text.size() + 16));
  EXPECT_EQ(back, text);
}

}  // namespace
}  // namespace kelmar
