// The su of the shape measures and the noise level, against Monte Carlo
// estimates from the coordinate and cell su.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/from_shelx.h"
#include "support/real_centres.h"
#include "geometry/shape_analysis.h"
#include "geometry/shapes.h"
#include "support/test_support.h"

namespace {

// A centre and its ligands in a model.
struct TCentre {
  TStructure Model;
  int CentralAtom = -1;
  TLigArray Ligands;
};

TDrawnPolyhedron Drawn(const TCentre& centre, const TCovSource* matrix = nullptr) {
  return {centre.Model, PolyhedronSites(centre.CentralAtom, centre.Ligands), matrix};
}

// The full minimum against each reference for every draw; with SP-4 and T-4
// first, also the coordinate and the deviation of their path.
TSitesFunction Measures(const std::vector<const TShapeReference*>& references) {
  return [references](const std::vector<TVec3>& points, std::vector<double>& values) {
    values.clear();
    for (const TShapeReference* reference : references) values.push_back(FitShape(points, *reference).Measure);
    if (references.size() >= 2 && references[0]->Label == "SP-4" && references[1]->Label == "T-4") {
      const TShapePath path = PathFigures(*references[0], *references[1], values[0], values[1]);
      values.push_back(path.Coordinate);
      values.push_back(path.Deviation);
    }
  };
}

// An ideal polyhedron in a cubic P1 cell, every coordinate with the same su
// (in A) and an exact cell.
TCentre IdealCentre(const TShapeReference& reference, double bond, double suInAngstrom) {
  TCentre centre;
  const double edge = 12;
  centre.Model.Cell.A = centre.Model.Cell.B = centre.Model.Cell.C = edge;
  const TVec3& middle = reference.Points.back();
  const size_t n = reference.Points.size();
  for (size_t i = 0; i < n; ++i) {
    // The centre first in the model, the ligands after it.
    const TVec3& p = reference.Points[(i + n - 1) % n];
    TVec3 frac{};
    for (size_t k = 0; k < 3; ++k) frac[k] = 0.5 + bond * (p[k] - middle[k]) / edge;
    centre.Model.FracCoords.push_back(frac);
    centre.Model.FracSu.push_back({suInAngstrom / edge, suInAngstrom / edge, suInAngstrom / edge});
    TAtom atom;
    atom.Label = i == 0 ? "M1" : "L" + std::to_string(i);
    atom.Element = i == 0 ? "Ni" : "N";
    centre.Model.Atoms.push_back(atom);
  }
  centre.CentralAtom = 0;
  for (size_t i = 1; i < n; ++i) {
    TLigand ligand;
    ligand.Site = TSiteRef{static_cast<int>(i), IdentityOp()};
    ligand.Label = centre.Model.Atoms[i].Label;
    centre.Ligands.push_back(ligand);
  }
  return centre;
}

}  // namespace

TEST(ShapeSu, AgreesWithMonteCarloOnARealStructureAwayFromZero) {
  const std::string path = RealDataFile("cif/cod4319975_NiN2Cl2.cif");
  if (path.empty()) GTEST_SKIP() << "shared/realdata is absent";
  const auto real = AnalyseRealCentre(path, "Ni1", {}, TAnalysisOptions{});
  const TCentre centre{real->Loaded.Model, real->Sites.back().Atom, real->Result.Ligands};
  const std::vector<const TShapeReference*> references = ShapeReferencesOfCN(4);
  const TShapeAnalysis analysis =
      AnalyseShapes(centre.Model, centre.CentralAtom, centre.Ligands, references, true, nullptr);
  const TMonteCarloSpread mc = MonteCarlo(Drawn(centre), Measures(references), 3000, 12345);
  ASSERT_TRUE(analysis.NoiseLevel.has_value());
  ASSERT_EQ(analysis.Measures.size(), references.size());
  for (size_t r = 0; r < references.size(); ++r) {
    const TShapeMeasure& m = analysis.Measures[r];
    SCOPED_TRACE(std::string(m.Reference->Label));
    // Far above the noise level (S = 22.3, 4.5, 2.0 and 4.0 against 0.0008).
    ASSERT_GT(m.Value, 100 * *analysis.NoiseLevel);
    ASSERT_TRUE(m.Su.has_value());
    EXPECT_NEAR(*m.Su, mc.Sd[r], 0.15 * mc.Sd[r]);
    EXPECT_NEAR(m.Value, mc.Mean[r], 0.2 * mc.Sd[r]);
    EXPECT_EQ(m.NoiseLevel, analysis.NoiseLevel);
  }
  ASSERT_EQ(analysis.Paths.size(), 1u);
  const TShapePath& p = analysis.Paths[0];
  EXPECT_EQ(p.Label, "SP-4/T-4");
  ASSERT_TRUE(p.CoordinateSu.has_value() && p.DeviationSu.has_value());
  EXPECT_NEAR(*p.CoordinateSu, mc.Sd[4], 0.15 * mc.Sd[4]);
  EXPECT_NEAR(*p.DeviationSu, mc.Sd[5], 0.15 * mc.Sd[5]);
  EXPECT_EQ(analysis.Closest, 2);  // SS-4, the cis-divacant octahedron
}

