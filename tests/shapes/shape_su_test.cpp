// The su of the shape measures and the noise level, against Monte Carlo
// estimates from the coordinate and cell su.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "input_shelx.h"
#include "shape_analysis.h"
#include "shape_support.h"
#include "shapes.h"
#include "test_support.h"

namespace {

struct TMonteCarlo {
  std::vector<double> Mean, Sd;              // per reference
  double CoordinateSd = 0, DeviationSd = 0;  // of the SP-4/T-4 path, with both references
};

double SampleSd(double sum, double squares, int draws) {
  const double mean = sum / draws;
  return std::sqrt((squares - draws * mean * mean) / (draws - 1));
}

// Draws the fractional coordinates of the polyhedron's atoms and the cell
// from their su and re-runs the full minimum each time.
TMonteCarlo MonteCarlo(const TRealCentre& centre,
                       const std::vector<const TShapeReference*>& references, int draws,
                       unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal;
  const std::vector<TSiteRef> sites = PolyhedronSites(centre.CentralAtom, centre.Ligands);
  std::vector<double> sum(references.size(), 0), squares(references.size(), 0);
  double coordinate = 0, coordinate2 = 0, deviation = 0, deviation2 = 0;
  for (int draw = 0; draw < draws; ++draw) {
    TStructure model = centre.Model;
    std::vector<int> moved;
    for (const TSiteRef& site : sites) {
      if (std::find(moved.begin(), moved.end(), site.Atom) != moved.end()) continue;
      moved.push_back(site.Atom);
      for (size_t k = 0; k < 3; ++k)
        model.FracCoords[static_cast<size_t>(site.Atom)][k] +=
            model.FracSu[static_cast<size_t>(site.Atom)][k] * normal(rng);
    }
    for (const TCellSuTerm& term : kCellSuTerms)
      model.Cell.*term.Parameter += model.Cell.*term.Su * normal(rng);
    const std::vector<TVec3> points = PolyhedronPoints(model, sites);
    std::vector<double> measures;
    for (size_t r = 0; r < references.size(); ++r) {
      const double s = FitShape(points, *references[r]).Measure;
      measures.push_back(s);
      sum[r] += s;
      squares[r] += s * s;
    }
    if (references.size() >= 2 && references[0]->Label == "SP-4" && references[1]->Label == "T-4") {
      const TShapePath path = PathFigures(*references[0], *references[1], measures[0], measures[1]);
      coordinate += path.Coordinate, coordinate2 += path.Coordinate * path.Coordinate;
      deviation += path.Deviation, deviation2 += path.Deviation * path.Deviation;
    }
  }
  TMonteCarlo result;
  for (size_t r = 0; r < references.size(); ++r) {
    const double mean = sum[r] / draws;
    result.Mean.push_back(mean);
    result.Sd.push_back(SampleSd(sum[r], squares[r], draws));
  }
  result.CoordinateSd = SampleSd(coordinate, coordinate2, draws);
  result.DeviationSd = SampleSd(deviation, deviation2, draws);
  return result;
}

// An ideal polyhedron in a cubic P1 cell, every coordinate with the same su
// (in A) and an exact cell.
TRealCentre IdealCentre(const TShapeReference& reference, double bond, double suInAngstrom) {
  TRealCentre centre;
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
    centre.Model.Atoms.push_back(
        TAtom{i == 0 ? "M1" : "L" + std::to_string(i), i == 0 ? "Ni" : "N"});
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
  TRealCentre centre;
  ASSERT_TRUE(LoadRealCentre(path, "Ni1", centre));
  const std::vector<const TShapeReference*> references = ShapeReferencesOfCN(4);
  const TShapeAnalysis analysis =
      AnalyseShapes(centre.Model, centre.CentralAtom, centre.Ligands, references, true, nullptr);
  const TMonteCarlo mc = MonteCarlo(centre, references, 3000, 12345);
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
  EXPECT_NEAR(*p.CoordinateSu, mc.CoordinateSd, 0.15 * mc.CoordinateSd);
  EXPECT_NEAR(*p.DeviationSu, mc.DeviationSd, 0.15 * mc.DeviationSd);
  EXPECT_EQ(analysis.Closest, 2);  // SS-4, the cis-divacant octahedron
}

TEST(ShapeSu, TheNoiseLevelIsTheMeanMeasureThatNoiseAloneGivesAnIdealShape) {
  for (const char* label : {"SP-4", "OC-6", "TBPY-5"}) {
    SCOPED_TRACE(label);
    const TShapeReference* reference = nullptr;
    for (const TShapeReference& r : AllShapeReferences())
      if (r.Label == label) reference = &r;
    ASSERT_NE(reference, nullptr);
    const TRealCentre centre = IdealCentre(*reference, 2.0, 0.004);
    const TShapeAnalysis analysis =
        AnalyseShapes(centre.Model, centre.CentralAtom, centre.Ligands, {reference}, true, nullptr);
    ASSERT_EQ(analysis.Measures.size(), 1u);
    EXPECT_NEAR(analysis.Measures[0].Value, 0, 1e-9);
    ASSERT_TRUE(analysis.NoiseLevel.has_value());
    // sigma^2 = 0.004^2 A^2 for every coordinate.
    const std::vector<TVec3> points =
        PolyhedronPoints(centre.Model, PolyhedronSites(centre.CentralAtom, centre.Ligands));
    EXPECT_NEAR(*analysis.NoiseLevel, ShapeNoiseLevel(points, 0.004 * 0.004),
                1e-9 * *analysis.NoiseLevel);
    const TMonteCarlo mc = MonteCarlo(centre, {reference}, 3000, 777);
    EXPECT_NEAR(mc.Mean[0], *analysis.NoiseLevel, 0.1 * *analysis.NoiseLevel);
    // At the ideal shape the measure is at its minimum: no linear su.
    EXPECT_LT(*analysis.Measures[0].Su, 1e-3 * *analysis.NoiseLevel);
  }
}

TEST(ShapeSu, WithoutSuInTheInputThereIsNoSuAndNoNoiseLevel) {
  const TShapeReference* square = FindShapeReference(4, "SP-4");
  const TShapeReference* tetrahedron = FindShapeReference(4, "T-4");
  TRealCentre centre = IdealCentre(*tetrahedron, 2.0, 0.004);
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
  const TRealCentre centre = IdealCentre(*square, 2.0, 0.004);
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
  const std::string res = RealDataFile("shelx/dom1_mC.res");
  const std::string mat = RealDataFile("mat/dom1_mC.mat");
  if (res.empty() || mat.empty()) GTEST_SKIP() << "shared/realdata is absent";
  const std::filesystem::path dir = std::filesystem::path(ScratchDir()) / "dom1";
  std::filesystem::create_directories(dir);
  const auto overwrite = std::filesystem::copy_options::overwrite_existing;
  std::filesystem::copy_file(res, dir / "dom1_mC.res", overwrite);
  std::filesystem::copy_file(mat, dir / "dom1_mC.mat", overwrite);
  TRealCentre centre;
  TShelxInput shelx;
  ASSERT_NO_THROW(LoadShelxInput((dir / "dom1_mC.res").string(), centre.Model, shelx));
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

  // Correlated draws of the refined coordinates: Cholesky factor of their
  // covariance (squared fractions of the cell edges).
  const TCovSource& matrix = *shelx.Matrix;
  struct TParam {
    int Atom, Axis, Index;
  };
  std::vector<TParam> params;
  for (const TSiteRef& site : PolyhedronSites(centre.CentralAtom, centre.Ligands))
    for (int axis = 0; axis < 3; ++axis) {
      const int index = matrix.ParamIndex(site.Atom, axis);
      bool seen = false;
      for (const TParam& p : params) seen = seen || (p.Atom == site.Atom && p.Axis == axis);
      if (index >= 0 && !seen) params.push_back({site.Atom, axis, index});
    }
  const size_t n = params.size();
  std::vector<double> l(n * n, 0);
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j <= i; ++j) {
      double sum = matrix.Covariance(params[i].Index, params[j].Index);
      for (size_t k = 0; k < j; ++k) sum -= l[i * n + k] * l[j * n + k];
      l[i * n + j] =
          i == j ? std::sqrt(std::fmax(sum, 0.0)) : (l[j * n + j] > 0 ? sum / l[j * n + j] : 0);
    }
  std::mt19937 rng(2718);
  std::normal_distribution<double> normal;
  const int draws = 1500;
  std::vector<double> sum(references.size(), 0), squares(references.size(), 0);
  const std::vector<TSiteRef> sites = PolyhedronSites(centre.CentralAtom, centre.Ligands);
  for (int draw = 0; draw < draws; ++draw) {
    TStructure model = centre.Model;
    std::vector<double> z(n);
    for (double& x : z) x = normal(rng);
    for (size_t i = 0; i < n; ++i) {
      double shift = 0;
      for (size_t k = 0; k <= i; ++k) shift += l[i * n + k] * z[k];
      model.FracCoords[static_cast<size_t>(params[i].Atom)][static_cast<size_t>(params[i].Axis)] +=
          shift;
    }
    for (const TCellSuTerm& term : kCellSuTerms)
      model.Cell.*term.Parameter += model.Cell.*term.Su * normal(rng);
    const std::vector<TVec3> points = PolyhedronPoints(model, sites);
    for (size_t r = 0; r < references.size(); ++r) {
      const double measure = FitShape(points, *references[r]).Measure;
      sum[r] += measure;
      squares[r] += measure * measure;
    }
  }
  for (size_t r = 0; r < references.size(); ++r) {
    const TShapeMeasure& m = analysis.Measures[r];
    SCOPED_TRACE(std::string(m.Reference->Label));
    ASSERT_GT(m.Value, 100 * *analysis.NoiseLevel);
    const double sd = SampleSd(sum[r], squares[r], draws);
    EXPECT_NEAR(*m.Su, sd, 0.15 * sd);
  }
}
