#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/coord_models.h"

namespace {

TStructure NiWithOxygens() {
  TStructure model = MakeModel(MakeCell(10, 10, 10));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.2, 0, 0});
  AddAtom(model, "o1", "O", {0, 0.2, 0});
  AddAtom(model, "O1\"", "O", {0, 0, 0.2});
  return model;
}

TEST(FindAtom, IgnoresAsciiCaseAndTakesTheFirstMatch) {
  const TStructure model = NiWithOxygens();
  EXPECT_EQ(FindAtom(model, "ni1"), 0);
  EXPECT_EQ(FindAtom(model, "o1"), 1);
  EXPECT_EQ(FindAtom(model, "O2"), -1);
  EXPECT_EQ(FindAtom(model, ""), -1);
}

TEST(FindAtom, TwoApostrophesStandForADoubleQuote) {
  const TStructure model = NiWithOxygens();
  EXPECT_EQ(FindAtom(model, "O1''"), 3);
  EXPECT_EQ(FindAtom(model, "O1'"), -1);
}

struct TRadiusCase {
  const char* Name;
  std::vector<std::string> Elements;
  std::string Central;
  double Tolerance;
  double MaxRadius;
  bool Named;
  double Expected;
};

void PrintTo(const TRadiusCase& c, std::ostream* os) { *os << c.Name; }

class SearchRadiusRules : public testing::TestWithParam<TRadiusCase> {};

TEST_P(SearchRadiusRules, FollowTheBondCriterionAndTheOptions) {
  const TRadiusCase& c = GetParam();
  TStructure model = MakeModel(MakeCell(10, 10, 10));
  for (const std::string& element : c.Elements) AddAtom(model, element + "1", element, {0, 0, 0});
  EXPECT_NEAR(SearchRadius(model, c.Central, c.Tolerance, c.MaxRadius, c.Named), c.Expected, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchRadiusRules,
    testing::Values(
        TRadiusCase{"AutomaticUsesLargestRadiusInStructure", {"Ni", "O", "K"}, "Ni", 0.4, -1,
                    false, 1.24 + 2.03 + 0.4},
        TRadiusCase{"NamedLigandsReachAtLeastEight", {"Ni", "O"}, "Ni", 0.4, -1, true, 8.0},
        TRadiusCase{"NamedLigandsKeepALargerRadius", {"Cs", "O"}, "Cs", 4.0, -1, true,
                    2.44 + 2.44 + 4.0},
        TRadiusCase{"MaxShrinksAutomatic", {"Ni", "K"}, "Ni", 0.4, 2.0, false, 2.0},
        TRadiusCase{"MaxShrinksBelowTheNamedFloor", {"Ni", "O"}, "Ni", 0.4, 2.0, true, 2.0},
        TRadiusCase{"MaxGrowsNamed", {"Ni", "O"}, "Ni", 0.4, 12.5, true, 12.5},
        TRadiusCase{"ZeroMaxMeansNotGiven", {"Ni", "O"}, "Ni", 0.4, 0, false, 1.24 + 1.24 + 0.4}),
    [](const testing::TestParamInfo<TRadiusCase>& info) { return std::string(info.param.Name); });

TEST(CheckSearchRadius, RefusesMoreThanAThousandCellSpacings) {
  const TCell cell = MakeCell(10, 10, 10);
  EXPECT_EQ(FatalMessageOf([&] { CheckSearchRadius(cell, 1e6); }),
            "search radius 1000000.00 A is too large for this structure (more than 1000 cell "
            "spacings).");
  EXPECT_EQ(FatalMessageOf([&] { CheckSearchRadius(cell, 9999.0); }), "(no error)");
  EXPECT_EQ(FatalMessageOf([&] { CheckSearchRadius(cell, 10001.0); }).substr(0, 33),
            "search radius 10001.00 A is too l");
  EXPECT_EQ(FatalMessageOf([&] { CheckSearchRadius(cell, 1e300); }).substr(0, 15),
            "search radius 1");
}

TEST(CheckSearchRadius, ThinAxisDecides) {
  // 10 A along a and b but only 0.5 A between the c planes.
  const TCell cell = MakeCell(10, 10, 0.5);
  EXPECT_NE(FatalMessageOf([&] { CheckSearchRadius(cell, 600); }), "(no error)");
}

TEST(FindNeighbours, ImagesAtAnInversionCentreComeInOperationOrder) {
  TStructure model = MakeModel(MakeCell(10, 10, 10), {MakeOp(1, kUnit, {0, 0, 0}),
                                                      MakeOp(2, kInverse, {0, 0, 0})});
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.2, 0.01, 0.02});
  const TLigArray found = FindNeighbours(model, 0, 3.0);
  EXPECT_EQ(Codes(found), (std::vector<std::string>{"O1#1_555", "O1#2_555"}));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_DOUBLE_EQ(found[0].Dist, found[1].Dist);
  EXPECT_EQ(found[0].Element, "O");
  EXPECT_EQ(found[0].DistSu, 0);
}

