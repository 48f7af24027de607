#include "db/gateway.h"

#include <gtest/gtest.h>

#include "core/context.h"
#include "core/logs.h"
#include "db/encoders.h"
#include "platform/clock.h"
#include "support/context_fixture.h"
#include "support/temp_dir.h"

namespace kelmar {
namespace {

using testing::FakeConnection;
using testing::FakeResult;

class GatewayTest : public testing::ScriptedContextTest {
 protected:
  // KOPR char(13), PRECIO numeric, FECHA datetime, ACTIVO bit.
  static FakeResult Products() {
    FakeResult r;
    r.columns = {{"kopr", kSqlChar, 13, 0, false},
                 {"PRECIO", kSqlNumeric, 18, 2, true},
                 {"FECHA", kSqlTimestamp, 23, 3, true},
                 {"ACTIVO", kSqlBit, 1, 0, true}};
    r.rows = {{"A1", "1500", "2024-03-05 13:45:00.000", "1"},
              {"B\"2", "-2.5", std::nullopt, "0"}};
    return r;
  }
};

TEST_F(GatewayTest, CursoresWritesNamesAndPaddedRows) {
  db_.results.push_back(Products());
  std::string answer;
  CURSORES(ctx_, "select+KOPR+from+MAEPR", &answer);
  EXPECT_EQ(db_.executed.front(), "select KOPR from MAEPR");
  EXPECT_EQ(answer,
            "KOPR|PRECIO|FECHA|ACTIVO|\r\n"
            "A1           |1500.000000|20240305|1|\r\n"
            "B\"2          |-2.500000|        |0|\r\n");
}

TEST_F(GatewayTest, CursoresWithoutRowsOrFailingAnswersTheCleanedQuery) {
  FakeResult empty = Products();
  empty.rows.clear();
  db_.results.push_back(empty);
  std::string answer;
  CURSORES(ctx_, "select+*+from+X+where+A%3D%271%27", &answer);
  EXPECT_EQ(answer, "0 data|select * from X where A='1'");

  db_.results.push_back(FakeResult{{}, {}, "Invalid object name"});
  CURSORES(ctx_, "select+1", &answer);
  EXPECT_EQ(answer, "0 data|select 1");
}

TEST_F(GatewayTest, CursorJsonAnswersArrayOrEmptyObject) {
  db_.results.push_back(Products());
  std::string answer;
  CURSORJSON(ctx_, "select+1", &answer);
  EXPECT_EQ(answer,
            "[{\"KOPR\":\"A1\",\"PRECIO\":\"1500.000000\",\"FECHA\":"
            "\"20240305\",\"ACTIVO\":\"true\"},"
            "{\"KOPR\":\"B&#x22;2\",\"PRECIO\":\"-2.500000\",\"FECHA\":\"\","
            "\"ACTIVO\":\"false\"}]");
  db_.results.push_back(FakeResult{{}, {}, "fallo"});
  CURSORJSON(ctx_, "select+1", &answer);
  EXPECT_EQ(answer, "{}");
}

TEST_F(GatewayTest, ComandosRunsOnlySelect) {
  struct {
    const char* request;
    bool runs;
    const char* error;
    const char* answer;
  } cases[] = {
      {"UPDATE+MAEPR+SET+X%3D1", false, "", "0|"},
      {"delete+from+MAEPR", false, "", "0|"},
      {"SELECTX", false, "", "0|"},
      {"select+1", true, "", "1|ok"},
      {"SELECT+*+FROM+NADA", true, "Invalid object name 'NADA'",
       "0|Invalid object name 'NADA'"},
  };
  for (const auto& c : cases) {
    db_.executed.clear();
    if (c.runs) db_.results.push_back(FakeResult{{}, {}, c.error});
    std::string answer;
    COMANDOS(ctx_, c.request, &answer);
    EXPECT_EQ(answer, c.answer) << c.request;
    EXPECT_EQ(db_.executed.size(), c.runs ? 1u : 0u) << c.request;
  }
  // Refusals and failures are kept for the operator.
  std::string log = dir_.Read("Comandos_con_error.txt");
  EXPECT_NE(log.find("UPDATE MAEPR SET X=1"), std::string::npos);
  EXPECT_NE(log.find("Invalid object name 'NADA'"), std::string::npos);
  EXPECT_EQ(log.find("select 1"), std::string::npos);
}

TEST_F(GatewayTest, GeneraRespuestaTextsAndTotals) {
  db_.results.push_back(Products());
  RecordArray rows;
  bool found = false;
  Cursor c = CREARCURSOR(ctx_, &rows, "q", &found);
  std::string reply;
  GENERARESPUESTA(c, &rows, found, &reply, "|");
  EXPECT_EQ(reply,
            "KOPR|PRECIO|FECHA|ACTIVO|\r\n"
            "A1           |1500.000000|05/03|1|\r\n"
            "B&#34;2          |-2.500000|  /  |0|\r\n");
  EXPECT_FALSE(c.open());

  FakeResult sums;
  sums.columns = {{"FECHA", kSqlTimestamp, 23, 3, true},
                  {"MONTO", kSqlNumeric, 18, 2, true},
                  {"N", kSqlInteger, 10, 0, true},
                  {"NOMBRE", kSqlVarchar, 4, 0, true}};
  sums.rows = {{"2024-03-05 00:00:00.000", "10.00", "3", "ab"},
               {"2024-03-06 00:00:00.000", "2.05", "4", "cd"}};
  db_.results.push_back(sums);
  RecordArray rows2;
  c = CREARCURSOR(ctx_, &rows2, "q", &found);
  GENERARESPUESTA(c, &rows2, found, &reply, "|", true);
  EXPECT_EQ(reply,
            "FECHA|MONTO|N|NOMBRE|5|11|11|4|\r\n"
            ">>>>>|12.05|7.00|>>>>|\r\n"
            "\r\n"
            "05/03|10.000000|3.000000|ab  |\r\n"
            "06/03|2.050000|4.000000|cd  |\r\n");

  FakeResult none = sums;
  none.rows.clear();
  db_.results.push_back(none);
  RecordArray rows3;
  c = CREARCURSOR(ctx_, &rows3, "q", &found);
  GENERARESPUESTA(c, &rows3, found, &reply, "|");
  EXPECT_EQ(reply, "FECHA|MONTO|N|NOMBRE|");
}

TEST_F(GatewayTest, RegistryJsonWithListAndTotals) {
  FakeResult r;
  r.columns = {{"NUDO", kSqlChar, 3, 0, true},
               {"SALDO", kSqlNumeric, 18, 2, true}};
  r.rows = {{"001", "10.5"}, {"002", "-3.25"}};
  db_.results.push_back(r);
  RecordArray rows;
  bool found = false;
  Cursor c = CREARCURSOR(ctx_, &rows, "q", &found);
  std::string reply;
  GENRESPREGJSON(c, &rows, found, &reply, true, "Deuda");
  EXPECT_EQ(reply,
            " \"Deuda\": [{\"NUDO\":\"001\",\"SALDO\":\"10.500000\"},"
            "{\"NUDO\":\"002\",\"SALDO\":\"-3.250000\"}],"
            "\"Totales\": [{\"SALDO\":\"7.25\"}]");

  r.rows.clear();
  db_.results.push_back(r);
  RecordArray rows2;
  c = CREARCURSOR(ctx_, &rows2, "q", &found);
  GENRESPREGJSON(c, &rows2, found, &reply, true, "Deuda");
  EXPECT_EQ(reply, "{}");
}

TEST(EncodersTest, ArrayTableInBothForms) {
  MemoryTable t;
  t.names = {"Desde", "Hasta", "Precio"};
  t.samples = {Value(0), Value(0), Value(0)};
  t.widths = {10, 10, 10};
  t.rows = {{Value(1), Value(1000), Value(1234.5)},
            {Value(1001), Value(1234567), Value(0.125)}};
  std::string reply;
  GENERARESPUESTAARRAY(t, &reply, "|");
  EXPECT_EQ(reply,
            "Desde|Hasta|Precio|11|11|11|\r\n"
            "1|1,000|1,234.5|\r\n"
            "1,001|1,234,567|0.125|\r\n");
  GENERARESPUESTAARRAY(t, &reply, "|", true);
  EXPECT_EQ(reply,
            "[{\"Desde\":\"1\",\"Hasta\":\"1000\",\"Precio\":\"1234.5\"},"
            "{\"Desde\":\"1001\",\"Hasta\":\"1234567\",\"Precio\":\"0.125\"}]");
  t.rows.clear();
  GENERARESPUESTAARRAY(t, &reply, "|", true);
  EXPECT_EQ(reply, "[]");
}

TEST(EncodersTest, TotalTextTruncatesToTwoDecimals) {
  struct {
    double total;
    const char* text;
  } cases[] = {{12.05, "12.05"}, {7, "7.00"},      {1234.059, "1234.05"},
               {-7.5, "-7.50"},  {0, "0.00"},      {10.0 + 2.05, "12.05"},
               {0.999, "0.99"},  {-0.004, "-0.00"}};
  for (const auto& c : cases) EXPECT_EQ(TotalText(c.total), c.text) << c.total;
}

TEST(EncodersTest, StandardReply) {
  EXPECT_EQ(RESPUESTAV3("login", 42, "", "1", "ok", ""),
            "{\"consulta\":\"login\",\"uuid\":\"42\",\"numero\":\"\","
            "\"estado\":{\"codigo\":\"1\",\"mensaje\":\"ok\"},\"lineas\":[]}");
  // A value holding a place-holder is not rewritten by a later one.
  EXPECT_EQ(RESPUESTAV3("q@6", 1, "N1", "0", "ver @2", "{\"a\":\"1\"}"),
            "{\"consulta\":\"q@6\",\"uuid\":\"1\",\"numero\":\"N1\","
            "\"estado\":{\"codigo\":\"0\",\"mensaje\":\"ver @2\"},"
            "\"lineas\":[{\"a\":\"1\"}]}");
}

}  // namespace
}  // namespace kelmar
