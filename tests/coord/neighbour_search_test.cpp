#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/coord_models.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

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

TEST(SearchRadius, FollowsTheBondCriterionAndTheOptions) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Elements;
    std::string Central;
    double Tolerance, MaxRadius;
    bool Named;
    double Expected;
  };
  const TCase cases[] = {
      {"automatic: largest radius in the structure", {"Ni", "O", "K"}, "Ni", 0.4, -1, false, 1.24 + 2.03 + 0.4},
      {"named ligands reach at least 8 A", {"Ni", "O"}, "Ni", 0.4, -1, true, 8.0},
      {"named ligands keep a larger radius", {"Cs", "O"}, "Cs", 4.0, -1, true, 2.44 + 2.44 + 4.0},
      {"--max shrinks the automatic radius", {"Ni", "K"}, "Ni", 0.4, 2.0, false, 2.0},
      {"--max shrinks below the named floor", {"Ni", "O"}, "Ni", 0.4, 2.0, true, 2.0},
      {"--max grows the named radius", {"Ni", "O"}, "Ni", 0.4, 12.5, true, 12.5},
      {"--max=0 means not given", {"Ni", "O"}, "Ni", 0.4, 0, false, 1.24 + 1.24 + 0.4},
  };
  for (const TCase& c : cases) {
    TStructure model = MakeModel(MakeCell(10, 10, 10));
    for (const std::string& element : c.Elements) AddAtom(model, element + "1", element, {0, 0, 0});
    EXPECT_NEAR(SearchRadius(model, c.Central, c.Tolerance, c.MaxRadius, c.Named), c.Expected, 1e-12) << c.Name;
  }
}

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

TEST(FindNeighbours, ListsEachSiteOnceInOperationAndTranslationOrder) {
  struct TCase {
    const char* Name;
    TStructure Model;
    double Radius;
    std::vector<std::string> Codes;
  };
  const TCell cube = MakeCell(10, 10, 10);
  const TCase cases[] = {
      // The 2-fold axis along b through (0, y, 1/4) carries Ni1 and S1.
      {"a special position is listed once, under the first operation",
       MakeModel(cube, {MakeOp(1, kUnit, {0, 0, 0}), MakeOp(2, kTwoFoldB, {0, 0, 0.5})},
                 {{"Ni1", "Ni", {0, 0, 0.25}}, {"S1", "S", {0, 0.2, 0.25}}, {"O1", "O", {0.2, 0, 0.25}}}),
       3.0, {"S1#1_555", "O1#1_555", "O1#2_555"}},
      {"images of the central atom are neighbours, in translation order",
       MakeModel(MakeCell(3, 3, 3), {}, {{"Ni1", "Ni", {0, 0, 0}}}), 3.0,
       {"Ni1#1_455", "Ni1#1_545", "Ni1#1_554", "Ni1#1_556", "Ni1#1_565", "Ni1#1_655"}},
      // Ni2 a disorder partner 0.39 A away, O2 exactly at the radius, O3 just beyond.
      {"the distance window is inclusive",
       MakeModel(cube, {}, {{"Ni1", "Ni", {0, 0, 0}}, {"Ni2", "Ni", {0.039, 0, 0}}, {"O1", "O", {0, 0.041, 0}},
                            {"O2", "O", {0.2, 0, 0}}, {"O3", "O", {0, 0, 0.20001}}}),
       2.0, {"O1#1_555", "O2#1_555"}},
      // Two operations carrying the same number give the same code.
      {"equal codes of one atom count as one site",
       MakeModel(cube, {MakeOp(1, kUnit, {0, 0, 0}), MakeOp(2, kInverse, {0, 0, 0}), MakeOp(2, kMirrorB, {0, 0, 0})},
                 {{"Ni1", "Ni", {0, 0, 0}}, {"O1", "O", {0.1, 0.1, 0}}}),
       3.0, {"O1#1_555", "O1#2_555"}},
      {"coordinates beyond any site code are skipped",
       MakeModel(cube, {}, {{"Ni1", "Ni", {0, 0, 0}}, {"O1", "O", {1e250, 0, 0}}, {"O2", "O", {kNaN, 0, 0}},
                            {"O3", "O", {0.2, 0, 0}}}),
       3.0, {"O3#1_555"}},
  };
  for (const TCase& c : cases) EXPECT_EQ(Codes(FindNeighbours(c.Model, 0, c.Radius)), c.Codes) << c.Name;
}

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

TEST(FindNeighbours, MatchesThePlainSearchEntryForEntry) {
  const std::pair<const char*, std::pair<TCell, double>> cases[] = {
      {"monoclinic, bond range", {MakeCell(5.1, 6.2, 7.3, 90, 103, 90), 3.0}},
      {"monoclinic, wide", {MakeCell(5.1, 6.2, 7.3, 90, 103, 90), 15.0}},
      {"triclinic, oblique", {MakeCell(4.3, 9.1, 5.6, 64, 71, 82), 12.0}},
      {"triclinic, obtuse", {MakeCell(3.2, 9.5, 4.1, 104, 95, 118), 11.0}},
      {"sharp angles", {MakeCell(4, 4, 12, 40, 50, 45), 9.0}},
      {"zero radius", {MakeCell(5, 5, 5), 0.0}},
      {"negative radius", {MakeCell(5, 5, 5), -3.0}},
      // Fills the list: the cap and the duplicate index at full load.
      {"small cell, radius 60", {MakeCell(5, 6, 7, 90, 100, 90), 60.0}},
  };
  for (const auto& [name, cellAndRadius] : cases) {
    const TStructure model = CrowdedModel(cellAndRadius.first);
    ExpectSameList(FindNeighbours(model, 0, cellAndRadius.second),
                   PlainNeighbourSearch(model, 0, cellAndRadius.second), name);
  }
}

// Atoms on the origin, which the inversion, the 2-fold axis and the mirror
// map onto themselves (with zeros of either sign), in a cell so small that
// each image walks thousands of translations, and with a repeated operation
// number and translations from -7 to 7, whose site codes collide: 1_1115 is
// both (-4,6,0) and (6,-4,0).
TEST(FindNeighbours, CoincidingImagesMatchThePlainSearch) {
  const TStructure base = MakeModel(
      MakeCell(1.2, 1.25, 3.0, 90, 97, 90),
      {MakeOp(1, kUnit, {0, 0, 0}), MakeOp(2, kInverse, {0, 0, 0}), MakeOp(3, kTwoFoldB, {0, 0, 0}),
       MakeOp(4, kMirrorB, {0, 0, 0}), MakeOp(4, kInverse, {0, 0, 0}), MakeOp(5, kUnit, {0.5, 0.5, 0}),
       MakeOp(6, kInverse, {0.5, 0.5, 0}), MakeOp(7, kUnit, {1, 0, 0})});
  const std::pair<TVec3, double> cases[] = {{{0, 0, 0}, 9.0}, {{0.13, 0.27, 0.41}, 9.0}, {{0, 0, 0}, 4.0}};
  for (const auto& [centre, radius] : cases) {
    TStructure model = base;
    AddAtom(model, "Ni1", "Ni", centre);
    AddAtom(model, "O1", "O", {0, 0, 0});
    AddAtom(model, "S1", "S", {0, 0.31, 0});
    ExpectSameList(FindNeighbours(model, 0, radius), PlainNeighbourSearch(model, 0, radius),
                   "centre " + std::to_string(centre[0]) + ", radius " + std::to_string(radius));
  }
}

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

}  // namespace
