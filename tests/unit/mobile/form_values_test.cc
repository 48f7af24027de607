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

  EXPECT_EQ(std::get<std::string>(GETVARIABLE(p, 'C', "texto")), "hola");
  EXPECT_EQ(std::get<double>(GETVARIABLE(p, 'N', "num")), 12.5);
  EXPECT_EQ(std::get<double>(GETVARIABLE(p, 'N', "nada")), 0);
  EXPECT_EQ(std::get<FormDate>(GETVARIABLE(p, 'D', "fecha")),
            (FormDate{2024, 3, 5}));
  EXPECT_EQ(std::get<FormDate>(GETVARIABLE(p, 'D', "corta")),
            (FormDate{2024, 3, 5}));
  EXPECT_EQ(std::get<FormDate>(GETVARIABLE(p, 'D', "mala")), FormDate{});
  EXPECT_FALSE(std::get<bool>(GETVARIABLE(p, 'L', "cero")));
  EXPECT_TRUE(std::get<bool>(GETVARIABLE(p, 'L', "uno")));
  EXPECT_TRUE(std::get<bool>(GETVARIABLE(p, 'L', "falta")));
}

}  // namespace
}  // namespace kelmar
