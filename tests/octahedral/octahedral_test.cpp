#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <stdexcept>

#include "geometry/octahedral.h"
#include "support/polyhedra.h"

namespace {

const TVec3 kOrigin{0, 0, 0};

std::array<int, 6> RandomOrder(std::mt19937& random) {
  std::array<int, 6> order{};
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), random);
  return order;
}

double Deg(double radians) { return radians * kRadToDeg; }

// The eight face sums of an octahedron elongated (or compressed) along z,
// equatorial bonds a and axial bonds b, all angles 90 degrees: each face is
// equivalent. With n = (b, b, a) / N the outward normal of the face on +x, +y,
// +z, N = sqrt(2 b^2 + a^2), the projected angles about the projected M are
// atan(N / a) four times and atan(a N / b^2) twice.
double ElongatedFaceSum(double a, double b) {
  const double n = std::sqrt(2 * b * b + a * a);
  return 4 * std::fabs(Deg(std::atan(n / a)) - 60) + 2 * std::fabs(Deg(std::atan(a * n / (b * b))) - 60);
}

std::vector<TVec3> SitesOf(const TVec3& centre, const TSixPositions& ligands) {
  std::vector<TVec3> sites(ligands.begin(), ligands.end());
  sites.push_back(centre);
  return sites;
}

}  // namespace

TEST(OctahedralParameters, AnIdealOctahedronHasNoDistortionInAnyPlaceAndLigandOrder) {
  std::mt19937 random(7);
  const TSixPositions ideal = AxialOctahedron({2.05, 2.05, 2.05, 2.05, 2.05, 2.05});
  for (int trial = 0; trial < 20; ++trial) {
    const TRigidMotion motion = RandomMotion(random);
    const std::array<int, 6> order = RandomOrder(random);
    const TOctahedralAnalysis a = AnalyseOctahedron(motion.Apply(kOrigin), Reordered(Moved(motion, ideal), order));
    ASSERT_TRUE(a.Usable);
    const TOctahedralParameters& p = a.Parameters;
    EXPECT_NEAR(p.MeanBond, 2.05, 1e-12);
    EXPECT_NEAR(p.Zeta, 0, 1e-12);
    EXPECT_NEAR(p.Delta, 0, 1e-24);
    EXPECT_NEAR(p.Sigma, 0, 1e-9);
    EXPECT_NEAR(p.Theta, 0, 1e-9);
    EXPECT_NEAR(p.ThetaMin, 0, 1e-9);
    EXPECT_NEAR(p.ThetaMax, 0, 1e-9);
    EXPECT_NEAR(a.SmallestTransAngle, 180, 1e-9);
    EXPECT_FALSE(a.FarFromOctahedron);
    EXPECT_FALSE(a.Choices.TransPairsTied);
    // 3 x 180 against 180 + 90 + 90.
    EXPECT_NEAR(a.Choices.TransPairsMargin, 180, 1e-9);
    // Ligand 2k and 2k + 1 of the ideal list are trans.
    for (int k = 0; k < 6; ++k) EXPECT_EQ(order[a.Choices.TransPartner[k]], order[k] ^ 1) << trial;
    // Every |x| is at zero: its derivative is taken as 0 and the report says so.
    EXPECT_EQ(a.ZeroTerms.Zeta, 6);
    EXPECT_EQ(a.ZeroTerms.Sigma, 12);
    EXPECT_EQ(a.ZeroTerms.Theta, 48);
    EXPECT_TRUE(a.Choices.ThetaSplitTied);
  }
}

