#include <gtest/gtest.h>

#include <cmath>

#include "geometry/indices.h"

namespace {

constexpr double kTau4Span = 141.0575587310186;  // 360 - 2 x 109.47...

// cov for a correlation r.
double Cov(double r, double suBeta, double suAlpha) { return r * suBeta * suAlpha; }

}  // namespace

TEST(CorrelatedTauSu, WithoutCorrelationItIsTheUncorrelatedSu) {
  const double sb = 0.07, sa = 0.11;
  EXPECT_NEAR(Tau4SuCorrelated(sb, sa, 0), Tau4(170, sb, 160, sa).Su, 1e-16);
  EXPECT_NEAR(Tau4PrimeSuCorrelated(sb, sa, 0), Tau4Prime(170, sb, 160, sa).Su, 1e-16);
  EXPECT_NEAR(Tau5SuCorrelated(sb, sa, 0), Tau5(170, sb, 160, sa).Su, 1e-16);
}

TEST(CorrelatedTauSu, PerfectCorrelationAddsTheSuForASumAndSubtractsThemForADifference) {
  const double sb = 0.07, sa = 0.11;
  // tau4 falls with beta + alpha, tau5 rises with beta - alpha.
  EXPECT_NEAR(Tau4SuCorrelated(sb, sa, Cov(1, sb, sa)), (sb + sa) / kTau4Span, 1e-16);
  EXPECT_NEAR(Tau4SuCorrelated(sb, sa, Cov(-1, sb, sa)), (sa - sb) / kTau4Span, 1e-16);
  EXPECT_NEAR(Tau5SuCorrelated(sb, sa, Cov(1, sb, sa)), (sa - sb) / 60, 1e-16);
  EXPECT_NEAR(Tau5SuCorrelated(sb, sa, Cov(-1, sb, sa)), (sa + sb) / 60, 1e-16);
  // Equal su and r = 1: beta - alpha is exact; rounding never gives NaN.
  EXPECT_EQ(Tau5SuCorrelated(0.1, 0.1, Cov(1, 0.1, 0.1)), 0.0);
  EXPECT_EQ(Tau4SuCorrelated(0.3, 0.3, Cov(-1, 0.3, 0.3)), 0.0);
}

TEST(CorrelatedTauSu, Tau4PrimeWeighsTheCovarianceWithBothSlopes) {
  // tau4' = (beta - alpha) / (360 - 109.47) + (180 - beta) / (180 - 109.47)
  const double kb = 1 / 250.5287793655093 - 1 / 70.5287793655093;
  const double ka = -1 / 250.5287793655093;
  const double sb = 0.05, sa = 0.09, r = 0.41;
  const double expected = std::sqrt(kb * kb * sb * sb + ka * ka * sa * sa + 2 * kb * ka * Cov(r, sb, sa));
  EXPECT_NEAR(Tau4PrimeSuCorrelated(sb, sa, Cov(r, sb, sa)), expected, 1e-15);
  // Both slopes negative: a positive correlation raises the su.
  EXPECT_GT(Tau4PrimeSuCorrelated(sb, sa, Cov(r, sb, sa)), Tau4PrimeSuCorrelated(sb, sa, 0));
}

TEST(CorrelatedTauSu, TheCorrelationCoefficientIsBoundedAndZeroWithoutSu) {
  EXPECT_NEAR(BetaAlphaCorrelation(0.2, 0.5, 0.041), 0.41, 1e-15);
  EXPECT_EQ(BetaAlphaCorrelation(0.2, 0.5, 0.2), 1.0);
  EXPECT_EQ(BetaAlphaCorrelation(0.2, 0.5, -0.2), -1.0);
  EXPECT_EQ(BetaAlphaCorrelation(0, 0.5, 0.01), 0.0);
}

TEST(CorrelatedTauSu, Tau5AboveOneIsBetaMinusAlphaBeyondSixtyDegrees) {
  EXPECT_TRUE(Tau5AboveOne(179.0, 118.9));
  EXPECT_FALSE(Tau5AboveOne(180.0, 120.0));
}
