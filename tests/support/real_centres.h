// Real centres analysed as a run with --shapes analyses them, and Monte
// Carlo estimates of the spread of any figure of their coordination
// polyhedron: the coordinates drawn from their su (each independent) or
// jointly from the SHELXL matrix, the cell from its su.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "analysis/centre.h"
#include "model/propagation.h"
#include "geometry/shape_analysis.h"
#include "support/test_support.h"
#include "io/cif.h"

struct TAnalysedCentre {
  TCifFile Cif;
  TLoadedInput Loaded;
  std::unique_ptr<TModelSearch> Search;
  TCentreResult Result;
  std::vector<TSiteRef> Sites;  // the ligands, then the centre

  const TCovSource* Matrix() const { return Loaded.Input.MatrixLoaded ? Loaded.Shelx.Matrix.get() : nullptr; }
};

// A CIF or SHELX file; ligands named, or none for the automatic search.
// nullptr when the file is absent.
inline std::unique_ptr<TAnalysedCentre> AnalyseRealCentre(const std::string& path, const std::string& centre,
                                                          const std::vector<std::string>& ligands, TAnalysisOptions options) {
  if (path.empty()) return nullptr;
  auto analysed = std::make_unique<TAnalysedCentre>();
  TLoadedInput& loaded = analysed->Loaded;
  loaded.Input.InputPath = path;
  const std::string extension = AsciiLowerCopy(FileExtension(path));
  if (extension == ".res" || extension == ".ins") {
    loaded.Input.Kind = TInputKind::Shelx;
    LoadStructureFile(options, DiskFiles(), loaded);
  } else {
    LoadCifFile(path, DiskFiles(), analysed->Cif);
    LoadCifBlock(analysed->Cif, ChooseBlock(analysed->Cif, "", centre), loaded);
  }
  const int atom = FindAtom(loaded.Model, centre);
  ReadAnglesAt(loaded, {atom});
  analysed->Search = std::make_unique<TModelSearch>(loaded.Model);
  options.shapes = true;
  analysed->Result = AnalyseCentre(loaded, *analysed->Search, atom, {options, ligands, false, false});
  analysed->Sites = PolyhedronSites(atom, analysed->Result.Ligands);
  return analysed;
}

struct TMonteCarloSpread {
  std::vector<double> Mean, Sd, Covariance;  // Covariance n x n, row-major

  double CorrelationOf(size_t i, size_t j) const { return Covariance[i * Mean.size() + j] / (Sd[i] * Sd[j]); }
};

// The atoms whose spread a draw takes: the polyhedron's sites, and the
// covariance of their coordinates (the SHELXL matrix, or nullptr for the
// independent coordinate su of the model).
struct TDrawnPolyhedron {
  const TStructure& Model;
  std::vector<TSiteRef> Sites;
  const TCovSource* Matrix = nullptr;
};

inline TDrawnPolyhedron DrawnPolyhedron(const TAnalysedCentre& centre) {
  return {centre.Loaded.Model, centre.Sites, centre.Matrix()};
}

// The fractional coordinates of one draw: shifts of the refined parameters
// by the Cholesky factor of their covariance, or of each coordinate by its su.
inline std::vector<TVec3> DrawnCoordinates(const TDrawnPolyhedron& polyhedron, std::mt19937& rng) {
  std::normal_distribution<double> normal;
  const TStructure& model = polyhedron.Model;
  const TCovSource* matrix = polyhedron.Matrix;
  std::vector<TVec3> frac = model.FracCoords;
  std::vector<std::pair<int, int>> params;  // atom, axis
  for (const TSiteRef& site : polyhedron.Sites)
    for (int axis = 0; axis < 3; ++axis)
      if (std::find(params.begin(), params.end(), std::pair{site.Atom, axis}) == params.end() &&
          (!matrix || matrix->ParamIndex(site.Atom, axis) >= 0))
        params.emplace_back(site.Atom, axis);
  const size_t n = params.size();
  std::vector<double> l(n * n, 0), z(n);
  for (size_t i = 0; i < n; ++i) {
    z[i] = normal(rng);
    const auto [atom, axis] = params[i];
    if (!matrix) {
      frac[atom][axis] += model.FracSu[atom][axis] * z[i];
      continue;
    }
    for (size_t j = 0; j <= i; ++j) {
      double sum = matrix->Covariance(matrix->ParamIndex(atom, axis),
                                      matrix->ParamIndex(params[j].first, params[j].second));
      for (size_t k = 0; k < j; ++k) sum -= l[i * n + k] * l[j * n + k];
      l[i * n + j] = i == j ? std::sqrt(std::fmax(sum, 0.0)) : (l[j * n + j] > 0 ? sum / l[j * n + j] : 0);
    }
    for (size_t k = 0; k <= i; ++k) frac[atom][axis] += l[i * n + k] * z[k];
  }
  return frac;
}

// The values of f over `draws` perturbed copies of the polyhedron.
inline TMonteCarloSpread MonteCarlo(const TDrawnPolyhedron& polyhedron, const TSitesFunction& f, int draws,
                                    unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal;
  std::vector<std::vector<double>> samples(static_cast<size_t>(draws));
  for (std::vector<double>& values : samples) {
    const std::vector<TVec3> frac = DrawnCoordinates(polyhedron, rng);
    TCell cell = polyhedron.Model.Cell;
    for (const TCellSuTerm& term : kCellSuTerms) cell.*term.Parameter += cell.*term.Su * normal(rng);
    std::vector<TVec3> points;
    for (const TSiteRef& site : polyhedron.Sites)
      points.push_back(SiteToCart(frac[site.Atom], site.Op, CellMatrix(cell)));
    f(points, values);
  }
  const size_t n = samples.front().size();
  TMonteCarloSpread spread{std::vector<double>(n, 0), {}, std::vector<double>(n * n, 0)};
  for (const auto& s : samples)
    for (size_t i = 0; i < n; ++i) spread.Mean[i] += s[i] / draws;
  for (const auto& s : samples)
    for (size_t i = 0; i < n; ++i)
      for (size_t j = 0; j < n; ++j)
        spread.Covariance[i * n + j] += (s[i] - spread.Mean[i]) * (s[j] - spread.Mean[j]) / (draws - 1);
  for (size_t i = 0; i < n; ++i) spread.Sd.push_back(std::sqrt(spread.Covariance[i * n + i]));
  return spread;
}

inline TMonteCarloSpread MonteCarlo(const TAnalysedCentre& centre, const TSitesFunction& f, int draws, unsigned seed) {
  return MonteCarlo(DrawnPolyhedron(centre), f, draws, seed);
}