TEST(OctahedralParameters, ZetaAndDeltaOfAJahnTellerOctahedronFollowTheHandFormulas) {
  struct TCase {
    double Equatorial, Axial;
  };
  // Elongated Cu(II), strongly elongated, and compressed.
  for (const TCase& c : {TCase{2.00, 2.40}, TCase{1.95, 2.60}, TCase{2.10, 1.90}}) {
    const double a = c.Equatorial, b = c.Axial;
    const TOctahedralAnalysis r = AnalyseOctahedron(kOrigin, AxialOctahedron({a, a, a, a, b, b}));
    const double mean = (4 * a + 2 * b) / 6;
    // d_i - d_mean is (a - b) / 3 four times and 2 (b - a) / 3 twice.
    EXPECT_NEAR(r.Parameters.MeanBond, mean, 1e-14);
    EXPECT_NEAR(r.Parameters.Zeta, 8 * std::fabs(b - a) / 3, 1e-14);
    EXPECT_NEAR(r.Parameters.Delta, 2.0 / 9.0 * (b - a) * (b - a) / (mean * mean), 1e-15);
    EXPECT_EQ(r.Parameters.Sigma, 0);
    EXPECT_EQ(r.ZeroTerms.Sigma, 12);
    EXPECT_EQ(r.ZeroTerms.Zeta, 0);
    // Theta is not blind to bond lengths: the face planes tilt with them.
    for (double face : r.Parameters.FaceSums) EXPECT_NEAR(face, ElongatedFaceSum(a, b), 1e-10);
    EXPECT_NEAR(r.Parameters.Theta, 4 * ElongatedFaceSum(a, b), 1e-9);
  }
}

TEST(OctahedralParameters, ZetaAndDeltaOfSixDifferentBondsMatchAHandSum) {
  // d = 1.90 2.00 2.05 2.10 2.15 2.30, mean 125/60 A; the deviations are
  // -11, -5, -2, 1, 4 and 13 sixtieths of an Angstrom: zeta = 36/60, the
  // squares add up to 336/3600, and Delta = (336/3600) / (125/60)^2 / 6 =
  // 336 / 15625 / 6 = 0.003584.
  const TOctahedralParameters p =
      AnalyseOctahedron(kOrigin, AxialOctahedron({1.90, 2.00, 2.05, 2.10, 2.15, 2.30})).Parameters;
  EXPECT_NEAR(p.MeanBond, 125.0 / 60, 1e-14);
  EXPECT_NEAR(p.Zeta, 0.6, 1e-14);
  EXPECT_NEAR(p.Delta, 0.003584, 1e-15);
}

TEST(OctahedralParameters, SigmaOfKnownCisAnglesIsTheirHandSum) {
  // Trans axes u, v, w with u.v = cos 85, u.w = cos 100, v.w = cos 92: the
  // twelve cis angles are 85, 95, 100, 80, 92 and 88, four times each.
  const TVec3 u{1, 0, 0};
  const TVec3 v{std::cos(85 * kDegToRad), std::sin(85 * kDegToRad), 0};
  const double wx = std::cos(100 * kDegToRad);
  const double wy = (std::cos(92 * kDegToRad) - v[0] * wx) / v[1];
  const TVec3 w{wx, wy, std::sqrt(1 - wx * wx - wy * wy)};
  const TVec3 m{0.3, -1.2, 4.0};
  // Unequal bonds do not change the angles.
  const TSixPositions ligands = {Plus(m, Scaled(u, 2.0)),  Plus(m, Scaled(u, -2.1)),
                                 Plus(m, Scaled(v, 1.95)), Plus(m, Scaled(v, -2.2)),
                                 Plus(m, Scaled(w, 2.3)),  Plus(m, Scaled(w, -2.05))};
  const TOctahedralAnalysis a = AnalyseOctahedron(m, ligands);
  EXPECT_NEAR(a.Parameters.Sigma, 4 * (5 + 10 + 2), 1e-10);
  EXPECT_EQ(a.ZeroTerms.Sigma, 0);
  EXPECT_NEAR(a.SmallestTransAngle, 180, 1e-10);
  std::array<std::array<int, 2>, 3> expected = {{{0, 1}, {2, 3}, {4, 5}}};
  EXPECT_EQ(a.Choices.TransPairs, expected);
}

