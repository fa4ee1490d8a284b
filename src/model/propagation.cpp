#include "model/propagation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/structure.h"

double SuAboveNoise(double su, double scale) {
  return su < kSuNoiseFloor * std::fabs(scale) ? 0 : su;
}

double TPropagation::Su(size_t i) const {
  const double variance = Variance(i);
  return variance > 0 ? std::sqrt(variance) : 0;
}

double TPropagation::Correlation(size_t i, size_t j) const {
  const double si = Su(i), sj = Su(j);
  if (!(si > 0) || !(sj > 0)) return 0;
  return std::clamp(CovarianceOf(i, j) / (si * sj), -1.0, 1.0);
}

namespace {

// The sites with private copies of their positions and of the cell, so that
// parameters can be stepped freely.
struct TSteppedSites {
  const std::vector<TSiteRef>& Sites;
  const TSitesFunction& Function;
  std::vector<TVec3> Positions;  // fractional, per site
  TCell Cell;
  std::vector<int> Atoms;        // distinct atoms in site order, valid ones only
  int InvalidAtoms = 0;          // distinct atom indices outside the model
  std::vector<TVec3> Cartesian;  // scratch
};

TSteppedSites MakeSteppedSites(const TStructure& model, const std::vector<TSiteRef>& sites,
                               const TSitesFunction& f) {
  TSteppedSites set{sites, f, {}, model.Cell, {}, 0, {}};
  std::vector<int> invalid;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const TSiteRef& site : sites) {
    const int atom = site.Atom;
    if (atom >= 0 && static_cast<size_t>(atom) < model.FracCoords.size()) {
      set.Positions.push_back(model.FracCoords[static_cast<size_t>(atom)]);
      if (std::find(set.Atoms.begin(), set.Atoms.end(), atom) == set.Atoms.end())
        set.Atoms.push_back(atom);
    } else {
      set.Positions.push_back({nan, nan, nan});
      if (std::find(invalid.begin(), invalid.end(), atom) == invalid.end()) invalid.push_back(atom);
    }
  }
  set.InvalidAtoms = static_cast<int>(invalid.size());
  set.Cartesian.resize(sites.size());
  return set;
}

void Evaluate(TSteppedSites& set, std::vector<double>& values) {
  const TMat3 m = CellMatrix(set.Cell);
  for (size_t i = 0; i < set.Sites.size(); ++i)
    set.Cartesian[i] = SiteToCart(set.Positions[i], set.Sites[i].Op, m);
  set.Function(set.Cartesian, values);
}

void SetAtomCoordinate(TSteppedSites& set, int atom, int axis, double value) {
  for (size_t i = 0; i < set.Sites.size(); ++i)
    if (set.Sites[i].Atom == atom) set.Positions[i][static_cast<size_t>(axis)] = value;
}

std::vector<double> Difference(const std::vector<double>& plus, const std::vector<double>& minus,
                               double step) {
  std::vector<double> g(plus.size());
  for (size_t k = 0; k < plus.size() && k < minus.size(); ++k)
    g[k] = (plus[k] - minus[k]) / (2 * step);
  return g;
}

// Central differences along one coordinate of an atom, every site of that
// atom moving together (an atom and its symmetry images move as one).
std::vector<double> CoordinateDerivatives(TSteppedSites& set, int atom, int axis) {
  size_t first = 0;
  while (set.Sites[first].Atom != atom) ++first;
  const double original = set.Positions[first][static_cast<size_t>(axis)];
  const double up = original + kSuCoordinateStep;
  std::vector<double> plus, minus;
  SetAtomCoordinate(set, atom, axis, up);
  Evaluate(set, plus);
  SetAtomCoordinate(set, atom, axis, up - 2 * kSuCoordinateStep);
  Evaluate(set, minus);
  SetAtomCoordinate(set, atom, axis, original);
  return Difference(plus, minus, kSuCoordinateStep);
}

