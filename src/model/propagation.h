// The numerical su propagation for any values computed from the positions of
// a few atom images: the full covariance J C J^T of the values, with J from
// central differences and C the coordinate (and cell) covariance of the
// input. It follows the propagation of the distances and angles (DistanceSu,
// AngleSu and their matrix variants in ugeom) step for step, so that one
// value computed through it gets the same su as they give.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"

struct TStructure;

// Values computed from the Cartesian positions (Angstrom) of some atom
// images, in site order. The function sets the size of values; it must give
// the same number of values at every call.
using TSitesFunction =
    std::function<void(const std::vector<TVec3>& cartesian, std::vector<double>& values)>;

// A propagated su below this fraction of the scale of its quantity (180 deg
// for an angle, 100 for a shape measure, the polyhedron's extent for a
// length) is what the central differences leave of an exact zero, such as
// the su of a figure fixed by site symmetry: it counts as 0.
inline constexpr double kSuNoiseFloor = 1e-9;
double SuAboveNoise(double su, double scale);

struct TPropagation {
  std::vector<double> Values;
  std::vector<double> Covariance;  // n x n, row-major; all zero without su
  int Missing = 0;                 // coordinates without a matrix parameter (with a matrix only)
  // Coordinates that carry an su (or a matrix variance): without any, the
  // su come from the cell alone.
  int CoordinatesWithSu = 0;

  size_t Size() const { return Values.size(); }
  double Variance(size_t i) const { return Covariance[i * Values.size() + i]; }
  double CovarianceOf(size_t i, size_t j) const { return Covariance[i * Values.size() + j]; }
  double Su(size_t i) const;
  // The su, or 0 below the noise floor of the scale.
  double Su(size_t i, double scale) const { return SuAboveNoise(Su(i), scale); }
  // 0 where either su is 0.
  double Correlation(size_t i, size_t j) const;
};

// With a matrix (a TCovSource such as TMatFile): its coordinate covariances,
// in squared fractions of the cell edges, with the cell su. Without one: the
// model's coordinate su and cell su, each coordinate independent. Every site
// of one atom moves with it; coordinates of atoms outside the model give NaN
// values. suAvailable false: the values alone, the covariance all zero.
TPropagation PropagateSites(const TStructure& model, const std::vector<TSiteRef>& sites,
                            const TSitesFunction& f, bool suAvailable, const TCovSource* matrix);
