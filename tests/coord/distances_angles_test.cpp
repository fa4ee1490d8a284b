#include <gtest/gtest.h>

#include "support/coord_models.h"

namespace {

TLigand Ligand(const TStructure& model, int atom, const TSymOp& op) {
  return {TSiteRef{atom, op}, model.Atoms[atom].Label, model.Atoms[atom].Element};
}

// Ni1 with four ligands at +a, +b, -a, -b.
struct TSquarePlanar {
  TStructure Model;
  TLigArray Ligands;
};

TSquarePlanar SquarePlanar() {
  TSquarePlanar sq;
  sq.Model = MakeModel(MakeCell(10, 10, 10));
  AddAtom(sq.Model, "Ni1", "Ni", {0, 0, 0}, 1, {0.0001, 0.0001, 0.0001});
  const std::vector<std::pair<std::string, TVec3>> ligands{
      {"P1", {0.2, 0, 0}}, {"P2", {0, 0.2, 0}}, {"P3", {-0.2, 0, 0}}, {"P4", {0, -0.2, 0}}};
  for (const auto& [label, frac] : ligands) {
    const int atom = AddAtom(sq.Model, label, "P", frac, 1, {0.0002, 0.0002, 0.0002});
    sq.Ligands.push_back(Ligand(sq.Model, atom, IdentityOp()));
  }
  return sq;
}

void AddCifAngle(TStructure& model, const std::string& first, const std::string& third, double angle, double su) {
  model.CifAngles.push_back({first, "1_555", "Ni1", "1_555", third, "1_555", angle, su, su > 0});
}

std::vector<std::pair<int, int>> PairOrder(const std::vector<TAngleRec>& angles) {
  std::vector<std::pair<int, int>> pairs;
  for (const TAngleRec& angle : angles) pairs.emplace_back(angle.Lig1, angle.Lig2);
  return pairs;
}

const TAngleRec* FindPair(const std::vector<TAngleRec>& angles, int lig1, int lig2) {
  for (const TAngleRec& angle : angles)
    if (angle.Lig1 == lig1 && angle.Lig2 == lig2) return &angle;
  return nullptr;
}

TEST(BuildAngles, TakeTheTableWhereItListsAPairUnlessToldToCalculate) {
  TSquarePlanar sq = SquarePlanar();
  AddCifAngle(sq.Model, "P1", "P2", 90, 0.1);
  AddCifAngle(sq.Model, "P3", "P1", 180, 0);  // listed the other way round
  AddCifAngle(sq.Model, "P1", "P4", 90, 0.1);
  AddCifAngle(sq.Model, "P2", "P3", 90, 0.1);
  AddCifAngle(sq.Model, "P2", "P4", 180, 0);
  AddCifAngle(sq.Model, "P3", "P4", 90, 0.1);
  int nonFree = 0;
  std::vector<TAngleRec> angles = BuildAngles(sq.Model, 0, sq.Ligands, false, true, nullptr, nonFree);
  // Equal angles keep the pair order.
  EXPECT_EQ(PairOrder(angles), (std::vector<std::pair<int, int>>{{0, 2}, {1, 3}, {0, 1}, {0, 3}, {1, 2}, {2, 3}}));
  for (const TAngleRec& angle : angles) EXPECT_TRUE(angle.FromCif);
  EXPECT_EQ(angles[2].Su, 0.1);
  // Without su every angle has su 0.
  for (const TAngleRec& angle : BuildAngles(sq.Model, 0, sq.Ligands, false, false, nullptr, nonFree))
    EXPECT_EQ(angle.Su, 0) << angle.Lig1 << "-" << angle.Lig2;
  // --calc ignores the table.
  for (const char* first : {"P1", "P2", "P3", "P4"})
    for (const char* third : {"P1", "P2", "P3", "P4"}) AddCifAngle(sq.Model, first, third, 45, 1);
  angles = BuildAngles(sq.Model, 0, sq.Ligands, true, true, nullptr, nonFree);
  ASSERT_EQ(angles.size(), 6u);
  for (const TAngleRec& angle : angles) EXPECT_FALSE(angle.FromCif);
  EXPECT_NEAR(angles[0].Angle, 180, 1e-9);
  EXPECT_NEAR(angles[5].Angle, 90, 1e-9);
  EXPECT_GT(angles[5].Su, 0);
  for (const TAngleRec& angle : BuildAngles(sq.Model, 0, sq.Ligands, true, false, nullptr, nonFree))
    EXPECT_EQ(angle.Su, 0) << angle.Lig1 << "-" << angle.Lig2;
}

TEST(BuildAngles, TableAnglesWhereListedComputedElsewhere) {
  TSquarePlanar sq = SquarePlanar();
  AddCifAngle(sq.Model, "p4", "P2", 179.5, 0.3);  // labels compared ignoring case
  int nonFree = 0;
  const std::vector<TAngleRec> angles = BuildAngles(sq.Model, 0, sq.Ligands, false, true, nullptr, nonFree);
  const TAngleRec* fromTable = FindPair(angles, 1, 3);
  ASSERT_NE(fromTable, nullptr);
  EXPECT_TRUE(fromTable->FromCif);
  EXPECT_EQ(fromTable->Angle, 179.5);
  EXPECT_EQ(fromTable->Su, 0.3);
  EXPECT_EQ(angles[1].Lig1, 1);  // 179.5 sorts after the computed 180
  EXPECT_FALSE(FindPair(angles, 0, 2)->FromCif);
}

// Covariances of the coordinates of the atoms listed as refined, each with
// the variance 1e-8; the others are no parameters.
class TDiagonalMatrix : public TCovSource {
 public:
  explicit TDiagonalMatrix(int refinedAtoms) : RefinedAtoms(refinedAtoms) {}
  int ParamIndex(int atom, int axis) const override {
    return atom < RefinedAtoms ? atom * 3 + axis : -1;
  }
  double Covariance(int i, int j) const override { return i == j ? 1e-8 : 0; }

