#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "support/coord_models.h"

namespace {

// Ni1 at the origin of a 4 x 4 x 20 A cell with four operations, all of
// which keep the origin: O1 at 1.8 A on the a axis, so its images under the
// inversion and the 2-fold coincide, as do those under identity and mirror.
struct TSquareSite {
  TStructure Model;
  TLigArray Neighbours;
  double Radius = 8.0;
};

TSquareSite SquareSite() {
  TSquareSite site;
  site.Model = MakeModel(MakeCell(4, 4, 20),
                         {MakeOp(1, kUnit, {0, 0, 0}), MakeOp(2, kInverse, {0, 0, 0}),
                          MakeOp(3, kTwoFoldB, {0, 0, 0}), MakeOp(4, kMirrorB, {0, 0, 0})});
  AddAtom(site.Model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(site.Model, "O1", "O", {0.45, 0, 0});
  AddAtom(site.Model, "Cl1", "Cl", {0, 0.4, 0.05});
  AddAtom(site.Model, "Far1", "C", {0, 0, 0.5});
  site.Neighbours = FindNeighbours(site.Model, 0, site.Radius);
  return site;
}

TLigArray Resolve(const TSquareSite& site, const std::vector<std::string>& names,
                  bool& suffixRemoved) {
  return ResolveNamedLigands(site.Model, site.Neighbours, 0, names, site.Radius, "abc.cif", "",
                             suffixRemoved);
}

TLigArray Resolve(const TSquareSite& site, const std::vector<std::string>& names) {
  bool suffixRemoved = false;
  return Resolve(site, names, suffixRemoved);
}

std::string ResolveError(const TSquareSite& site, const std::vector<std::string>& names) {
  return FatalMessageOf([&] { Resolve(site, names); });
}

TEST(NamedLigands, ClaimTheirImages) {
  const TSquareSite site = SquareSite();
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      // O1 alone would take 1_555; the coded name claims it first.
      {{"O1", "O1#1_555"}, {"O1#2_555", "O1#1_555"}},
      {{"O1", "O1#1_655"}, {"O1#1_555", "O1#1_655"}},
      // The code of a coincident image names the listed entry.
      {{"O1#3_555", "O1"}, {"O1#2_555", "O1#1_555"}},
      // An uncoded name takes the nearest free image, the first listed on ties.
      {{"o1", "O1", "O1"}, {"O1#1_555", "O1#2_555", "O1#1_455"}},
  };
  for (const auto& [names, codes] : cases) EXPECT_EQ(Codes(Resolve(site, names)), codes) << names[0];
  EXPECT_NEAR(Resolve(site, {"o1", "O1", "O1"})[2].Dist, 2.2, 1e-9);
}

TEST(NamedLigands, IgnoreOccupancyAndBondCriterion) {
  TSquareSite site = SquareSite();
  site.Model.Atoms[2].Occ = 0.45;
  const TLigArray ligands = Resolve(site, {"Cl1", "O1#1_655"});
  EXPECT_EQ(Codes(ligands), (std::vector<std::string>{"Cl1#1_555", "O1#1_655"}));
}

TEST(NamedLigands, OlexSuffixIsCutOffAndReported) {
  const TSquareSite site = SquareSite();
  bool suffixRemoved = false;
  EXPECT_EQ(Codes(Resolve(site, {"Cl1_$2"}, suffixRemoved)),
            (std::vector<std::string>{"Cl1#1_555"}));
  EXPECT_TRUE(suffixRemoved);

  suffixRemoved = false;
  Resolve(site, {"Cl1", "O1#2"}, suffixRemoved);
  EXPECT_FALSE(suffixRemoved);

  suffixRemoved = true;  // set earlier by the central atom
  Resolve(site, {"Cl1"}, suffixRemoved);
  EXPECT_TRUE(suffixRemoved);
}

TEST(NamedLigands, ErrorsEndTheRunWithTheirMessages) {
  const std::string notValid = "is not valid for this CIF (4 operations, format n_klm).";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"O1", "Xx1"}, "ligand \"Xx1\" not found in abc.cif."},
      {{"Xx1_$3#2"}, "ligand \"Xx1\" not found in abc.cif."},  // after the suffix is removed
      {{"O1#9_555", "Xx1"}, "ligand \"Xx1\" not found in abc.cif."},  // before any code error
      {{"O1#9_555"}, "symmetry code \"9_555\" in \"O1#9_555\" " + notValid},
      {{"O1#1_55"}, "symmetry code \"1_55\" in \"O1#1_55\" " + notValid},
      {{"O1", "Ni1#1_555"}, "ligand \"Ni1#1_555\" is the central atom itself."},
      {{"ni1#2"}, "ligand \"ni1#2\" is the central atom itself."},
      {{"o1#1_755"},
       "ligand \"O1\" with symmetry code 1_755 is not within the search radius (8.00 A). Increase --max= if required."},
      {{"O1", "far1"}, "ligand \"Far1\" is not within the search radius (8.00 A). Increase --max= if required."},
      {{"O1#2", "O1#2_555"}, "ligand \"O1#2_555\" was given more than once."},
      {{"O1#2", "O1#3"}, "ligand \"O1#3\" was given more than once."},  // coincident images
  };
  const TSquareSite site = SquareSite();
  for (const auto& [names, message] : cases) EXPECT_EQ(ResolveError(site, names), message);
}

