#include <gtest/gtest.h>

#include <cmath>

#include "io/cif.h"

namespace {

TEST(CifNumber, NullValuesAreBlankQuestionMarkAndDot) {
  for (const char* text : {"", "?", ".", "  ?\t", "\r\n.\n", " "}) EXPECT_TRUE(IsNullValue(text)) << text;
  for (const char* text : {"0", "'?'", "..", "?x", "-"}) EXPECT_FALSE(IsNullValue(text)) << text;
}

struct TNumberCase {
  const char* Text;
  bool Read;
  double Value;
  double Su;
};

void ExpectNumber(const TNumberCase& c) {
  double value = -1, su = -1;
  EXPECT_EQ(ParseNumberSu(c.Text, value, su), c.Read) << c.Text;
  EXPECT_NEAR(value, c.Value, std::fabs(c.Value) * 1e-14) << c.Text;
  EXPECT_NEAR(su, c.Su, c.Su * 1e-12) << c.Text;
}

TEST(CifNumber, SuScalesWithTheLastWrittenDigit) {
  const TNumberCase cases[] = {
      {"1.234(5)", true, 1.234, 0.005},     {"1.2(12)", true, 1.2, 1.2},
      {"12(3)", true, 12, 3},               {"1.5e-3(2)", true, 0.0015, 0.0002},
      {"-0.5", true, -0.5, 0},              {"90", true, 90, 0},
      {"1.23(4", true, 1.23, 0.04},         {"0.12(x)", true, 0.12, 0},
      {"1.234()", true, 1.234, 0},          {"1.00E2(5)", true, 100, 5},
      {"1.5(2)e3", true, 1.5, 0.2},         {".14056(8)", true, 0.14056, 0.00008},
      {"5.", true, 5, 0},                   {"5.(2)", true, 5, 2},
      {"+2.50(15)", true, 2.5, 0.15},       {"  7.1(3)\r\n", true, 7.1, 0.3},
      {"1.5(0.2)", true, 1.5, 0.02},        {"2.0(1e1)", true, 2.0, 1.0},
      {"1.5 (2)", true, 1.5, 0.2},          {"1e2(3)", true, 100, 300},
  };
  for (const TNumberCase& c : cases) ExpectNumber(c);
}

// The records carry the full double: 139.8(4) must say 0.4, not
// 0.3999999999999999.
TEST(CifNumber, SuIsTheDoubleNearestToItsDecimalValue) {
  const struct {
    const char* Text;
    double Su;
  } cases[] = {{"139.8(4)", 0.4},       {"108.5(3)", 0.3},    {"1.234(5)", 0.005},
               {".14056(8)", 0.00008},  {"1.5e-3(2)", 0.0002}, {"2.0(1e1)", 1.0},
               {"1.5(0.2)", 0.02},      {"3.1(13)", 1.3},      {"0.00214(7)", 0.00007}};
  for (const auto& c : cases) {
    double value = 0, su = 0;
    ASSERT_TRUE(ParseNumberSu(c.Text, value, su)) << c.Text;
    EXPECT_EQ(su, c.Su) << c.Text;
  }
}

TEST(CifNumber, TextsThatAreNoNumbersFail) {
  const TNumberCase cases[] = {
      {"?", false, 0, 0},      {".", false, 0, 0},      {"", false, 0, 0},
      {"abc(3)", false, 0, 0}, {"1,5", false, 0, 0},    {"(3)", false, 0, 0},
      {"1.2.3", false, 0, 0},  {"inf", false, 0, 0},    {"nan(2)", false, 0, 0},
      {"0x1A", false, 0, 0},   {"1e", false, 0, 0},     {"1)2(3", false, 0, 0},
      {"1e999(2)", false, 0, 0},
  };
  for (const TNumberCase& c : cases) ExpectNumber(c);
}

TEST(CifNumber, AnSuThatCannotBeASuReadsAsZero) {
  const TNumberCase cases[] = {
      {"1.5(1e999)", true, 1.5, 0},  // overflows a double
      {"1e300(1e300)", true, 1e300, 0},  // overflows once scaled
      {"1.5(-3)", true, 1.5, 0},     // negative
      {"1.5(0)", true, 1.5, 0},
      {"1e-400(5)", true, 0, 0},     // value and scaled su underflow to 0
      {"1.0e99999999999(5)", false, 0, 0},
  };
  for (const TNumberCase& c : cases) ExpectNumber(c);
}

}  // namespace
