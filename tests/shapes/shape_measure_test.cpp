// The continuous shape measure and its exact search over assignments.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "geometry/indices.h"
#include "geometry/shape_analysis.h"
#include "support/shape_support.h"
#include "geometry/shapes.h"

namespace {

const TShapeReference& Reference(int cn, const char* label) {
  const TShapeReference* reference = FindShapeReference(cn, label);
  if (reference == nullptr) throw std::runtime_error(std::string("no reference ") + label);
  return *reference;
}

std::vector<TVec3> PointsOf(const TShapeReference& reference) {
  return {reference.Points.begin(), reference.Points.end()};
}

double Measure(const std::vector<TVec3>& points, int cn, const char* label) {
  return FitShape(points, Reference(cn, label)).Measure;
}

TVec3 Transformed(const TMat3& r, double scale, const TVec3& shift, const TVec3& p) {
  const TVec3 rotated = MatVec(r, p);
  return {scale * rotated[0] + shift[0], scale * rotated[1] + shift[1],
          scale * rotated[2] + shift[2]};
}

// Ligands at bond length d: two pairs at +-a from +z and -z, in the xz and
// yz planes. a = 90 deg is the square, a = 54.74 deg the tetrahedron.
std::vector<TVec3> SquareToTetrahedron(double aDegrees, double d) {
  const double s = d * std::sin(aDegrees * kDegToRad), c = d * std::cos(aDegrees * kDegToRad);
  return {{s, 0, c}, {-s, 0, c}, {0, s, -c}, {0, -s, -c}, {0, 0, 0}};
}

double AngleAtOrigin(const TVec3& u, const TVec3& w) {
  const double dot = u[0] * w[0] + u[1] * w[1] + u[2] * w[2];
  return std::acos(dot / std::sqrt((u[0] * u[0] + u[1] * u[1] + u[2] * u[2]) *
                                   (w[0] * w[0] + w[1] * w[1] + w[2] * w[2]))) *
         kRadToDeg;
}

}  // namespace

TEST(ShapeMeasure, EveryReferenceAgainstItselfIsZeroHoweverPlacedAndNumbered) {
  std::mt19937 rng(20240612);
  std::uniform_real_distribution<double> uniform(-5, 5);
  for (const TShapeReference& reference : AllShapeReferences())
    for (int trial = 0; trial < 3; ++trial) {
      SCOPED_TRACE(std::string(reference.Label) + " trial " + std::to_string(trial));
      const TMat3 r = RandomOrthogonal(rng, trial != 1);
      const double scale = 0.5 + (uniform(rng) + 5) / 4;
      const TVec3 shift{uniform(rng), uniform(rng), uniform(rng)};
      std::vector<int> order(static_cast<size_t>(reference.CN));
      std::iota(order.begin(), order.end(), 0);
      std::shuffle(order.begin(), order.end(), rng);
      std::vector<TVec3> points;
      for (int v : order)
        points.push_back(Transformed(r, scale, shift, reference.Points[static_cast<size_t>(v)]));
      points.push_back(Transformed(r, scale, shift, reference.Points.back()));
      const TShapeFit fit = FitShape(points, reference);
      EXPECT_NEAR(fit.Measure, 0, 1e-9);
      EXPECT_GE(fit.Measure, 0);
    }
}

TEST(ShapeMeasure, CrossValuesOfTheIdealShapesAreTheSameEitherWayRound) {
  const struct {
    int CN;
    const char* X;
    const char* Y;
    double Expected;
  } cases[] = {
      {4, "SP-4", "T-4", 33.333},    {4, "SS-4", "SP-4", 19.050},   {4, "T-4", "SS-4", 9.790},
      {5, "SPY-5", "TBPY-5", 5.384}, {5, "vOC-5", "TBPY-5", 7.342}, {6, "OC-6", "TPR-6", 16.737},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.X) + " vs " + c.Y);
    EXPECT_NEAR(Measure(PointsOf(Reference(c.CN, c.Y)), c.CN, c.X), c.Expected, 0.0005);
    EXPECT_NEAR(Measure(PointsOf(Reference(c.CN, c.X)), c.CN, c.Y), c.Expected, 0.0005);
    // The minimal-distortion path runs from (0, S) to (S, 0) and keeps its
    // equation on the way: the two arcsines add up to theta_XY.
    const std::vector<std::array<double, 2>> path =
        ShapePathCurve(Reference(c.CN, c.X), Reference(c.CN, c.Y), 7);
    ASSERT_EQ(path.size(), 7u);
    EXPECT_EQ(path.front()[0], 0.0);
    EXPECT_NEAR(path.front()[1], c.Expected, 0.0005);
    EXPECT_NEAR(path.back()[0], c.Expected, 0.0005);
    const double theta = std::asin(std::sqrt(c.Expected) / 10);
    for (const auto& [a, b] : path)
      EXPECT_NEAR(std::asin(std::sqrt(a) / 10) + std::asin(std::sqrt(b) / 10), theta, 1e-4);
  }
  // The square against the tetrahedron is exactly one third.
  EXPECT_NEAR(Measure(PointsOf(Reference(4, "T-4")), 4, "SP-4"), 100.0 / 3, 1e-9);
}