TEST(OctahedralParameters, ThetaOfATrigonalTwistFollowsTheTwistOnTheFacesAcrossTheAxis) {
  // Faces 0 (the three upper ligands) and 7 (the three lower) lie across the
  // threefold axis: their six projected angles are the twist and 120 minus
  // it, so each face gives 6 |60 - twist|. The other six faces are equivalent
  // under D3.
  double previous = -1;
  for (double twist = 60; twist >= 0; twist -= 5) {
    const TOctahedralAnalysis a = AnalyseOctahedron(kOrigin, TwistedTriangles(twist, kOctahedronHeight));
    const TOctahedralParameters& p = a.Parameters;
    std::vector<double> axial, side;
    for (int f = 0; f < kOctaFaces; ++f) {
      const std::array<int, 3>& face = a.Choices.Faces[f];
      const int upper = static_cast<int>(std::count_if(face.begin(), face.end(), [](int i) { return i < 3; }));
      (upper == 0 || upper == 3 ? axial : side).push_back(p.FaceSums[f]);
    }
    ASSERT_EQ(axial.size(), 2u) << twist;
    for (double face : axial) EXPECT_NEAR(face, 6 * std::fabs(60 - twist), 1e-9) << twist;
    for (double face : side) EXPECT_NEAR(face, side[0], 1e-9) << twist;
    EXPECT_NEAR(p.Theta, 6 * std::fabs(60 - twist) + 3 * side[0], 1e-9);
    // Untwisting towards the prism only adds distortion.
    EXPECT_GT(p.Theta, previous) << twist;
    previous = p.Theta;
    EXPECT_NEAR(p.Theta, (p.ThetaMin + p.ThetaMax) / 2, 1e-9);
  }
  EXPECT_NEAR(AnalyseOctahedron(kOrigin, TwistedTriangles(60, kOctahedronHeight)).Parameters.Theta, 0, 1e-9);
}

TEST(OctahedralParameters, TheEquilateralTrigonalPrismHasThetaOf1170Degrees) {
  // Across the axis each projected angle is 0 or 120: 6 x 60 = 360 per face.
  // A side face lies in a square face of the prism; M projects to its centre,
  // the far edge onto its midline, and the six angles are 45, 45, 135, -45,
  // 90, 90: 270 in all. Theta = (2 x 360 + 6 x 270) / 2.
  const TOctahedralAnalysis a = AnalyseOctahedron(kOrigin, TwistedTriangles(0, kEquilateralPrismHeight));
  const TOctahedralParameters& p = a.Parameters;
  std::array<double, kOctaFaces> sums = p.FaceSums;
  std::sort(sums.begin(), sums.end());
  for (int f = 0; f < 6; ++f) EXPECT_NEAR(sums[f], 270, 1e-9);
  EXPECT_NEAR(sums[6], 360, 1e-9);
  EXPECT_NEAR(sums[7], 360, 1e-9);
  EXPECT_NEAR(p.Theta, 1170, 1e-9);
  EXPECT_NEAR(p.ThetaMin, 4 * 270, 1e-9);
  EXPECT_NEAR(p.ThetaMax, 2 * 360 + 2 * 270, 1e-9);
  // The prism is pairable two ways with equal angle sums.
  EXPECT_TRUE(a.Choices.TransPairsTied);
  EXPECT_NEAR(a.Choices.TransPairsMargin, 0, 1e-9);
  EXPECT_TRUE(a.Choices.ThetaSplitTied);
  EXPECT_TRUE(a.FarFromOctahedron);
  // Twisting it towards the antiprism lowers Theta; stretching it raises
  // Theta beyond 1170, so the equilateral prism is no upper bound.
  EXPECT_LT(AnalyseOctahedron(kOrigin, TwistedTriangles(5, kEquilateralPrismHeight)).Parameters.Theta, 1170);
  EXPECT_GT(AnalyseOctahedron(kOrigin, TwistedTriangles(0, 0.75)).Parameters.Theta, 1170);
}