TEST(FindNeighbours, SpecialPositionIsListedOnceUnderTheFirstOperation) {
  // The 2-fold axis along b through (0, y, 1/4) carries Ni1 and S1.
  TStructure model = MakeModel(MakeCell(10, 10, 10), {MakeOp(1, kUnit, {0, 0, 0}),
                                                      MakeOp(2, kTwoFoldB, {0, 0, 0.5})});
  AddAtom(model, "Ni1", "Ni", {0, 0, 0.25});
  AddAtom(model, "S1", "S", {0, 0.2, 0.25});
  AddAtom(model, "O1", "O", {0.2, 0, 0.25});
  EXPECT_EQ(Codes(FindNeighbours(model, 0, 3.0)),
            (std::vector<std::string>{"S1#1_555", "O1#1_555", "O1#2_555"}));
}

TEST(FindNeighbours, CentralAtomImagesAreNeighboursInTranslationOrder) {
  TStructure model = MakeModel(MakeCell(3, 3, 3));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  EXPECT_EQ(Codes(FindNeighbours(model, 0, 3.0)),
            (std::vector<std::string>{"Ni1#1_455", "Ni1#1_545", "Ni1#1_554", "Ni1#1_556",
                                      "Ni1#1_565", "Ni1#1_655"}));
}

TEST(FindNeighbours, KeepsTheDistanceWindowInclusive) {
  TStructure model = MakeModel(MakeCell(10, 10, 10));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "Ni2", "Ni", {0.039, 0, 0});  // disorder partner 0.39 A away
  AddAtom(model, "O1", "O", {0, 0.041, 0});
  AddAtom(model, "O2", "O", {0.2, 0, 0});      // exactly at the radius
  AddAtom(model, "O3", "O", {0, 0, 0.20001});  // just beyond it
  EXPECT_EQ(Codes(FindNeighbours(model, 0, 2.0)),
            (std::vector<std::string>{"O1#1_555", "O2#1_555"}));
}

TEST(FindNeighbours, EqualCodesOfOneAtomCountAsOneSite) {
  // Two operations carrying the same number give the same code.
  TStructure model = MakeModel(MakeCell(10, 10, 10), {MakeOp(1, kUnit, {0, 0, 0}),
                                                      MakeOp(2, kInverse, {0, 0, 0}),
                                                      MakeOp(2, kMirrorB, {0, 0, 0})});
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.1, 0.1, 0});
  EXPECT_EQ(Codes(FindNeighbours(model, 0, 3.0)),
            (std::vector<std::string>{"O1#1_555", "O1#2_555"}));
}

struct TSearchCase {
  const char* Name;
  TCell Cell;
  double Radius;
};

void PrintTo(const TSearchCase& c, std::ostream* os) { *os << c.Name; }

TStructure CrowdedModel(const TCell& cell) {
  // Special positions on the inversion centre (Cl1), on the 2-fold axis (S1)
  // and on the mirror (N1), atoms outside the unit cell, four operations.
  TStructure model = MakeModel(cell, {MakeOp(1, kUnit, {0, 0, 0}), MakeOp(2, kInverse, {0, 0, 0}),
                                      MakeOp(3, kTwoFoldB, {0, 0, 0.5}),
                                      MakeOp(4, kMirrorB, {0, 0, 0})});
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "S1", "S", {0, 0.31, 0.25});
  AddAtom(model, "Cl1", "Cl", {0.5, 0, 0});
  AddAtom(model, "N1", "N", {1.21, 0, -0.83});
  AddAtom(model, "O1", "O", {0.23, -2.14, 0.17});
  return model;
}

class NeighbourSearchMatchesPlainSearch : public testing::TestWithParam<TSearchCase> {};

TEST_P(NeighbourSearchMatchesPlainSearch, EntryForEntry) {
  const TSearchCase& c = GetParam();
  const TStructure model = CrowdedModel(c.Cell);
  const TLigArray expected = PlainNeighbourSearch(model, 0, c.Radius);
  const TLigArray found = FindNeighbours(model, 0, c.Radius);
  ExpectSameList(found, expected, c.Name);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, NeighbourSearchMatchesPlainSearch,
    testing::Values(TSearchCase{"MonoclinicBondRange", MakeCell(5.1, 6.2, 7.3, 90, 103, 90), 3.0},
                    TSearchCase{"MonoclinicWide", MakeCell(5.1, 6.2, 7.3, 90, 103, 90), 15.0},
                    TSearchCase{"TriclinicOblique", MakeCell(4.3, 9.1, 5.6, 64, 71, 82), 12.0},
                    TSearchCase{"TriclinicObtuse", MakeCell(3.2, 9.5, 4.1, 104, 95, 118), 11.0},
                    TSearchCase{"SharpAngles", MakeCell(4, 4, 12, 40, 50, 45), 9.0},
                    TSearchCase{"ZeroRadius", MakeCell(5, 5, 5), 0.0},
                    TSearchCase{"NegativeRadius", MakeCell(5, 5, 5), -3.0},
                    // Fills the list: the cap and the duplicate index at full load.
                    TSearchCase{"SmallCellMax60", MakeCell(5, 6, 7, 90, 100, 90), 60.0}),
    [](const testing::TestParamInfo<TSearchCase>& info) { return std::string(info.param.Name); });

