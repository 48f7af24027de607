#include "mobile/form_values.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(LeerVariablesTest, PairsUpToTheFirstEmptyPiece) {
  FormPairs p = LEERVARIABLES("  nombre= Juan &edad=42=x&&oculto=1 ");
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0], (std::pair<std::string, std::string>{"NOMBRE", "Juan"}));
  EXPECT_EQ(p[1], (std::pair<std::string, std::string>{"EDAD", "42"}));
  EXPECT_TRUE(LEERVARIABLES("").empty());
  FormPairs bare = LEERVARIABLES("solo");
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0].first, "SOLO");
  EXPECT_EQ(bare[0].second, "");
  EXPECT_EQ(LEERVARIABLES("\xF1u=1")[0].first, "\xD1U");
}

TEST(GetVariableTest, TypedValues) {
  FormPairs p = LEERVARIABLES(
      "texto=hola&num=12.5kg&nada=abc&fecha=05/03/2024&corta=5/3/24&"
      "mala=31/02/2024&cero=0&uno=1");
  EXPECT_EQ(GETPARVARIABLE(p, "texto  "), "hola");
  EXPECT_EQ(GETPARVARIABLE(p, "TEXTO"), "hola");
  EXPECT_EQ(GETPARVARIABLE(p, "falta"), "");

  EXPECT_EQ(GETVARIABLE(p, 'C', "texto"), Value("hola"));
  EXPECT_EQ(GETVARIABLE(p, 'N', "num"), Value(12.5));
  EXPECT_EQ(GETVARIABLE(p, 'N', "nada"), Value(0.0));
  EXPECT_EQ(GETVARIABLE(p, 'D', "fecha"), Value(Date{2024, 3, 5}));
  EXPECT_EQ(GETVARIABLE(p, 'D', "corta"), Value(Date{2024, 3, 5}));
  EXPECT_EQ(GETVARIABLE(p, 'D', "mala"), Value(Date{}));
  EXPECT_EQ(GETVARIABLE(p, 'L', "cero"), Value(false));
  EXPECT_EQ(GETVARIABLE(p, 'L', "uno"), Value(true));
  EXPECT_EQ(GETVARIABLE(p, 'L', "falta"), Value(true));
  EXPECT_EQ(GETVARIABLE(p, 'X', "texto"), Value("hola"));
}

}  // namespace
}  // namespace kelmar
