#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/engine/connection.h"
#include "platform/clock.h"
#include "unit/engine_embedded/embedded_test_util.h"

namespace kelmar {
namespace {

class EmbeddedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenEmbeddedConnection(":memory:", &clock_, &conn_).ok());
  }
  std::string Q(const std::string& sql) { return Query(conn_.get(), sql); }
  void Ok(const std::string& sql) {
    std::string r = Q(sql);
    ASSERT_TRUE(r.rfind("ERROR", 0) != 0) << sql << "\n" << r;
  }

  FixedClock clock_{TestNow()};
  std::unique_ptr<Connection> conn_;
};

TEST_F(EmbeddedTest, Smoke) {
  Ok("CREATE TABLE [dbo].[MAEPR] ([KOPR] [char] (13) NOT NULL, [NOKOPR] "
     "varchar(50) NULL, "
     "PRECIO float, ID int identity(1,1) NOT NULL, CONSTRAINT [PK_MAEPR] "
     "PRIMARY KEY CLUSTERED ([KOPR] ASC)) ON [PRIMARY]");
  Ok("INSERT INTO MAEPR (KOPR, NOKOPR, PRECIO) VALUES ('A1', N'Uno', 2.5)");
  EXPECT_EQ("ULTID|\n1|", Q("SELECT @@IDENTITY AS ULTID"));
  EXPECT_EQ("KOPR|NOKOPR|PRECIO|ID|\nA1           |Uno|2.5|1|",
            Q("SELECT TOP 1 * FROM MAEPR WITH ( NOLOCK )  WHERE KOPR='A1'"));
}

}  // namespace
}  // namespace kelmar