TEST(NamedLigands, SecondNameForTheOnlyImageWasGivenTwice) {
  TStructure model = MakeModel(MakeCell(10, 10, 10));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.2, 0, 0});
  const TLigArray neighbours = FindNeighbours(model, 0, 7.5);
  bool suffixRemoved = false;
  EXPECT_EQ(FatalMessageOf([&] {
              ResolveNamedLigands(model, neighbours, 0, {"O1", "o1"}, 7.5, "abc.res", "",
                                  suffixRemoved);
            }),
            "ligand \"o1\" was given more than once.");
}

TEST(NamedLigands, ThousandsOfNamesTakeEveryImageOnceNearestFirst) {
  // About 4000 images of O1 in the radius: each repeated name takes the
  // nearest image still free, and one name more than there are images was
  // given more than once. The choice costs time in proportion to one name's
  // candidates, not to all names times all images.
  TStructure model = MakeModel(MakeCell(3, 3, 3));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.5, 0.5, 0.5});
  const double radius = 30.0;
  const TLigArray neighbours = FindNeighbours(model, 0, radius);
  size_t images = 0;
  for (const TLigand& entry : neighbours) images += entry.Label == "O1" ? 1 : 0;
  ASSERT_GT(images, 3000u);
  std::vector<std::string> names(images, "O1");
  bool suffixRemoved = false;
  const TLigArray ligands =
      ResolveNamedLigands(model, neighbours, 0, names, radius, "abc.cif", "", suffixRemoved);
  ASSERT_EQ(ligands.size(), images);
  std::vector<std::string> codes = Codes(ligands);
  for (size_t k = 1; k < ligands.size(); ++k) ASSERT_LE(ligands[k - 1].Dist, ligands[k].Dist) << k;
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
  names.push_back("o1");
  EXPECT_EQ(FatalMessageOf([&] {
              ResolveNamedLigands(model, neighbours, 0, names, radius, "abc.cif", "",
                                  suffixRemoved);
            }),
            "ligand \"o1\" was given more than once.");
}

TEST(NamedLigands, NotFoundMessageCarriesTheNamingNote) {
  TStructure model = MakeModel(MakeCell(10000, 10000, 10000));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  bool suffixRemoved = false;
  EXPECT_EQ(FatalMessageOf([&] {
              ResolveNamedLigands(model, {}, 0, {"C7"}, 8.0, "mol.xyz",
                                  "\r\n       XYZ atom names: as in Olex2.", suffixRemoved);
            }),
            "ligand \"C7\" not found in mol.xyz.\r\n       XYZ atom names: as in Olex2.");
}

// ------------------------------------------------------------- automatic

TStructure NickelAmmine() {
  TStructure model = MakeModel(MakeCell(10, 10, 10));
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "N1", "N", {0.2, 0, 0});
  // 0.95 A from N1 and 2.5 A from Ni1: beyond Ni 1.24 + H 0.31 + 0.40.
  const double along = 1.3475 / 3.8;
  AddAtom(model, "H1", "H", {(2.0 + 0.95 * along) / 10, 0.95 * std::sqrt(1 - along * along) / 10, 0});
  AddAtom(model, "O2", "O", {0, 0.21, 0}, 0.45);
  return model;
}