TEST(ShapeSu, TheNoiseLevelIsTheMeanMeasureThatNoiseAloneGivesAnIdealShape) {
  for (const char* label : {"SP-4", "OC-6", "TBPY-5"}) {
    SCOPED_TRACE(label);
    const TShapeReference* reference = nullptr;
    for (const TShapeReference& r : AllShapeReferences())
      if (r.Label == label) reference = &r;
    ASSERT_NE(reference, nullptr);
    const TCentre centre = IdealCentre(*reference, 2.0, 0.004);
    const TShapeAnalysis analysis =
        AnalyseShapes(centre.Model, centre.CentralAtom, centre.Ligands, {reference}, true, nullptr);
    ASSERT_EQ(analysis.Measures.size(), 1u);
    EXPECT_NEAR(analysis.Measures[0].Value, 0, 1e-9);
    ASSERT_TRUE(analysis.NoiseLevel.has_value());
    // sigma^2 = 0.004^2 A^2 for every coordinate.
    const std::vector<TVec3> points =
        PolyhedronPoints(centre.Model, PolyhedronSites(centre.CentralAtom, centre.Ligands));
    EXPECT_NEAR(*analysis.NoiseLevel, ShapeNoiseLevel(points, 0.004 * 0.004, false),
                1e-9 * *analysis.NoiseLevel);
    const TMonteCarloSpread mc = MonteCarlo(Drawn(centre), Measures({reference}), 3000, 777);
    EXPECT_NEAR(mc.Mean[0], *analysis.NoiseLevel, 0.1 * *analysis.NoiseLevel);
    // At the ideal shape the measure is at its minimum: no linear su.
    EXPECT_LT(*analysis.Measures[0].Su, 1e-3 * *analysis.NoiseLevel);
  }
}

TEST(ShapeSu, WithoutSuInTheInputThereIsNoSuAndNoNoiseLevel) {
  const TShapeReference* square = FindShapeReference(4, "SP-4");
  const TShapeReference* tetrahedron = FindShapeReference(4, "T-4");
  TCentre centre = IdealCentre(*tetrahedron, 2.0, 0.004);
  centre.Model.FracCoords[1][0] += 0.01;
  const TShapeAnalysis analysis = AnalyseShapes(centre.Model, centre.CentralAtom, centre.Ligands,
                                                {tetrahedron, square}, false, nullptr);
  ASSERT_EQ(analysis.Measures.size(), 2u);
  EXPECT_EQ(analysis.Measures[0].Reference, tetrahedron);
  EXPECT_EQ(analysis.Closest, 0);
  EXPECT_GT(analysis.Measures[0].Value, 0);
  for (const TShapeMeasure& m : analysis.Measures) {
    EXPECT_FALSE(m.Su.has_value());
    EXPECT_FALSE(m.NoiseLevel.has_value());
  }
  EXPECT_FALSE(analysis.NoiseLevel.has_value());
  ASSERT_EQ(analysis.Paths.size(), 1u);
  EXPECT_FALSE(analysis.Paths[0].CoordinateSu.has_value());
  EXPECT_NEAR(analysis.Paths[0].Coordinate, 100, 2);
}