std::vector<double> CellDerivatives(TSteppedSites& set, const TCellSuTerm& term) {
  double& value = set.Cell.*term.Parameter;
  const double original = value;
  std::vector<double> plus, minus;
  value = original + term.Step;
  Evaluate(set, plus);
  value = (original + term.Step) - 2 * term.Step;
  Evaluate(set, minus);
  value = original;
  return Difference(plus, minus, term.Step);
}

// Adds (g su)(g su)^T: one independent parameter.
void AddIndependentTerm(std::vector<double>& covariance, const std::vector<double>& g, double su) {
  const size_t n = g.size();
  for (size_t k = 0; k < n; ++k)
    for (size_t l = 0; l < n; ++l) covariance[k * n + l] += (g[k] * su) * (g[l] * su);
}

void AddCellTerms(TSteppedSites& set, std::vector<double>& covariance) {
  for (const TCellSuTerm& term : kCellSuTerms) {
    const double su = set.Cell.*term.Su;
    if (!(su > 0)) continue;
    AddIndependentTerm(covariance, CellDerivatives(set, term), su);
  }
}

void AddCoordinateTermsFromSu(TSteppedSites& set, const std::vector<TVec3>& fracSu,
                              std::vector<double>& covariance, int& withSu) {
  for (int atom : set.Atoms) {
    if (static_cast<size_t>(atom) >= fracSu.size()) continue;
    for (int k = 0; k < 3; ++k) {
      const double su = fracSu[static_cast<size_t>(atom)][static_cast<size_t>(k)];
      if (!(su > 0)) continue;
      ++withSu;
      AddIndependentTerm(covariance, CoordinateDerivatives(set, atom, k), su);
    }
  }
}

void AddCoordinateTermsFromMatrix(TSteppedSites& set, const TCovSource& cov, size_t n,
                                  std::vector<double>& covariance, int& missing, int& withSu) {
  std::vector<int> params;
  std::vector<std::vector<double>> grads;
  missing = 3 * set.InvalidAtoms;
  for (int atom : set.Atoms)
    for (int k = 0; k < 3; ++k) {
      const int p = cov.ParamIndex(atom, k);
      if (p < 0) {
        ++missing;
        continue;
      }
      params.push_back(p);
      if (cov.Covariance(p, p) > 0) ++withSu;
      grads.push_back(CoordinateDerivatives(set, atom, k));
    }
  for (size_t i = 0; i < params.size(); ++i)
    for (size_t j = 0; j < params.size(); ++j) {
      const double c = cov.Covariance(params[i], params[j]);
      for (size_t k = 0; k < n; ++k)
        for (size_t l = k; l < n; ++l) covariance[k * n + l] += grads[i][k] * grads[j][l] * c;
    }
  for (size_t k = 0; k < n; ++k)
    for (size_t l = k + 1; l < n; ++l) covariance[l * n + k] = covariance[k * n + l];
  // A matrix that is not positive semi-definite must not yield a NaN su.
  for (size_t k = 0; k < n; ++k)
    if (covariance[k * n + k] < 0) covariance[k * n + k] = 0;
}

}  // namespace

TPropagation PropagateSites(const TStructure& model, const std::vector<TSiteRef>& sites,
                            const TSitesFunction& f, bool suAvailable, const TCovSource* matrix) {
  TPropagation result;
  TSteppedSites set = MakeSteppedSites(model, sites, f);
  Evaluate(set, result.Values);
  const size_t n = result.Values.size();
  result.Covariance.assign(n * n, 0.0);
  if (!suAvailable || n == 0) return result;
  if (matrix != nullptr)
    AddCoordinateTermsFromMatrix(set, *matrix, n, result.Covariance, result.Missing,
                                 result.CoordinatesWithSu);
  else
    AddCoordinateTermsFromSu(set, model.FracSu, result.Covariance, result.CoordinatesWithSu);
  AddCellTerms(set, result.Covariance);
  return result;
}
