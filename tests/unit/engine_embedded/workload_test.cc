// Statements the server sends, run on a small ERP fixture.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/engine/connection.h"
#include "platform/clock.h"
#include "unit/engine_embedded/embedded_test_util.h"

namespace kelmar {
namespace {

constexpr char kErp[] =
    "CREATE TABLE MAEEN (KOEN char(13) NOT NULL, SUEN char(10) NOT NULL, "
    "NOKOEN varchar(50), PAEN char(3), CIEN char(3), CMEN char(3), KOFUEN "
    "char(3), TIEN char(1), DIACOBRA char(7), RUTALUN int, RUTAMAR int, "
    "RUTADOM int, BLOQUEADO bit)\r\n"
    "INSERT INTO MAEEN VALUES ('76001','','Cliente Uno','CL','SCL','PRO','V01',"
    "'C','L M  V ',3,0,NULL,0)\r\n"
    "INSERT INTO MAEEN VALUES ('76002','01','Cliente Dos','CL','VAL','VAL',"
    "'V01','A','       ',NULL,5,7,1)\r\n"
    "CREATE TABLE TABCI (KOPA char(3), KOCI char(3), NOKOCI varchar(40))\r\n"
    "INSERT INTO TABCI VALUES ('CL','SCL','Santiago')\r\n"
    "CREATE TABLE TABFU (KOFU char(3) NOT NULL, NOKOFU varchar(50))\r\n"
    "INSERT INTO TABFU VALUES ('V01','Vendedor Uno')\r\n"
    "CREATE TABLE PDALOG (IDPDALOG int identity(1,1) NOT NULL, VENDEDOR "
    "char(3) NOT NULL, FECHA datetime, ACCION varchar(50), LINEA "
    "varchar(1000))\r\n"
    "INSERT INTO PDALOG (VENDEDOR,FECHA,ACCION,LINEA) VALUES "
    "('V01',{d '2024-03-01'},'001','a|b')\r\n"
    "INSERT INTO PDALOG (VENDEDOR,FECHA,ACCION,LINEA) VALUES "
    "('V01',{d '2024-03-04'},'001','c|d')\r\n"
    "INSERT INTO PDALOG (VENDEDOR,FECHA,ACCION,LINEA) VALUES "
    "('V01',{d '2024-03-02'},'004','e|f')\r\n"
    "CREATE TABLE PDAENCA (TIDO char(3) NOT NULL, NUDO char(10) NOT NULL, "
    "ENDO char(13) NOT NULL, VANEDO float, VALIDO char(1), IDPDAENCA int "
    "identity(1,1) NOT NULL, CONSTRAINT PK_PDAENCA PRIMARY KEY (TIDO,NUDO,"
    "ENDO))\r\n"
    "CREATE TABLE PDADETA (IDPDADETA int identity(1,1) NOT NULL, IDPDAENCA "
    "int, NUDO char(10), KOPR char(13), VANELI float)\r\n"
    "INSERT INTO PDAENCA (TIDO,NUDO,ENDO,VANEDO) VALUES "
    "('NVV','TMP','76001',0)\r\n"
    "INSERT INTO PDADETA (IDPDAENCA,NUDO,KOPR,VANELI) VALUES "
    "(1,'TMP','A1',10)\r\n"
    "INSERT INTO PDADETA (IDPDAENCA,NUDO,KOPR,VANELI) VALUES "
    "(1,'TMP','B2',20.5)\r\n"
    "INSERT INTO PDADETA (IDPDAENCA,NUDO,KOPR,VANELI) VALUES "
    "(1,'TMP','C3',1)\r\n"
    "CREATE TABLE TABPP (KOLT char(3), OPERA varchar(120))\r\n"
    "INSERT INTO TABPP VALUES ('01','123456789012345678901234567890')\r\n";

class WorkloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenEmbeddedConnection(":memory:", &clock_, &conn_).ok());
    std::string r = Q(kErp);
    ASSERT_TRUE(r.rfind("ERROR", 0) != 0) << r;
  }
  std::string Q(const std::string& sql) { return Query(conn_.get(), sql); }

  FixedClock clock_{TestNow()};
  std::unique_ptr<Connection> conn_;
};

