#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <stdexcept>
#include <string>

#include "base/format.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/vector.h"
#include "base/text.h"

namespace {

struct TFixedCase {
  double Value;
  int Decimals;
  const char* Text;
};

const TFixedCase kFixedCases[] = {
    {0.125, 2, "0.13"},       {1.005, 2, "1.00"},    {2.5, 0, "3"},          {0.5, 0, "1"},
    {1.25, 1, "1.3"},         {9.995, 2, "9.99"},    {9.9951, 2, "10.00"},   {999.96, 1, "1000.0"},
    {0.0, 3, "0.000"},        {-0.0, 2, "0.00"},     {-0.004, 2, "0.00"},    {-1.5, 0, "-2"},
    {-0.125, 2, "-0.13"},     {1e-300, 2, "0.00"},   {123456789.0, 0, "123456789"},
    {0.1, 20, "0.10000000000000000555"}, {1e21, 1, "1000000000000000000000.0"},
    {5e-324, 2, "0.00"},      {2.0, -1, "2"},
};

struct TSuCase {
  double Value, Su;
  int Decimals;
  const char* Text;
};

const TSuCase kSuCases[] = {
    {109.4712206, 0.0523, 2, "109.47(5)"},    {109.4712206, 0.0123, 2, "109.471(12)"},
    {109.4712206, 0.0196, 2, "109.47(2)"},    {109.4712206, 0.0095, 2, "109.471(10)"},
    {109.4712206, 0.001, 2, "109.4712(10)"},  {109.4712206, 0.25, 2, "109.5(2)"},
    {109.4712206, 2.5, 2, "109(2)"},          {109.4712206, 25, 2, "109(25)"},
    {109.4712206, 1.5e-10, 2, "109.47122060(1)"}, {109.4712206, 3.5, 2, "109(4)"},
    {109.4712206, 0, 2, "109.47"},            {109.4712206, -0.1, 3, "109.471"},
    {2.04131, 0.00123, 3, "2.0413(12)"},      {0.10594, 0.0010026, 3, "0.1059(10)"},
    {1.0, 1e300, 3, "1(1000000000000000052504760255204420248704468581108159154915854115511802457988908195786371375080447864043704443832883878176942523235360430575644792184786706982848387200926575803737830233794788090059368953234970799945081119038967640880074652742780142494579258788820056842838115669472196386865459400540160)"},
};

}  // namespace

TEST(FormatFixed, RoundsHalvesAwayFromZeroOnTheExactExpansion) {
  for (const TFixedCase& c : kFixedCases)
    EXPECT_EQ(FormatFixed(c.Value, c.Decimals), c.Text) << c.Value << " / " << c.Decimals;
}

TEST(FormatFixed, ExtremeValuesDoNotCrash) {
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 2), "inf");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 2), "-inf");
  EXPECT_NE(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 2).find("nan"), std::string::npos);
  const std::string largest = FormatFixed(std::numeric_limits<double>::max(), 1);
  EXPECT_EQ(largest.size(), 309u + 2u);
  EXPECT_EQ(largest.substr(0, 6), "179769");
}

TEST(FormatValueSu, FollowsTheCrystallographicConvention) {
  for (const TSuCase& c : kSuCases)
    EXPECT_EQ(FormatValueSu(c.Value, c.Su, c.Decimals), c.Text) << c.Su;
}

TEST(FormatValueSu, NonFiniteSuIsTreatedAsNoSu) {
  // A CIF may write 1e308(99), whose su overflows to infinity.
  EXPECT_EQ(FormatValueSu(2.5, std::numeric_limits<double>::infinity(), 3), "2.500");
  EXPECT_EQ(FormatValueSu(2.5, std::numeric_limits<double>::quiet_NaN(), 3), "2.500");
}

TEST(FormatValueSu, SmallestSuStillWritesOneDigit) {
  EXPECT_EQ(FormatValueSu(1.0, 5e-324, 2), "1.00000000(1)");
}

TEST(NumberFormatting, DecimalCommaLocaleDoesNotChangeOutput) {
#ifdef _WIN32
  GTEST_SKIP() << "MinGW's C++ library has no named C++ locales; the Windows C locale is checked by "
                  "DecimalCommaWindowsLocaleDoesNotChangeOutput";
#endif
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"};
  const char* chosen = nullptr;
  for (const char* name : names)
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma installed";
  try {
    std::locale::global(std::locale(chosen));
  } catch (const std::runtime_error&) {
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "C++ locale " << chosen << " not available";
  }
  const bool comma = std::localeconv()->decimal_point[0] == ',';
  const std::string fixed = FormatFixed(0.125, 2);
  const std::string withSu = FormatValueSu(109.4712206, 0.0123, 2);
  std::locale::global(std::locale::classic());
  std::setlocale(LC_ALL, "C");
  EXPECT_TRUE(comma) << chosen;
  EXPECT_EQ(fixed, "0.13");
  EXPECT_EQ(withSu, "109.471(12)");
}

#ifdef _WIN32
// Windows names its locales differently, and there the C locale alone decides
// what printf and strtod make of a decimal point.
TEST(NumberFormatting, DecimalCommaWindowsLocaleDoesNotChangeOutput) {
  const char* chosen = nullptr;
  for (const char* name : {"German_Germany.1252", "deu_deu", "French_France.1252"})
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  if (chosen == nullptr) GTEST_SKIP() << "no Windows locale with a decimal comma";
  const bool comma = std::localeconv()->decimal_point[0] == ',';
  const std::string fixed = FormatFixed(0.125, 2);
  const std::string withSu = FormatValueSu(109.4712206, 0.0123, 2);
  double parsed = 0.0;
  const bool read = ParseDecimal("109.47", parsed);
  std::setlocale(LC_ALL, "C");
  EXPECT_TRUE(comma) << chosen;
  EXPECT_EQ(fixed, "0.13");
  EXPECT_EQ(withSu, "109.471(12)");
  EXPECT_TRUE(read);
  EXPECT_EQ(parsed, 109.47);
}
#endif