 private:
  int RefinedAtoms;
};

TEST(BuildAngles, MatrixCountsTheCoordinatesThatAreNoParameters) {
  TSquarePlanar sq = SquarePlanar();
  AddCifAngle(sq.Model, "P1", "P2", 90, 0.1);  // taken from the table: nothing counted
  const TDiagonalMatrix matrix(3);             // Ni1, P1, P2 refined; P3, P4 not
  int nonFree = 2;
  const std::vector<TAngleRec> angles =
      BuildAngles(sq.Model, 0, sq.Ligands, false, true, &matrix, nonFree);
  // Computed pairs (0,2) (0,3) (1,2) (1,3) (2,3) miss 3, 3, 3, 3, 6 coordinates.
  EXPECT_EQ(nonFree, 2 + 18);
}

TEST(LigandDistances, MatrixReplacesTheCoordinateSu) {
  TSquarePlanar sq = SquarePlanar();
  const TDiagonalMatrix matrix(0);  // nothing refined
  ComputeLigandDistances(sq.Model, 0, sq.Ligands, true, &matrix);
  EXPECT_NEAR(sq.Ligands[0].Dist, 2.0, 1e-12);
  EXPECT_EQ(sq.Ligands[0].DistSu, 0);

  ComputeLigandDistances(sq.Model, 0, sq.Ligands, true, nullptr);
  EXPECT_GT(sq.Ligands[0].DistSu, 0);

  ComputeLigandDistances(sq.Model, 0, sq.Ligands, false, nullptr);
  EXPECT_EQ(sq.Ligands[0].DistSu, 0);
  EXPECT_NEAR(sq.Ligands[0].Dist, 2.0, 1e-12);
}

// The same coordination written once with ligands at symmetry images and
// once with those images as atoms of their own.
struct TTwinModels {
  TStructure Images, Explicit;
  TLigArray ImageLigands, ExplicitLigands;
};

TTwinModels TwinModels() {
  TTwinModels twins;
  TCell cell = MakeCell(10.2, 11.3, 9.7, 90, 101.5, 90);
  cell.SuA = 0.002;
  cell.SuBeta = 0.02;
  const TVec3 su{0.0003, 0.0002, 0.0004};
  const TSymOp identity = MakeOp(1, kUnit, {0, 0, 0});
  const TSymOp inversion = MakeOp(2, kInverse, {0, 0, 0});

  twins.Images = MakeModel(cell, {identity, inversion});
  TStructure& a = twins.Images;
  AddAtom(a, "Ni1", "Ni", {0.001, 0.002, -0.001}, 1, su);
  AddAtom(a, "O1", "O", {0.19, 0.05, 0.01}, 1, su);
  AddAtom(a, "N1", "N", {0.03, 0.18, 0.02}, 1, su);
  AddAtom(a, "P1", "P", {0.85, 0.1, 0.05}, 1, su);
  twins.ImageLigands = {Ligand(a, 1, IdentityOp()), Ligand(a, 2, IdentityOp()),
                        Ligand(a, 1, TranslatedOp(inversion, 0, 0, 0)),
                        Ligand(a, 3, TranslatedOp(identity, -1, 0, 0))};

  twins.Explicit = MakeModel(cell);
  TStructure& b = twins.Explicit;
  AddAtom(b, "Ni1", "Ni", {0.001, 0.002, -0.001}, 1, su);
  AddAtom(b, "O1", "O", {0.19, 0.05, 0.01}, 1, su);
  AddAtom(b, "N1", "N", {0.03, 0.18, 0.02}, 1, su);
  AddAtom(b, "O1B", "O", {-0.19, -0.05, -0.01}, 1, su);
  AddAtom(b, "P1B", "P", {-0.15, 0.1, 0.05}, 1, su);
  for (int atom = 1; atom <= 4; ++atom)
    twins.ExplicitLigands.push_back(Ligand(b, atom, IdentityOp()));
  return twins;
}

TEST(SymmetryImages, GiveTheDistancesOfExplicitAtoms) {
  TTwinModels twins = TwinModels();
  ComputeLigandDistances(twins.Images, 0, twins.ImageLigands, true, nullptr);
  ComputeLigandDistances(twins.Explicit, 0, twins.ExplicitLigands, true, nullptr);
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_NEAR(twins.ImageLigands[k].Dist, twins.ExplicitLigands[k].Dist, 1e-12) << k;
    EXPECT_NEAR(twins.ImageLigands[k].DistSu, twins.ExplicitLigands[k].DistSu, 1e-9) << k;
    EXPECT_GT(twins.ImageLigands[k].DistSu, 0) << k;
  }
}