TEST(AutomaticLigands, HydrogenOfABondedNitrogenIsNoLigand) {
  const TStructure model = NickelAmmine();
  const TLigArray neighbours = FindNeighbours(model, 0, 3.0);
  ASSERT_EQ(Codes(neighbours), (std::vector<std::string>{"N1#1_555", "H1#1_555", "O2#1_555"}));
  EXPECT_NEAR(neighbours[1].Dist, 2.5, 1e-9);
  EXPECT_EQ(Codes(SelectAutomaticLigands(model, neighbours, "Ni", 0.4, 0.5)),
            (std::vector<std::string>{"N1#1_555"}));
}

TEST(AutomaticLigands, LowOccupancyIsSkippedButAcceptedWhenNamed) {
  const TStructure model = NickelAmmine();
  const TLigArray neighbours = FindNeighbours(model, 0, 8.0);
  EXPECT_EQ(Codes(SelectAutomaticLigands(model, neighbours, "Ni", 0.4, 0.5)),
            (std::vector<std::string>{"N1#1_555"}));
  EXPECT_EQ(Codes(SelectAutomaticLigands(model, neighbours, "Ni", 0.4, 0.45)),
            (std::vector<std::string>{"N1#1_555", "O2#1_555"}));
  bool suffixRemoved = false;
  EXPECT_EQ(Codes(ResolveNamedLigands(model, neighbours, 0, {"O2"}, 8.0, "abc.cif", "",
                                      suffixRemoved)),
            (std::vector<std::string>{"O2#1_555"}));
}

TEST(AutomaticLigands, BothImagesAtAnInversionCentre) {
  TStructure model = MakeModel(MakeCell(10, 10, 10), {MakeOp(1, kUnit, {0, 0, 0}),
                                                      MakeOp(2, kInverse, {0, 0, 0})});
  AddAtom(model, "Ni1", "Ni", {0, 0, 0});
  AddAtom(model, "O1", "O", {0.19, 0.03, 0});
  const TLigArray neighbours = FindNeighbours(model, 0, 2.88);
  EXPECT_EQ(Codes(SelectAutomaticLigands(model, neighbours, "Ni", 0.4, 0.5)),
            (std::vector<std::string>{"O1#1_555", "O1#2_555"}));
}

TEST(AutomaticLigands, TheBondCriterionDecidesEachNeighbour) {
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  struct TCase {
    const char* Name;
    double Occ, Dist;
    bool Ligand;
  };
  const TCase cases[] = {
      {"full occupancy", 1.0, 2.0, true},         {"occupancy at the minimum", 0.5, 2.0, true},
      {"occupancy below it", 0.45, 2.0, false},   {"occupancy not a number", kNaN, 2.0, true},
      {"distance at the limit", 1.0, 2.29, true},  // 1.24 + 0.66 + 0.4
      {"distance beyond it", 1.0, 2.31, false},   {"distance not a number", 1.0, kNaN, false},
  };
  for (const TCase& c : cases) {
    const TStructure model = MakeModel(MakeCell(10, 10, 10), {}, {{"Ni1", "Ni", {0, 0, 0}}, {"O1", "O", {0.2, 0, 0}, c.Occ}});
    TLigand neighbour;
    neighbour.Site.Atom = 1;
    neighbour.Label = "O1";
    neighbour.Element = "O";
    neighbour.Dist = c.Dist;
    EXPECT_EQ(SelectAutomaticLigands(model, {neighbour}, "Ni", 0.4, 0.5).size(), c.Ligand ? 1u : 0u) << c.Name;
  }
}

// ------------------------------------------------------------- order, names

TEST(SortLigandsByDistance, EqualDistancesKeepTheirOrder) {
  TLigArray ligands;
  for (auto [label, dist] : std::vector<std::pair<const char*, double>>{
           {"A", 2.0}, {"B", 1.5}, {"C", 2.0}, {"D", 1.5}, {"E", 1.9}}) {
    TLigand ligand;
    ligand.Label = label;
    ligand.Dist = dist;
    ligands.push_back(ligand);
  }
  SortLigandsByDistance(ligands);
  std::string order;
  for (const TLigand& ligand : ligands) order += ligand.Label;
  EXPECT_EQ(order, "BDEAC");
}

}  // namespace
