#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

#include "geometry/basal_plane.h"
#include "support/polyhedra.h"

namespace {

using TFive = std::array<TVec3, 5>;

// Basal ligands on the two trans pairs 0-1 and 2-3 at 2.0 A from the axis,
// at height basalHeight; the apex 2.3 A from the origin, tilted from the
// axis by apexTiltDeg. M is at the origin.
TFive SquarePyramid(double basalHeight, double apexTiltDeg = 0) {
  return {TVec3{2, 0, basalHeight}, TVec3{-2, 0, basalHeight}, TVec3{0, 2, basalHeight},
          TVec3{0, -2, basalHeight}, Polar(2.3, apexTiltDeg, 30)};
}

// The ligand now at position k was at oldIndex; where is old ligand i now?
int NewIndex(const std::array<int, 5>& order, int oldIndex) {
  for (int k = 0; k < 5; ++k)
    if (order[k] == oldIndex) return k;
  return -1;
}

}  // namespace

TEST(BasalPlane, TheMetalsHeightAboveTheBasalPlaneIsSignedTowardsTheApex) {
  struct TCase {
    double BasalHeight;
    double Displacement;
  };
  // The metal above the plane (towards the apex), in it, and below it.
  std::mt19937 random(17);
  for (const TCase& c : {TCase{-0.35, 0.35}, TCase{0, 0}, TCase{0.2, -0.2}}) {
    for (int trial = 0; trial < 5; ++trial) {
      const TRigidMotion motion = RandomMotion(random);
      std::array<int, 5> order = {0, 1, 2, 3, 4};
      std::shuffle(order.begin(), order.end(), random);
      const TFive ligands = Reordered(Moved(motion, SquarePyramid(c.BasalHeight)), order);
      const TVec3 centre = motion.Apply({0, 0, 0});
      const TBasalChoice choice = ChooseBasalSet(centre, ligands, {NewIndex(order, 0), NewIndex(order, 1)},
                                                 {NewIndex(order, 2), NewIndex(order, 3)});
      ASSERT_TRUE(choice.Usable);
      EXPECT_FALSE(choice.BetaAlphaShareLigand);
      EXPECT_EQ(choice.Apex, NewIndex(order, 4));
      EXPECT_GT(choice.Margin, 60);
      const TBasalPlane plane = BasalPlane(choice, centre, ligands);
      EXPECT_NEAR(plane.Displacement, c.Displacement, 1e-12) << c.BasalHeight;
      EXPECT_NEAR(plane.ApexTilt, 0, 1e-6);
      EXPECT_GT(DotProduct(plane.Normal, Minus(ligands[choice.Apex], centre)), 0);
    }
  }
}

TEST(BasalPlane, AnUnevenBasalSetIsFittedByLeastSquares) {
  // The two basal pairs 0.1 A above and below z = -0.3: the least-squares
  // plane is z = -0.3 still. The apex leans 20 degrees off the normal.
  TFive ligands = SquarePyramid(-0.3, 20);
  ligands[0][2] += 0.1;
  ligands[1][2] += 0.1;
  ligands[2][2] -= 0.1;
  ligands[3][2] -= 0.1;
  const TBasalChoice choice = ChooseBasalSet({0, 0, 0}, ligands, {0, 1}, {2, 3});
  const TBasalPlane plane = BasalPlane(choice, {0, 0, 0}, ligands);
  EXPECT_NEAR(plane.Displacement, 0.3, 1e-12);
  EXPECT_NEAR(plane.ApexTilt, 20, 1e-9);
  EXPECT_NEAR(std::fabs(plane.Normal[2]), 1, 1e-12);
}

TEST(BasalPlane, WhenBetaAndAlphaShareALigandTheBestDisjointPairsFormTheBase) {
  // beta = 0-1 (170) and alpha = 0-2 (165) share ligand 0; 3-4 is 110.
  // Disjoint pairs: 0-1 with 3-4 (280) beats 0-2 with 3-4 (275).
  const TFive ligands = {Polar(2, 0, 0), Polar(2, 170, 0), Polar(2, 165, 180), Polar(2, 90, 90),
                         Polar(2, 90, 200)};
  const TBasalChoice choice = ChooseBasalSet({0, 0, 0}, ligands, {0, 1}, {0, 2});
  ASSERT_TRUE(choice.Usable);
  EXPECT_TRUE(choice.BetaAlphaShareLigand);
  const std::array<int, 4> basal = {0, 1, 3, 4};
  EXPECT_EQ(choice.Basal, basal);
  EXPECT_EQ(choice.Apex, 2);
  EXPECT_NEAR(choice.Margin, 5, 1e-9);
}

TEST(BasalPlane, HeldChoiceGivesTheValuesInOrderAndRefusesBadInput) {
  const TFive ligands = SquarePyramid(-0.25, 10);
  const TBasalChoice choice = ChooseBasalSet({0, 0, 0}, ligands, {1, 0}, {3, 2});
  std::vector<TVec3> sites(ligands.begin(), ligands.end());
  sites.push_back({0, 0, 0});
  std::vector<double> values;
  BasalPlaneValueFunction(choice)(sites, values);
  ASSERT_EQ(values.size(), static_cast<size_t>(kBasalValueCount));
  EXPECT_NEAR(values[kBasalDisplacement], 0.25, 1e-12);
  EXPECT_NEAR(values[kBasalApexTilt], 10, 1e-9);
  // Moving M along the normal moves the displacement one for one.
  sites[5][2] += 0.01;
  BasalPlaneValues(choice, sites, values);
  EXPECT_NEAR(values[kBasalDisplacement], 0.26, 1e-12);

  EXPECT_FALSE(ChooseBasalSet({0, 0, 0}, ligands, {0, 5}, {2, 3}).Usable);
  EXPECT_FALSE(ChooseBasalSet({0, 0, 0}, ligands, {2, 2}, {0, 1}).Usable);
  EXPECT_THROW(BasalPlaneValues(ChooseBasalSet({0, 0, 0}, ligands, {-1, 0}, {2, 3}), sites, values),
               std::invalid_argument);
  sites.pop_back();
  EXPECT_THROW(BasalPlaneValues(choice, sites, values), std::invalid_argument);
}