TEST(ShapeMeasure, PublishedFragmentsOfTheShapeManualAreMatched) {
  // SHAPE 2.1 manual, example 1: Cartesian coordinates, the central atom last.
  const std::vector<TVec3> aboxiy = {{3.9023, 7.5659, 14.2563},
                                     {3.9912, 8.8145, 16.4883},
                                     {1.0864, 9.0325, 13.3242},
                                     {1.4893, 10.6356, 16.0313},
                                     {2.7159, 8.9642, 15.0153}};
  EXPECT_NEAR(Measure(aboxiy, 4, "SP-4"), 0.970, 0.0005);
  EXPECT_NEAR(Measure(aboxiy, 4, "T-4"), 31.375, 0.0005);
  const std::vector<TVec3> acacpt = {{0.6294, 1.3760, -1.2703},
                                     {-0.6294, -1.3760, 1.2703},
                                     {-1.7613, 0.9024, 0.3486},
                                     {1.7613, -0.9024, -0.3486},
                                     {0, 0, 0}};
  EXPECT_NEAR(Measure(acacpt, 4, "SP-4"), 0.160, 0.0005);
  EXPECT_NEAR(Measure(acacpt, 4, "T-4"), 33.440, 0.0005);
}

TEST(ShapeMeasure, OnTheSquareToTetrahedronPathTheMeasureFollowsTau4) {
  const TShapeReference& square = Reference(4, "SP-4");
  const TShapeReference& tetrahedron = Reference(4, "T-4");
  const double theta = std::asin(1 / std::sqrt(3.0));  // 35.26439 deg
  EXPECT_NEAR(PathAngle(square, tetrahedron), theta, 1e-12);
  for (double a = 90; a >= 54.7356; a -= 4.5) {
    SCOPED_TRACE("a = " + std::to_string(a));
    const std::vector<TVec3> points = SquareToTetrahedron(a, 1.95);
    std::vector<double> angles;
    for (size_t i = 0; i < 4; ++i)
      for (size_t k = i + 1; k < 4; ++k) angles.push_back(AngleAtOrigin(points[i], points[k]));
    std::sort(angles.rbegin(), angles.rend());
    const double tau4 = Tau4(angles[0], 0, angles[1], 0).Value;
    const double sp4 = FitShape(points, square).Measure;
    const double t4 = FitShape(points, tetrahedron).Measure;
    EXPECT_NEAR(sp4, 100 * std::pow(std::sin(tau4 * theta), 2), 1e-9);
    const TShapePath path = PathFigures(square, tetrahedron, sp4, t4);
    EXPECT_EQ(path.Label, "SP-4/T-4");
    EXPECT_NEAR(path.Coordinate, 100 * tau4, 1e-7);
    EXPECT_NEAR(path.Deviation, 0, 1e-7);  // the path itself
  }
}

TEST(ShapeMeasure, TheSearchFindsTheMinimumOverAllAssignments) {
  std::mt19937 rng(4242);
  std::normal_distribution<double> noise(0, 0.12);
  for (int cn = 4; cn <= 7; ++cn) {
    const int polyhedra = cn == 7 ? 3 : 6;
    for (int trial = 0; trial < polyhedra; ++trial) {
      // Random polyhedra, and ideal ones with noise, where the symmetry of
      // the reference decides most of the pruning.
      std::vector<TVec3> points = RandomPolyhedron(rng, cn);
      if (trial % 2 == 1) {
        const std::vector<const TShapeReference*> references = ShapeReferencesOfCN(cn);
        const TShapeReference& ideal = *references[static_cast<size_t>(trial) % references.size()];
        for (size_t i = 0; i < points.size(); ++i)
          for (size_t k = 0; k < 3; ++k) points[i][k] = 2 * ideal.Points[i][k] + noise(rng);
      }
      for (const TShapeReference* reference : ShapeReferencesOfCN(cn)) {
        SCOPED_TRACE("CN " + std::to_string(cn) + " trial " + std::to_string(trial) + " " +
                     std::string(reference->Label));
        const TShapeFit searched = FitShape(points, *reference);
        const TShapeFit brute = FitShapeByAllAssignments(points, *reference);
        EXPECT_NEAR(searched.Measure, brute.Measure, 1e-9);
        EXPECT_NEAR(ShapeMeasureOfAssignment(points, *reference, searched.Vertex), searched.Measure,
                    1e-12);
      }
    }
  }
}