TEST_F(WorkloadTest, CustomerPageWithDayAndRouteColumns) {
  std::string day = "REPLACE(SUBSTRING(DIACOBRA,1,1),' ','_')";
  std::string route =
      "LTRIM(RTRIM(CASE WHEN COALESCE(RUTALUN,0)=0 THEN '' ELSE "
      "CAST(RUTALUN AS VARCHAR(10)) END))";
  std::string sql =
      "SELECT TOP 10 KOEN,coalesce(SUEN,'') as suc,CAST(" + day + "+" +
      "REPLACE(SUBSTRING(DIACOBRA,2,1),' ','_')+REPLACE(SUBSTRING(DIACOBRA,3,1)"
      ",' ','_')+REPLACE(SUBSTRING(DIACOBRA,4,5),' ','_') AS CHAR(7) ) "
      "DIACOBRA," +
      route +
      "+','+LTRIM(RTRIM(CASE WHEN COALESCE(RUTAMAR,0)=0 "
      "THEN '' ELSE CAST(RUTAMAR AS VARCHAR(10)) END))+','+LTRIM(RTRIM(CASE "
      "WHEN COALESCE(RUTADOM,0)=0 THEN '' ELSE CAST(RUTADOM AS VARCHAR(10)) "
      "END)) AS RUTADIAS,NOKOCI FROM MAEEN WITH (NOLOCK)  LEFT JOIN TABCI  "
      "WITH (NOLOCK) ON MAEEN.PAEN+MAEEN.CIEN=TABCI.KOPA+TABCI.KOCI WHERE ( "
      "KOFUEN = 'V01'  AND TIEN IN ('C','A')  AND COALESCE(BLOQUEADO,0)=0 ) "
      "AND KOEN+SUEN > '" +
      std::string(13, ' ') + std::string(10, ' ') + "' ORDER BY KOEN,SUEN";
  EXPECT_EQ(
      "KOEN|suc|DIACOBRA|RUTADIAS|NOKOCI|\n"
      "76001        |          |L_M__V_|3,,|Santiago|",
      Q(sql));
}

TEST_F(WorkloadTest, SellerReportUnionWithCorrelatedAggregates) {
  const char* half =
      "SELECT CAST('%c' AS CHAR(1) ) AS OPCION,VENDEDOR,NOKOFU AS NOMBRE,"
      "(SELECT LINEA FROM PDALOG AS X WITH (NOLOCK) WHERE "
      "X.IDPDALOG=MAX(P.IDPDALOG)) AS LINEA,(SELECT FECHA FROM PDALOG AS X "
      "WITH (NOLOCK) WHERE X.IDPDALOG=MAX(P.IDPDALOG)) AS FECHA  FROM PDALOG "
      "AS P  WITH (NOLOCK)  LEFT JOIN TABFU  WITH (NOLOCK) ON "
      "TABFU.KOFU=P.VENDEDOR  WHERE P.ACCION='%s'   GROUP BY "
      "P.VENDEDOR,NOKOFU ";
  char v[1024], s[1024];
  std::snprintf(v, sizeof v, half, 'V', "001");
  std::snprintf(s, sizeof s, half, 'S', "004");
  EXPECT_EQ(
      "OPCION|VENDEDOR|NOMBRE|LINEA|FECHA|\n"
      "S|V01|Vendedor Uno|e|f|2024-03-02 00:00:00.000|\n"
      "V|V01|Vendedor Uno|c|d|2024-03-04 00:00:00.000|",
      Q(std::string(v) + "UNION \r\n" + s));
}

