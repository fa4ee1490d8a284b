#include "crystal/su.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <system_error>

namespace {

// The sites of one distance (2) or angle (3) with private copies of their
// positions and of the cell, so that parameters can be stepped freely.
struct TSiteSet {
  int Count = 0;
  const TSiteRef* Sites[3] = {nullptr, nullptr, nullptr};
  TVec3 Positions[3] = {};
  TCell Cell;
  int Atoms[3] = {-1, -1, -1};  // distinct atoms in site order, valid ones only
  int AtomCount = 0;
  int InvalidAtoms = 0;         // distinct atom indices outside the position list
};

bool AtomInRange(const std::vector<TVec3>& coords, int atom) {
  return atom >= 0 && static_cast<size_t>(atom) < coords.size();
}

bool Contains(const int* list, int count, int value) {
  for (int i = 0; i < count; ++i)
    if (list[i] == value) return true;
  return false;
}

TSiteSet MakeSiteSet(const std::vector<TVec3>& coords, std::initializer_list<const TSiteRef*> sites,
                     const TCell& cell) {
  TSiteSet set;
  set.Cell = cell;
  int seenInvalid[3] = {0, 0, 0};
  int invalidCount = 0;
  for (const TSiteRef* site : sites) {
    const int i = set.Count++;
    set.Sites[i] = site;
    const int atom = site->Atom;
    if (AtomInRange(coords, atom)) {
      set.Positions[i] = coords[static_cast<size_t>(atom)];
      if (!Contains(set.Atoms, set.AtomCount, atom)) set.Atoms[set.AtomCount++] = atom;
    } else {
      // No position: the value comes out NaN instead of a plausible number.
      const double nan = std::numeric_limits<double>::quiet_NaN();
      set.Positions[i] = {nan, nan, nan};
      if (!Contains(seenInvalid, invalidCount, atom)) seenInvalid[invalidCount++] = atom;
    }
  }
  set.InvalidAtoms = invalidCount;
  return set;
}

double EvaluateSites(const TSiteSet& set) {
  const TSiteRef& s0 = *set.Sites[0];
  const TSiteRef& s1 = *set.Sites[1];
  if (set.Count == 2)
    return SiteDistance(set.Positions[0], s0.Op, set.Positions[1], s1.Op, set.Cell);
  const TSiteRef& s2 = *set.Sites[2];
  return SiteAngle(set.Positions[0], s0.Op, set.Positions[1], s1.Op, set.Positions[2], s2.Op,
                   set.Cell);
}

void SetAtomCoordinate(TSiteSet& set, int atom, int axis, double value) {
  for (int i = 0; i < set.Count; ++i)
    if (set.Sites[i]->Atom == atom) set.Positions[i][static_cast<size_t>(axis)] = value;
}

// Central difference along one coordinate of an atom, moving every site of
// that atom together (an atom and its symmetry image move as one).
double CoordinateDerivative(TSiteSet& set, int atom, int axis) {
  int first = 0;
  while (set.Sites[first]->Atom != atom) ++first;
  const double original = set.Positions[first][static_cast<size_t>(axis)];
  const double up = original + kSuCoordinateStep;
  SetAtomCoordinate(set, atom, axis, up);
  const double fPlus = EvaluateSites(set);
  SetAtomCoordinate(set, atom, axis, up - 2 * kSuCoordinateStep);
  const double fMinus = EvaluateSites(set);
  SetAtomCoordinate(set, atom, axis, original);
  return (fPlus - fMinus) / (2 * kSuCoordinateStep);
}

double CellParameterDerivative(TSiteSet& set, double TCell::*parameter, double step) {
  double& value = set.Cell.*parameter;
  const double original = value;
  value = original + step;
  const double fPlus = EvaluateSites(set);
  value = (original + step) - 2 * step;
  const double fMinus = EvaluateSites(set);
  value = original;
  return (fPlus - fMinus) / (2 * step);
}

// Adds the cell terms one by one to the running sum of the coordinate terms,
// so that the sum is formed in the same order as the terms are taken.
void AddCellVariance(TSiteSet& set, double& sum) {
  for (const TCellSuTerm& term : kCellSuTerms) {
    const double su = set.Cell.*term.Su;
    if (!(su > 0)) continue;
    const double g = CellParameterDerivative(set, term.Parameter, term.Step);
    sum += (g * su) * (g * su);
  }
}

double CoordinateVarianceFromSu(TSiteSet& set, const std::vector<TVec3>& fracSu) {
  double sum = 0;
  for (int a = 0; a < set.AtomCount; ++a) {
    const int atom = set.Atoms[a];
    if (static_cast<size_t>(atom) >= fracSu.size()) continue;
    for (int k = 0; k < 3; ++k) {
      const double su = fracSu[static_cast<size_t>(atom)][static_cast<size_t>(k)];
      if (!(su > 0)) continue;
      const double g = CoordinateDerivative(set, atom, k);
      sum += (g * su) * (g * su);
    }
  }
  return sum;
}

double CoordinateVarianceFromMatrix(TSiteSet& set, const TCovSource& cov, int& missing) {
  int params[9];
  double grads[9];
  int n = 0;
  missing = 3 * set.InvalidAtoms;
  for (int a = 0; a < set.AtomCount; ++a) {
    const int atom = set.Atoms[a];
    for (int k = 0; k < 3; ++k) {
      const int p = cov.ParamIndex(atom, k);
      if (p < 0) {
        ++missing;
        continue;
      }
      params[n] = p;
      grads[n] = CoordinateDerivative(set, atom, k);
      ++n;
    }
  }
  double sum = 0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) sum += grads[i] * grads[j] * cov.Covariance(params[i], params[j]);
  // A matrix that is not positive semi-definite must not yield a NaN su.
  if (sum < 0) sum = 0;
  return sum;
}