TEST(ShapeMeasure, CN8AgainstEveryReferenceMatchesTheBruteForce) {
  std::mt19937 rng(88);
  const std::vector<TVec3> points = RandomPolyhedron(rng, 8);
  for (const TShapeReference* reference : ShapeReferencesOfCN(8))
    EXPECT_NEAR(FitShape(points, *reference).Measure,
                FitShapeByAllAssignments(points, *reference).Measure, 1e-9)
        << reference->Label;
}

TEST(ShapeMeasure, PolyhedraThatDoNotFitGiveNoNumber) {
  const TShapeReference& square = Reference(4, "SP-4");
  const std::vector<TVec3> three = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 0}};
  EXPECT_TRUE(std::isnan(FitShape(three, square).Measure));
  const std::vector<TVec3> collapsed(5, TVec3{1, 2, 3});
  EXPECT_TRUE(std::isnan(FitShape(collapsed, square).Measure));
  EXPECT_TRUE(std::isnan(FitShapeByAllAssignments(collapsed, square).Measure));
  std::vector<TVec3> unknown = SquareToTetrahedron(70, 2);
  unknown[2] = {std::nan(""), 0, 0};
  EXPECT_TRUE(std::isnan(FitShape(unknown, square).Measure));
}

TEST(ShapeMeasure, ALinearCentreIsZeroForTheLineAndExactForTheOthers) {
  const std::vector<TVec3> linear = {{0, 0, 1.9}, {0, 0, -1.9}, {0, 0, 0}};
  EXPECT_NEAR(Measure(linear, 2, "L-2"), 0, 1e-12);
  for (const TShapeReference* reference : ShapeReferencesOfCN(2))
    EXPECT_NEAR(FitShape(linear, *reference).Measure,
                FitShapeByAllAssignments(linear, *reference).Measure, 1e-12);
}

TEST(SumOfSingularValues, IsTheTraceNormAlsoForRankOneAndTwoAndReflections) {
  std::mt19937 rng(7);
  const TVec3 cases[] = {{3, 2, 1}, {3, 2, 0}, {3, 0, 0},   {1, 1, -1},
                         {2, 2, 2}, {0, 0, 0}, {1e-9, 1, 5}};
  for (const TVec3& d : cases) {
    const TMat3 u = RandomOrthogonal(rng, false), v = RandomOrthogonal(rng, true);
    TMat3 m{};
    for (size_t i = 0; i < 3; ++i)
      for (size_t j = 0; j < 3; ++j)
        for (size_t k = 0; k < 3; ++k) m[i][j] += u[i][k] * d[k] * v[j][k];
    const double expected = std::fabs(d[0]) + std::fabs(d[1]) + std::fabs(d[2]);
    EXPECT_NEAR(SumOfSingularValues(m), expected, 1e-14 * 8) << d[0] << " " << d[1] << " " << d[2];
  }
}

TEST(ReferenceSymmetry, CountsTheExactSymmetriesOfTheVertices) {
  const struct {
    int CN;
    const char* Label;
    size_t Order;
  } cases[] = {{2, "L-2", 2},    {4, "SP-4", 8},    {4, "T-4", 24},
               {4, "SS-4", 4},   {5, "TBPY-5", 12}, {6, "OC-6", 48},
               {6, "TPR-6", 12}, {8, "CU-8", 48},   {8, "SAPR-8", 16}};
  for (const auto& c : cases) {
    const std::vector<std::vector<int>>& group = ReferenceSymmetry(Reference(c.CN, c.Label));
    EXPECT_EQ(group.size(), c.Order) << c.Label;
    std::vector<int> identity(static_cast<size_t>(c.CN));
    std::iota(identity.begin(), identity.end(), 0);
    ASSERT_FALSE(group.empty());
    EXPECT_EQ(group.front(), identity);
  }
}