TEST(ShapeSu, OnlyTheReferencesAskedForAndOfTheCentresCNAreMeasured) {
  const TShapeReference* square = FindShapeReference(4, "SP-4");
  const TShapeReference* octahedron = FindShapeReference(6, "OC-6");
  const TCentre centre = IdealCentre(*square, 2.0, 0.004);
  const TShapeAnalysis analysis = AnalyseShapes(centre.Model, centre.CentralAtom, centre.Ligands,
                                                {octahedron, square}, true, nullptr);
  EXPECT_EQ(analysis.CN, 4);
  ASSERT_EQ(analysis.Measures.size(), 1u);
  EXPECT_EQ(analysis.Measures[0].Reference, square);
  EXPECT_TRUE(analysis.Paths.empty());  // T-4 was not asked for
}

TEST(ShapeSu, AShelxFileWithoutMatrixGivesMeasuresWithoutSu) {
  const std::string res = RealDataFile("shelx/2240189.res");
  if (res.empty()) GTEST_SKIP() << "shared/realdata is absent";
  TStructure model;
  TShelxInput shelx;
  ASSERT_NO_THROW(LoadShelxInput(res, model, shelx));
  ASSERT_FALSE(shelx.SuAvailable);
  const int centre = FindAtom(model, "FE1");
  ASSERT_GE(centre, 0);
  TLigArray ligands =
      SelectAutomaticLigands(model, FindNeighbours(model, centre, 3.0), "Fe", 0.4, 0.5);
  ASSERT_EQ(ligands.size(), 6u);
  const TShapeAnalysis analysis =
      AnalyseShapes(model, centre, ligands, ShapeReferencesOfCN(6), shelx.SuAvailable, nullptr);
  ASSERT_EQ(analysis.Measures.size(), 5u);
  EXPECT_EQ(analysis.Measures[static_cast<size_t>(analysis.Closest)].Reference->Label, "OC-6");
  EXPECT_FALSE(analysis.Measures[0].Su.has_value());
  ASSERT_EQ(analysis.Paths.size(), 1u);
  EXPECT_EQ(analysis.Paths[0].Label, "OC-6/TPR-6");
}

TEST(ShapeSu, WithTheShelxMatrixAgreesWithMonteCarloOverTheCorrelatedCoordinates) {
  const std::string res = RealShelxWithMatrix("dom1");
  if (res.empty()) GTEST_SKIP() << "shared/realdata is absent";
  TCentre centre;
  TShelxInput shelx;
  ASSERT_NO_THROW(LoadShelxInput(res, centre.Model, shelx));
  ASSERT_TRUE(shelx.MatrixLoaded);
  centre.CentralAtom = FindAtom(centre.Model, "FE02");
  // The seven Cl around FE02 (a capped trigonal prism); the Fe neighbours left out.
  for (const TLigand& l : FindNeighbours(centre.Model, centre.CentralAtom, 2.6))
    if (l.Element != "Fe") centre.Ligands.push_back(l);
  ASSERT_EQ(centre.Ligands.size(), 7u);
  const std::vector<const TShapeReference*> references = ShapeReferencesOfCN(7);
  const TShapeAnalysis analysis = AnalyseShapes(centre.Model, centre.CentralAtom, centre.Ligands,
                                                references, true, shelx.Matrix.get());
  // FE02 and the three Cl atoms lie on the mirror: y is no parameter.
  EXPECT_EQ(analysis.Missing, 4);
  EXPECT_EQ(analysis.Measures[static_cast<size_t>(analysis.Closest)].Reference->Label, "CTPR-7");

  // Draws of the refined coordinates correlated as the matrix says.
  const TMonteCarloSpread mc = MonteCarlo(Drawn(centre, shelx.Matrix.get()), Measures(references), 1500, 2718);
  for (size_t r = 0; r < references.size(); ++r) {
    const TShapeMeasure& m = analysis.Measures[r];
    SCOPED_TRACE(std::string(m.Reference->Label));
    ASSERT_GT(m.Value, 100 * *analysis.NoiseLevel);
    EXPECT_NEAR(*m.Su, mc.Sd[r], 0.15 * mc.Sd[r]);
  }
}
