// Distances and angles with su propagated from the coordinates and the
// cell, by central differences, with or without a covariance matrix.
#pragma once

#include <vector>

#include "crystal/cell.h"
#include "crystal/symmetry.h"

// The source of coordinate covariances that the su propagation consults.
class TCovSource {
 public:
  virtual ~TCovSource() = default;
  // Number of the refined parameter that is this atom's coordinate, or -1.
  virtual int ParamIndex(int atom, int axis) const = 0;
  // Covariance of two parameters in squared fractions of the cell edges.
  virtual double Covariance(int i, int j) const = 0;
};

// The steps of the numerical su propagation by central differences: in
// fractional coordinates, in the cell edges (A) and in the cell angles (deg).
inline constexpr double kSuCoordinateStep = 1e-6;
inline constexpr double kSuLengthStep = 1e-5;
inline constexpr double kSuAngleStep = 1e-4;

struct TCellSuTerm {
  double TCell::*Parameter;
  double TCell::*Su;
  double Step;
};

// The cell terms in the order a, alpha, b, beta, c, gamma, the order in which
// they are added to a variance.
inline constexpr TCellSuTerm kCellSuTerms[6] = {
    {&TCell::A, &TCell::SuA, kSuLengthStep},   {&TCell::Alpha, &TCell::SuAlpha, kSuAngleStep},
    {&TCell::B, &TCell::SuB, kSuLengthStep},   {&TCell::Beta, &TCell::SuBeta, kSuAngleStep},
    {&TCell::C, &TCell::SuC, kSuLengthStep},   {&TCell::Gamma, &TCell::SuGamma, kSuAngleStep},
};

struct TValueSu {
  double Value = 0;
  double Su = 0;
  int Missing = 0;  // coordinates without a matrix parameter (covariance variants only)
};

TValueSu DistanceSu(const std::vector<TVec3>& fracCoords, const std::vector<TVec3>& fracSu,
                    const TSiteRef& s1, const TSiteRef& s2, const TCell& cell);
TValueSu AngleSu(const std::vector<TVec3>& fracCoords, const std::vector<TVec3>& fracSu,
                 const TSiteRef& s1, const TSiteRef& vertex, const TSiteRef& s3,
                 const TCell& cell);
TValueSu DistanceCovSu(const std::vector<TVec3>& fracCoords, const TSiteRef& s1,
                       const TSiteRef& s2, const TCell& cell, const TCovSource& cov);
TValueSu AngleCovSu(const std::vector<TVec3>& fracCoords, const TSiteRef& s1,
                    const TSiteRef& vertex, const TSiteRef& s3, const TCell& cell,
                    const TCovSource& cov);
