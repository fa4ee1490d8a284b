#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/xyz.h"

TEST(XyzFields, CommasBlanksAndTabsSeparateAlikeAndRunsCountAsOne) {
  const std::vector<std::string_view> expected = {"C", "0.0", "-1", "1.2"};
  EXPECT_EQ(SplitXyzFields(" C,0.0, \t-1,,1.2 "), expected);
  EXPECT_TRUE(SplitXyzFields(" ,\t, ").empty());
  EXPECT_EQ(SplitXyzFields("a b c d e", 2).size(), 2u);
}

TEST(XyzNumber, FortranExponentsAndStrictDecimalGrammar) {
  struct TCase { const char* Field; bool Ok; double Value; };
  const TCase cases[] = {
      {"1.5D-1", true, 0.15}, {"1.5d-1", true, 0.15}, {"-3e-05", true, -3e-05},
      {"2.", true, 2.0},      {"1D1d", false, 0},     {"1,5", false, 0},
      {"1e999", false, 0},    {"inf", false, 0},      {"nan", false, 0},
      {"0x10", false, 0},     {"", false, 0},         {"1.0 ", false, 0},
  };
  for (const TCase& c : cases) {
    double value = -7;
    EXPECT_EQ(ParseXyzNumber(c.Field, value), c.Ok) << c.Field;
    if (c.Ok) {
      EXPECT_DOUBLE_EQ(value, c.Value) << c.Field;
    }
  }
}

TEST(XyzWholeNumber, SignedDigitsWithinThe32BitRange) {
  struct TCase { const char* Field; bool Ok; int Value; };
  const TCase cases[] = {
      {"3", true, 3},   {"+3", true, 3},  {"03", true, 3}, {"-2", true, -2},
      {"2147483647", true, 2147483647},   {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},           {"99999999999", false, 0},
      {"3.0", false, 0}, {"3a", false, 0}, {"+", false, 0}, {"", false, 0}, {"1e3", false, 0},
      {"+-3", false, 0}, {"--3", false, 0}, {" 3", false, 0},
  };
  for (const TCase& c : cases) {
    int value = -7;
    EXPECT_EQ(ParseXyzWholeNumber(c.Field, value), c.Ok) << c.Field;
    if (c.Ok) {
      EXPECT_EQ(value, c.Value) << c.Field;
    }
  }
}

TEST(XyzElement, AtomicNumbersSymbolsAndLabels) {
  struct TCase { const char* Field; const char* Element; bool IsLabel; };
  const TCase cases[] = {
      {"26", "Fe", false}, {"+26", "Fe", false}, {"0", "", false},   {"120", "", false},
      {"FE", "Fe", false}, {"fe", "Fe", false},  {"Xx", "", false},  {"D", "", false},
      {"Q1", "Q", true},   {"CA1", "Ca", true},  {"C12", "C", true}, {"C1A", "C", true},
      {"Cx1", "C", true},  {"1H", "", true},     {"26.0", "", true},
  };
  for (const TCase& c : cases) {
    std::string element = "?";
    bool isLabel = !c.IsLabel;
    XyzElement(c.Field, element, isLabel);
    EXPECT_EQ(element, c.Element) << c.Field;
    EXPECT_EQ(isLabel, c.IsLabel) << c.Field;
  }
}