TEST_F(WorkloadTest, OrderSplitThroughTempTables) {
  EXPECT_EQ("", Q("DROP TABLE #ENCA").substr(0, 0));
  EXPECT_EQ("", Q("SELECT * INTO #ENCA FROM PDAENCA WITH (NOLOCK) WHERE "
                  "IDPDAENCA=1"));
  EXPECT_EQ("", Q("SELECT * INTO #DETA FROM PDADETA WITH (NOLOCK) WHERE "
                  "IDPDAENCA=1"));
  EXPECT_EQ("",
            Q("INSERT INTO PDAENCA (TIDO,NUDO,ENDO,VANEDO,VALIDO) SELECT "
              "TIDO,'0000000007',ENDO,VANEDO,'S' FROM #ENCA WITH (NOLOCK) "));
  EXPECT_EQ("ULTID|\n2|", Q("SELECT @@IDENTITY AS ULTID"));
  EXPECT_EQ("", Q("INSERT INTO PDADETA (IDPDAENCA,NUDO,KOPR,VANELI) SELECT "
                  "TOP 2 2,'0000000007',KOPR,VANELI FROM #DETA WITH (NOLOCK) "
                  "ORDER BY IDPDADETA "));
  EXPECT_EQ("", Q("DELETE #DETA WHERE IDPDADETA<=2"));
  EXPECT_EQ("VANELI|\n30.5|", Q("SELECT SUM(VANELI) AS VANELI  FROM PDADETA "
                                "WITH (NOLOCK)  WHERE IDPDAENCA=2"));
  EXPECT_EQ("N|\n1|", Q("SELECT COUNT(*) AS N FROM #DETA"));
  EXPECT_EQ("NUDO|VALIDO|\n0000000007|S|",
            Q("SELECT NUDO,VALIDO FROM PDAENCA WHERE IDPDAENCA=2"));
  EXPECT_EQ("", Q("DROP TABLE #ENCA\r\nDROP TABLE #DETA"));
}

TEST_F(WorkloadTest, UpdatesAndConditionalWrites) {
  EXPECT_EQ("", Q("UPDATE TABPP SET OPERA='XX                          "
                  "'+SUBSTRING(OPERA,25,95) "));
  EXPECT_EQ("OPERA|\nXX                          567890|",
            Q("SELECT OPERA FROM TABPP"));
  const char* upsert =
      "IF NOT EXISTS ( SELECT * FROM TABFU  WITH (NOLOCK) WHERE KOFU='V02') "
      "INSERT INTO TABFU (KOFU,NOKOFU) VALUES ('V02','%s') ELSE    UPDATE "
      "TABFU SET NOKOFU='%s' WHERE KOFU='V02'";
  char first[512], second[512];
  std::snprintf(first, sizeof first, upsert, "Nuevo", "Nuevo");
  std::snprintf(second, sizeof second, upsert, "Otro", "Otro");
  EXPECT_EQ("", Q(first));
  EXPECT_EQ("", Q(second));
  EXPECT_EQ("NOKOFU|\nOtro|", Q("SELECT NOKOFU FROM TABFU WHERE KOFU='V02'"));
  // A quote doubled by the caller stays one quote in the data.
  EXPECT_EQ("", Q("UPDATE TABFU SET NOKOFU='D''Arcy' WHERE KOFU='V02'"));
  EXPECT_EQ("NOKOFU|\nD'Arcy|", Q("SELECT NOKOFU FROM TABFU WHERE KOFU='V02'"));
}

TEST_F(WorkloadTest, LatestRowPerSellerThroughDerivedTable) {
  EXPECT_EQ(
      "VENDEDOR|FECHA|LINEA|\nV01|2024-03-04 00:00:00.000|c|d|",
      Q("SELECT p.VENDEDOR,p.FECHA, p.LINEA  FROM ( SELECT "
        "max(PDALOG.IDPDALOG) as idp, PDALOG.VENDEDOR, MAX(PDALOG.FECHA)  as "
        "mfecha  FROM PDALOG WITH (NOLOCK)  WHERE PDALOG.ACCION = '001'  GROUP "
        "by PDALOG.VENDEDOR ) as x  WITH (NOLOCK)  INNER JOIN PDALOG as p  "
        "WITH "
        "(NOLOCK) on p.VENDEDOR = x.VENDEDOR and p.FECHA = x.mfecha and "
        "p.IDPDALOG = x.idp and p.ACCION = '001'  ORDER BY p.VENDEDOR asc "));
}

}  // namespace
}  // namespace kelmar