TEST(OctahedralParameters, TransPairsAreTheBestMatchingNotTheThreeLargestAngles) {
  // +y is bent 60 degrees towards -x: the three largest angles are 180, 180
  // and 150 (+x to bent +y), which share +x; the matching keeps +x with -x
  // and pairs the bent ligand with -y at 120 degrees.
  TSixPositions ligands = AxialOctahedron({2, 2, 2, 2, 2, 2});
  ligands[2] = Polar(2, 90, 150);
  std::mt19937 random(11);
  for (int trial = 0; trial < 6; ++trial) {
    const std::array<int, 6> order = RandomOrder(random);
    const TOctahedralAnalysis a = AnalyseOctahedron(kOrigin, Reordered(ligands, order));
    for (int k = 0; k < 6; ++k) EXPECT_EQ(order[a.Choices.TransPartner[k]], order[k] ^ 1) << trial;
    EXPECT_NEAR(a.SmallestTransAngle, 120, 1e-9);
    EXPECT_TRUE(a.FarFromOctahedron);
    for (const std::array<int, 2>& pair : a.Choices.TransPairs) EXPECT_LT(pair[0], pair[1]);
  }
}

TEST(OctahedralParameters, EveryFaceRunsAnticlockwiseSeenFromOutside) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> noise(-0.25, 0.25);
  TSixPositions ligands = AxialOctahedron({2.0, 2.1, 1.9, 2.2, 2.05, 2.15});
  for (TVec3& l : ligands)
    for (double& x : l) x += noise(random);
  const TVec3 centre{0.05, -0.03, 0.02};
  const TOctahedralAnalysis a = AnalyseOctahedron(centre, ligands);
  std::array<int, 6> seen{};
  for (const std::array<int, 3>& face : a.Choices.Faces) {
    const TVec3 n = CrossProduct(Minus(ligands[face[1]], ligands[face[0]]), Minus(ligands[face[2]], ligands[face[0]]));
    EXPECT_GT(DotProduct(n, Minus(ligands[face[0]], centre)), 0);
    for (int i : face) ++seen[i];
    // One ligand of each trans pair.
    for (int i : face) EXPECT_EQ(std::count(face.begin(), face.end(), a.Choices.TransPartner[i]), 0);
  }
  for (int count : seen) EXPECT_EQ(count, 4);
  EXPECT_FALSE(a.Choices.FaceThroughCentre);
}

TEST(OctahedralParameters, HeldChoicesReproduceTheAnalysisAndStepSmoothly) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> noise(-0.15, 0.15);
  TSixPositions ligands = AxialOctahedron({2.0, 2.1, 1.9, 2.2, 2.05, 2.15});
  for (TVec3& l : ligands)
    for (double& x : l) x += noise(random);
  const TVec3 centre{0.05, -0.03, 0.02};
  const TOctahedralAnalysis a = AnalyseOctahedron(centre, ligands);
  ASSERT_FALSE(a.Choices.ThetaSplitTied);
  std::vector<double> values;
  const TSitesFunction f = OctahedralValueFunction(a.Choices);
  std::vector<TVec3> sites = SitesOf(centre, ligands);
  f(sites, values);
  ASSERT_EQ(values.size(), static_cast<size_t>(kOctaValueCount));
  const TOctahedralParameters& p = a.Parameters;
  const double expected[] = {p.MeanBond, p.Zeta, p.Delta, p.Sigma, p.Theta, p.ThetaMin, p.ThetaMax};
  for (int k = 0; k < kOctaFirstFaceSum; ++k) EXPECT_EQ(values[k], expected[k]) << k;
  for (int f8 = 0; f8 < kOctaFaces; ++f8) EXPECT_EQ(values[kOctaFirstFaceSum + f8], p.FaceSums[f8]);
  EXPECT_NEAR(p.Theta, (p.ThetaMin + p.ThetaMax) / 2, 1e-10);

  // Central differences with steps h and h / 10 agree for every coordinate
  // of every site: no kink and no re-made choice within the step.
  for (size_t s = 0; s < sites.size(); ++s)
    for (int axis = 0; axis < 3; ++axis) {
      auto slope = [&](double h) {
        std::vector<TVec3> up = sites, down = sites;
        up[s][axis] += h;
        down[s][axis] -= h;
        std::vector<double> vu, vd;
        f(up, vu);
        f(down, vd);
        std::vector<double> d(vu.size());
        for (size_t k = 0; k < d.size(); ++k) d[k] = (vu[k] - vd[k]) / (2 * h);
        return d;
      };
      const std::vector<double> coarse = slope(1e-4), fine = slope(1e-5);
      for (size_t k = 0; k < coarse.size(); ++k)
        EXPECT_NEAR(coarse[k], fine[k], 1e-5 * (1 + std::fabs(fine[k]))) << s << " " << axis << " " << k;
    }
}

