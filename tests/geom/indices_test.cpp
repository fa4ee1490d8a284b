#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/indices.h"

namespace {

constexpr double kTetrahedralAngle = 109.47122063449069;

struct TShapeCase {
  double Beta, Alpha;
  double Tau4, Tau4Prime;
  const char* Phrase;
  const char* Weights;
};

}  // namespace

TEST(Tau4, IdealShapesAndTheirWeights) {
  const TShapeCase cases[] = {
      {180, 180, 0, 0, "nearly square planar", "square planar 1.00, seesaw 0.00, tetrahedral 0.00"},
      {kTetrahedralAngle, kTetrahedralAngle, 1, 1, "nearly tetrahedral",
       "tetrahedral 1.00, seesaw 0.00, square planar 0.00"},
      {180, 120, 0.4253582760099618, 0.23949344323616775, "nearly seesaw",
       "seesaw 1.00, square planar 0.00, tetrahedral 0.00"},
      {175, 170, 0.10633, 0.09085, "distorted square planar",
       "square planar 0.85, seesaw 0.08, tetrahedral 0.07"},
  };
  for (const TShapeCase& c : cases) {
    const double t4 = Tau4(c.Beta, 0, c.Alpha, 0).Value;
    const double t4p = Tau4Prime(c.Beta, 0, c.Alpha, 0).Value;
    EXPECT_NEAR(t4, c.Tau4, 1e-5) << c.Phrase;
    EXPECT_NEAR(t4p, c.Tau4Prime, 1e-5) << c.Phrase;
    const TClassification4 k = Classify4(t4, t4p);
    EXPECT_EQ(k.Phrase, c.Phrase);
    EXPECT_EQ(k.WeightsText, c.Weights);
  }
}

TEST(Tau4, NegativeWeightsAreClippedAndTheRestRenormalised) {
  // Beyond the tetrahedron (tau4' above 1) the square planar weight is negative.
  const std::array<double, 3> w = ShapeWeights4(1.05, 1.05);
  EXPECT_EQ(w[0], 0.0);
  EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-15);
  EXPECT_EQ(w[2], 1.0);
}

TEST(Classify4, IntermediateNamesHeavierShapeFirst) {
  // Weights 0.6 square planar / 0.4 seesaw: tau4 - tau4' = 0.4 d, tau4' = 0.4 tau4'(seesaw).
  const double tau4p = 0.4 * 0.23949344323616775;
  const double tau4 = tau4p + 0.4 * 0.18586483277379404;
  const TClassification4 k = Classify4(tau4, tau4p);
  EXPECT_EQ(k.Phrase, "intermediate between square planar and seesaw");
  EXPECT_EQ(k.WeightsText, "square planar 0.60, seesaw 0.40, tetrahedral 0.00");
}

TEST(Classify4, NotANumberDoesNotCrash) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(Classify4(nan, nan).Phrase.empty());
}

TEST(Tau5, ThresholdsBelongToTheRangeAbove) {
  const std::pair<double, const char*> cases[] = {
      {1.0, "nearly trigonal bipyramidal"},
      {0.9, "nearly trigonal bipyramidal"},
      {0.8999, "distorted trigonal bipyramidal"},
      {0.6, "distorted trigonal bipyramidal"},
      {0.5999, "strongly distorted (between the ideal shapes)"},
      {0.4, "strongly distorted (between the ideal shapes)"},
      {0.3999, "distorted square pyramidal"},
      {0.1, "distorted square pyramidal"},
      {0.0999, "nearly square pyramidal"},
      {0.0, "nearly square pyramidal"},
      {std::numeric_limits<double>::quiet_NaN(), "nearly square pyramidal"},
  };
  for (const auto& [tau5, phrase] : cases) EXPECT_EQ(Classify5(tau5), phrase) << tau5;
}

TEST(IndexSu, AnglesOfOneTenthDegree) {
  EXPECT_NEAR(Tau4(175, 0.1, 170, 0.1).Su, 0.0010026, 5e-8);
  EXPECT_NEAR(Tau5(175, 0.1, 170, 0.1).Su, 0.0023570, 5e-8);
  const double expected = std::hypot(-0.010187051813062597 * 0.1, -0.003991557387269463 * 0.2);
  EXPECT_NEAR(Tau4Prime(175, 0.1, 170, 0.2).Su, expected, 1e-16);
  EXPECT_EQ(Tau4(175, 0, 170, 0).Su, 0.0);
}