// Atoms on the origin, which the inversion, the 2-fold axis and the mirror
// map onto themselves (with zeros of either sign), in a cell so small that
// each image walks thousands of translations, and with a repeated operation
// number and translations from -7 to 7, whose site codes collide: 1_1115 is
// both (-4,6,0) and (6,-4,0).
struct TCoincidingCase {
  const char* Name;
  TVec3 Centre;
  double Radius;
};

void PrintTo(const TCoincidingCase& c, std::ostream* os) { *os << c.Name; }

class CoincidingImagesMatchPlainSearch : public testing::TestWithParam<TCoincidingCase> {};

TEST_P(CoincidingImagesMatchPlainSearch, EntryForEntry) {
  const TCoincidingCase& c = GetParam();
  TStructure model = MakeModel(
      MakeCell(1.2, 1.25, 3.0, 90, 97, 90),
      {MakeOp(1, kUnit, {0, 0, 0}), MakeOp(2, kInverse, {0, 0, 0}), MakeOp(3, kTwoFoldB, {0, 0, 0}),
       MakeOp(4, kMirrorB, {0, 0, 0}), MakeOp(4, kInverse, {0, 0, 0}),
       MakeOp(5, kUnit, {0.5, 0.5, 0}), MakeOp(6, kInverse, {0.5, 0.5, 0}),
       MakeOp(7, kUnit, {1, 0, 0})});
  AddAtom(model, "Ni1", "Ni", c.Centre);
  AddAtom(model, "O1", "O", {0, 0, 0});
  AddAtom(model, "S1", "S", {0, 0.31, 0});
  const TLigArray expected = PlainNeighbourSearch(model, 0, c.Radius);
  const TLigArray found = FindNeighbours(model, 0, c.Radius);
  ExpectSameList(found, expected, c.Name);
}

INSTANTIATE_TEST_SUITE_P(
    Centres, CoincidingImagesMatchPlainSearch,
    testing::Values(TCoincidingCase{"CentreOnTheOrigin", {0, 0, 0}, 9.0},
                    TCoincidingCase{"CentreOffTheOrigin", {0.13, 0.27, 0.41}, 9.0},
                    TCoincidingCase{"CentreOnTheOriginNarrow", {0, 0, 0}, 4.0}),
    [](const testing::TestParamInfo<TCoincidingCase>& info) {
      return std::string(info.param.Name);
    });

TEST(FindNeighbours, StopsAtTheListCapacity) {
  const TLigArray found = FindNeighbours(CrowdedModel(MakeCell(5, 6, 7, 90, 100, 90)), 0, 60.0);
  EXPECT_EQ(found.size(), static_cast<size_t>(kMaxNeighbours));
}

TEST(FindNeighbours, RadiusNearTheSpacingLimitEndsAtTheCapacity) {
  TStructure model = MakeModel(MakeCell(10, 10, 10));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.2, 0, 0});
  EXPECT_EQ(FindNeighbours(model, 0, 9999.0).size(), static_cast<size_t>(kMaxNeighbours));
}

TEST(FindNeighbours, UnsearchableRadiusFindsNothing) {
  TStructure model = MakeModel(MakeCell(10, 10, 10));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.2, 0, 0});
  for (double radius : {1e6, 5e4, 1e300, std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN()})
    EXPECT_TRUE(FindNeighbours(model, 0, radius).empty()) << radius;
}

TEST(FindNeighbours, CellThatCannotCloseFindsNothing) {
  TStructure model = MakeModel(MakeCell(6, 6, 6, 150, 150, 150));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.2, 0, 0});
  EXPECT_NE(FatalMessageOf([&] { CheckSearchRadius(model.Cell, 3.0); }), "(no error)");
  EXPECT_TRUE(FindNeighbours(model, 0, 3.0).empty());
}

TEST(FindNeighbours, CoordinatesBeyondAnySiteCodeAreSkipped) {
  TStructure model = MakeModel(MakeCell(10, 10, 10));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {1e250, 0, 0});
  AddAtom(model, "O2", "O", {std::numeric_limits<double>::quiet_NaN(), 0, 0});
  AddAtom(model, "O3", "O", {0.2, 0, 0});
  EXPECT_EQ(Codes(FindNeighbours(model, 0, 3.0)), (std::vector<std::string>{"O3#1_555"}));
}

}  // namespace