TEST(SymmetryImages, AreFoundAtTheDistancesOfExplicitAtoms) {
  const TTwinModels twins = TwinModels();
  const TLigArray images = FindNeighbours(twins.Images, 0, 3.0);
  const TLigArray atoms = FindNeighbours(twins.Explicit, 0, 3.0);
  EXPECT_EQ(Codes(images), (std::vector<std::string>{"O1#1_555", "O1#2_555", "N1#1_555",
                                                      "N1#2_555", "P1#1_455", "P1#2_655"}));
  EXPECT_EQ(Codes(atoms),
            (std::vector<std::string>{"O1#1_555", "N1#1_555", "O1B#1_555", "P1B#1_555"}));
  ASSERT_EQ(images.size(), 6u);
  ASSERT_EQ(atoms.size(), 4u);
  EXPECT_NEAR(images[1].Dist, atoms[2].Dist, 1e-12);
  EXPECT_NEAR(images[4].Dist, atoms[3].Dist, 1e-12);
}

TEST(SymmetryImages, GiveTheAnglesOfExplicitAtoms) {
  const TTwinModels twins = TwinModels();
  int nonFree = 0;
  const std::vector<TAngleRec> images =
      BuildAngles(twins.Images, 0, twins.ImageLigands, true, true, nullptr, nonFree);
  const std::vector<TAngleRec> atoms =
      BuildAngles(twins.Explicit, 0, twins.ExplicitLigands, true, true, nullptr, nonFree);
  ASSERT_EQ(images.size(), 6u);
  for (const TAngleRec& image : images) {
    const TAngleRec* atom = FindPair(atoms, image.Lig1, image.Lig2);
    ASSERT_NE(atom, nullptr);
    EXPECT_NEAR(image.Angle, atom->Angle, 1e-9) << image.Lig1 << "-" << image.Lig2;
    // O1 and its own image move together, so only that angle's su differs.
    if (!(image.Lig1 == 0 && image.Lig2 == 2)) {
      EXPECT_NEAR(image.Su, atom->Su, 1e-7) << image.Lig1 << "-" << image.Lig2;
    }
  }
}

}  // namespace