TEST(OctahedralParameters, ATermHeldAtZeroHasNoSlopeAndOneOffZeroKeepsItsSign) {
  // Equal bonds: every d_i - d_mean is 0 and stays out of zeta's slope.
  const TSixPositions equal = AxialOctahedron({2, 2, 2, 2, 2, 2});
  const TOctahedralChoices atZero = AnalyseOctahedron(kOrigin, equal).Choices;
  std::vector<TVec3> sites = SitesOf(kOrigin, equal);
  sites[0][0] += 1e-6;
  std::vector<double> values;
  OctahedralValues(atZero, sites, values);
  // |x| of each term: the true zeta of the stepped structure, not 0.
  EXPECT_NEAR(values[kOctaZeta], 2 * 1e-6 * 5 / 6, 1e-15);

  // One bond longer by 1e-6 A: a step of 1e-5 A the other way still counts
  // along the measured sign, so zeta changes linearly through its kink.
  const TSixPositions nearlyEqual = AxialOctahedron({2 + 1e-6, 2, 2, 2, 2, 2});
  const TOctahedralAnalysis near = AnalyseOctahedron(kOrigin, nearlyEqual);
  EXPECT_EQ(near.ZeroTerms.Zeta, 0);
  std::vector<TVec3> shortened = SitesOf(kOrigin, nearlyEqual);
  shortened[0][0] -= 1e-5;
  OctahedralValues(near.Choices, shortened, values);
  EXPECT_NEAR(values[kOctaZeta], -9e-6 * 10 / 6, 1e-15);
}

TEST(OctahedralParameters, UnusablePositionsAreRefusedWithoutACrash) {
  TSixPositions ligands = AxialOctahedron({2, 2, 2, 2, 2, 2});
  ligands[3] = kOrigin;
  EXPECT_FALSE(AnalyseOctahedron(kOrigin, ligands).Usable);
  ligands[3] = {std::numeric_limits<double>::quiet_NaN(), 0, 0};
  EXPECT_FALSE(AnalyseOctahedron(kOrigin, ligands).Usable);
  // All six ligands on one line: every face is a line through M, and the
  // numbers stay finite.
  TSixPositions line{};
  for (int i = 0; i < 6; ++i) line[i] = {i % 2 ? -1.0 - i : 1.0 + i, 0, 0};
  const TOctahedralAnalysis a = AnalyseOctahedron(kOrigin, line);
  EXPECT_TRUE(a.Usable);
  EXPECT_TRUE(a.Choices.FaceThroughCentre);
  EXPECT_TRUE(std::isfinite(a.Parameters.Theta));

  std::vector<double> values;
  EXPECT_THROW(OctahedralValues(a.Choices, std::vector<TVec3>(6), values), std::invalid_argument);
}