TValueSu SuWithoutCovariances(TSiteSet set, const std::vector<TVec3>& fracSu) {
  TValueSu result;
  result.Value = EvaluateSites(set);
  double sum = CoordinateVarianceFromSu(set, fracSu);
  AddCellVariance(set, sum);
  result.Su = std::sqrt(sum);
  return result;
}

TValueSu SuWithCovariances(TSiteSet set, const TCovSource& cov) {
  TValueSu result;
  result.Value = EvaluateSites(set);
  double sum = CoordinateVarianceFromMatrix(set, cov, result.Missing);
  AddCellVariance(set, sum);
  result.Su = std::sqrt(sum);
  return result;
}

}  // namespace

TValueSu DistanceSu(const std::vector<TVec3>& fracCoords, const std::vector<TVec3>& fracSu,
                    const TSiteRef& s1, const TSiteRef& s2, const TCell& cell) {
  return SuWithoutCovariances(MakeSiteSet(fracCoords, {&s1, &s2}, cell), fracSu);
}

TValueSu AngleSu(const std::vector<TVec3>& fracCoords, const std::vector<TVec3>& fracSu,
                 const TSiteRef& s1, const TSiteRef& vertex, const TSiteRef& s3,
                 const TCell& cell) {
  return SuWithoutCovariances(MakeSiteSet(fracCoords, {&s1, &vertex, &s3}, cell), fracSu);
}

TValueSu DistanceCovSu(const std::vector<TVec3>& fracCoords, const TSiteRef& s1,
                       const TSiteRef& s2, const TCell& cell, const TCovSource& cov) {
  return SuWithCovariances(MakeSiteSet(fracCoords, {&s1, &s2}, cell), cov);
}

TValueSu AngleCovSu(const std::vector<TVec3>& fracCoords, const TSiteRef& s1,
                    const TSiteRef& vertex, const TSiteRef& s3, const TCell& cell,
                    const TCovSource& cov) {
  return SuWithCovariances(MakeSiteSet(fracCoords, {&s1, &vertex, &s3}, cell), cov);
}
