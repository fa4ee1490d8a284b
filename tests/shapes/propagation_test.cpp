// The general su propagation gives, for one distance or angle, exactly what
// the program's own distance and angle propagation gives, and the full
// covariance of several values.
#include "model/propagation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "base/fail.h"
#include "support/hand_matrix.h"
#include "model/from_shelx.h"
#include "support/real_centres.h"
#include "model/structure.h"
#include "support/test_support.h"

namespace {

TVec3 Sub(const TVec3& a, const TVec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double Dot(const TVec3& a, const TVec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The angle at site 1 and the distance from site 0 to site 1, in the same
// arithmetic as SiteAngle and SiteDistance.
void AngleAtSecond(const std::vector<TVec3>& cartesian, std::vector<double>& values) {
  const TVec3 u = Sub(cartesian[0], cartesian[1]);
  const TVec3 w = Sub(cartesian[2], cartesian[1]);
  const double lu = std::sqrt(Dot(u, u)), lw = std::sqrt(Dot(w, w));
  double cosine = Dot(u, w) / (lu * lw);
  cosine = std::fmax(-1.0, std::fmin(1.0, cosine));
  values = {std::acos(cosine) * kRadToDeg};
}

void DistanceOfFirstTwo(const std::vector<TVec3>& cartesian, std::vector<double>& values) {
  const TVec3 d = Sub(cartesian[0], cartesian[1]);
  values = {std::sqrt(Dot(d, d))};
}

// A triclinic cell with su, four atoms with su, and an inversion image.
TStructure SmallModel() {
  TStructure model;
  model.Cell = {9.1, 10.3, 11.7, 84.2, 97.5, 101.3, 0.002, 0.003, 0.0015, 0.02, 0.015, 0.03};
  model.FracCoords = {
      {0.21, 0.33, 0.41}, {0.36, 0.30, 0.44}, {0.19, 0.47, 0.39}, {0.05, 0.02, 0.07}};
  model.FracSu = {{0.0001, 0.00012, 0.00009},
                  {0.0004, 0.0003, 0.0005},
                  {0.0002, 0.0006, 0.0003},
                  {0.0003, 0.0001, 0.0002}};
  model.Atoms.resize(4);
  return model;
}

TSiteRef Inverted(int atom) {
  TSiteRef site{atom, {}};
  ParseSymOp("-x,-y,-z", site.Op);
  site.Op.OpNum = 2;
  site.Op.Code = "2_555";
  return site;
}

THandMatrix HandMatrix() {
  // Atom 1 y and atom 2 z have no parameter; a random positive definite
  // covariance for the others.
  THandMatrix matrix;
  int next = 0;
  for (int atom = 0; atom < 4; ++atom)
    for (int axis = 0; axis < 3; ++axis)
      if (!(atom == 1 && axis == 1) && !(atom == 2 && axis == 2))
        matrix.Params[{atom, axis}] = next++;
  std::mt19937 rng(5);
  std::normal_distribution<double> normal(0, 1e-4);
  std::vector<std::vector<double>> b(static_cast<size_t>(next),
                                     std::vector<double>(static_cast<size_t>(next)));
  for (auto& row : b)
    for (double& x : row) x = normal(rng);
  matrix.Cov.assign(static_cast<size_t>(next), std::vector<double>(static_cast<size_t>(next), 0));
  for (int i = 0; i < next; ++i)
    for (int j = 0; j < next; ++j)
      for (int k = 0; k < next; ++k)
        matrix.Cov[static_cast<size_t>(i)][static_cast<size_t>(j)] +=
            b[static_cast<size_t>(i)][static_cast<size_t>(k)] *
            b[static_cast<size_t>(j)][static_cast<size_t>(k)];
  return matrix;
}

void ExpectSame(const TPropagation& p, const TValueSu& expected) {
  ASSERT_EQ(p.Size(), 1u);
  EXPECT_NEAR(p.Values[0], expected.Value, 1e-12 * std::fabs(expected.Value));
  EXPECT_NEAR(p.Su(0), expected.Su, 1e-10 * expected.Su);
  EXPECT_GT(expected.Su, 0);
  EXPECT_EQ(p.Missing, expected.Missing);
}

// Every angle L-M-L and distance M-L of a centre, through both propagations.
void ExpectSameForCentre(const TStructure& model, int centre, const TLigArray& ligands,
                         const TCovSource* matrix) {
  const TSiteRef m{centre, IdentityOp()};
  for (size_t i = 0; i < ligands.size(); ++i) {
    SCOPED_TRACE("ligand " + ligands[i].Label);
    const TSiteRef& a = ligands[i].Site;
    ExpectSame(PropagateSites(model, {m, a}, DistanceOfFirstTwo, true, matrix),
               matrix ? DistanceCovSu(model.FracCoords, m, a, model.Cell, *matrix)
                      : DistanceSu(model.FracCoords, model.FracSu, m, a, model.Cell));
    for (size_t k = i + 1; k < ligands.size(); ++k) {
      const TSiteRef& b = ligands[k].Site;
      ExpectSame(PropagateSites(model, {a, m, b}, AngleAtSecond, true, matrix),
                 matrix ? AngleCovSu(model.FracCoords, a, m, b, model.Cell, *matrix)
                        : AngleSu(model.FracCoords, model.FracSu, a, m, b, model.Cell));
    }
  }
}

}  // namespace

TEST(PropagateSites, OneAngleOrDistanceGetsTheSuOfTheAngleAndDistancePropagation) {
  const TStructure model = SmallModel();
  const TSiteRef a{1, IdentityOp()}, m{0, IdentityOp()}, b{2, IdentityOp()}, c = Inverted(3);
  ExpectSame(PropagateSites(model, {a, m, b}, AngleAtSecond, true, nullptr),
             AngleSu(model.FracCoords, model.FracSu, a, m, b, model.Cell));
  ExpectSame(PropagateSites(model, {a, m, c}, AngleAtSecond, true, nullptr),
             AngleSu(model.FracCoords, model.FracSu, a, m, c, model.Cell));
  ExpectSame(PropagateSites(model, {m, c}, DistanceOfFirstTwo, true, nullptr),
             DistanceSu(model.FracCoords, model.FracSu, m, c, model.Cell));
  // An atom and its own inversion image: both sites move together.
  ExpectSame(
      PropagateSites(model, {TSiteRef{3, IdentityOp()}, c}, DistanceOfFirstTwo, true, nullptr),
      DistanceSu(model.FracCoords, model.FracSu, TSiteRef{3, IdentityOp()}, c, model.Cell));

  const THandMatrix matrix = HandMatrix();
  ExpectSame(PropagateSites(model, {a, m, b}, AngleAtSecond, true, &matrix),
             AngleCovSu(model.FracCoords, a, m, b, model.Cell, matrix));
  ExpectSame(PropagateSites(model, {b, m, c}, AngleAtSecond, true, &matrix),
             AngleCovSu(model.FracCoords, b, m, c, model.Cell, matrix));
  ExpectSame(PropagateSites(model, {c, b}, DistanceOfFirstTwo, true, &matrix),
             DistanceCovSu(model.FracCoords, c, b, model.Cell, matrix));
}

TEST(PropagateSites, RealCifCentreGetsTheSuOfEveryAngleAndDistance) {
  const std::string path = RealDataFile("cif/cod4319975_NiN2Cl2.cif");
  if (path.empty()) GTEST_SKIP() << "shared/realdata is absent";
  const auto centre = AnalyseRealCentre(path, "Ni1", {}, TAnalysisOptions{});
  ASSERT_EQ(centre->Result.Ligands.size(), 4u);
  ExpectSameForCentre(centre->Loaded.Model, centre->Sites.back().Atom, centre->Result.Ligands, nullptr);
}

TEST(PropagateSites, RealShelxMatrixGivesTheSuOfTheMatrixPropagation) {
  const std::string res = RealShelxWithMatrix("dom1");
  if (res.empty()) GTEST_SKIP() << "shared/realdata is absent";
  TStructure model;
  TShelxInput shelx;
  ASSERT_NO_THROW(LoadShelxInput(res, model, shelx));
  ASSERT_TRUE(shelx.MatrixLoaded);
  const int centre = FindAtom(model, "FE02");
  ASSERT_GE(centre, 0);
  TLigArray neighbours = FindNeighbours(model, centre, 2.6);
  TLigArray ligands;
  for (const TLigand& l : neighbours)
    if (l.Element != "Fe") ligands.push_back(l);
  ASSERT_GE(ligands.size(), 5u);
  ExpectSameForCentre(model, centre, ligands, shelx.Matrix.get());
  // FE01 has no coordinate parameter: its three coordinates are missing.
  const int fe01 = FindAtom(model, "FE01");
  const TPropagation p = PropagateSites(model, {TSiteRef{fe01, IdentityOp()}, ligands[0].Site},
                                        DistanceOfFirstTwo, true, shelx.Matrix.get());
  EXPECT_EQ(p.Missing, DistanceCovSu(model.FracCoords, TSiteRef{fe01, IdentityOp()},
                                     ligands[0].Site, model.Cell, *shelx.Matrix)
                           .Missing);
  EXPECT_GE(p.Missing, 3);
}

TEST(PropagateSites, SeveralValuesGetTheirFullCovariance) {
  const TStructure model = SmallModel();
  const TSiteRef a{1, IdentityOp()}, m{0, IdentityOp()}, b{2, IdentityOp()};
  // d(m-a), d(m-b), their sum and twice the first.
  const TSitesFunction f = [](const std::vector<TVec3>& x, std::vector<double>& values) {
    const TVec3 u = Sub(x[1], x[0]), w = Sub(x[1], x[2]);
    const double du = std::sqrt(Dot(u, u)), dw = std::sqrt(Dot(w, w));
    values = {du, dw, du + dw, 2 * du};
  };
  const THandMatrix matrix = HandMatrix();
  for (const TCovSource* source :
       {static_cast<const TCovSource*>(nullptr), static_cast<const TCovSource*>(&matrix)}) {
    const TPropagation p = PropagateSites(model, {a, m, b}, f, true, source);
    ASSERT_EQ(p.Size(), 4u);
    const double var = p.Variance(0) + p.Variance(1) + 2 * p.CovarianceOf(0, 1);
    // The sum is differentiated as a whole, so rounding of the steps differs.
    EXPECT_NEAR(p.Variance(2), var, 1e-8 * var);
    EXPECT_NEAR(p.Su(3), 2 * p.Su(0), 1e-12 * p.Su(0));
    EXPECT_NEAR(p.Correlation(0, 3), 1, 1e-12);
    EXPECT_EQ(p.CovarianceOf(0, 1), p.CovarianceOf(1, 0));
    // The two distances share the centre, so they are correlated, but not fully.
    EXPECT_GT(std::fabs(p.Correlation(0, 1)), 1e-3);
    EXPECT_LT(std::fabs(p.Correlation(0, 1)), 0.999);
  }
}

TEST(PropagateSites, WithoutSuTheValuesComeAloneAndUnknownAtomsGiveNoNumber) {
  const TStructure model = SmallModel();
  const TSiteRef a{1, IdentityOp()}, m{0, IdentityOp()};
  const TPropagation p = PropagateSites(model, {a, m}, DistanceOfFirstTwo, false, nullptr);
  ASSERT_EQ(p.Size(), 1u);
  EXPECT_EQ(p.Values[0], DistanceSu(model.FracCoords, model.FracSu, a, m, model.Cell).Value);
  EXPECT_EQ(p.Su(0), 0);
  EXPECT_EQ(p.Correlation(0, 0), 0);

  const THandMatrix matrix = HandMatrix();
  const TSiteRef outside{17, IdentityOp()};
  const TPropagation q = PropagateSites(model, {outside, m}, DistanceOfFirstTwo, true, &matrix);
  EXPECT_TRUE(std::isnan(q.Values[0]));
  EXPECT_EQ(q.Missing, DistanceCovSu(model.FracCoords, outside, m, model.Cell, matrix).Missing);
  EXPECT_EQ(q.Missing, 3);
}
