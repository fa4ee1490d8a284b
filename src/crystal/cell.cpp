#include "crystal/cell.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <system_error>

#include "crystal/symmetry.h"

namespace {

struct TCellCosines {
  double Ca, Cb, Cg;
};

TCellCosines CellCosines(const TCell& cell) {
  return {std::cos(cell.Alpha * kDegToRad), std::cos(cell.Beta * kDegToRad),
          std::cos(cell.Gamma * kDegToRad)};
}

// 1 - ca^2 - cb^2 - cg^2 + 2 ca cb cg, i.e. (V / abc)^2.
double ReducedVolumeSquared(const TCellCosines& c) {
  return 1.0 - c.Ca * c.Ca - c.Cb * c.Cb - c.Cg * c.Cg + 2.0 * c.Ca * c.Cb * c.Cg;
}

}  // namespace

TMat3 CellMatrix(const TCell& cell) {
  const TCellCosines c = CellCosines(cell);
  const double sg = std::sin(cell.Gamma * kDegToRad);
  double h = ReducedVolumeSquared(c);
  // Angles that cannot close a cell flatten it rather than produce NaN.
  if (h < 0) h = 0;
  TMat3 m{};
  m[0] = {cell.A, cell.B * c.Cg, cell.C * c.Cb};
  m[1] = {0.0, cell.B * sg, cell.C * (c.Ca - c.Cb * c.Cg) / sg};
  m[2] = {0.0, 0.0, cell.C * std::sqrt(h) / sg};
  return m;
}

TVec3 MatVec(const TMat3& m, const TVec3& v) {
  return {DotProduct(m[0], v), DotProduct(m[1], v), DotProduct(m[2], v)};
}

TVec3 SiteToCart(const TVec3& frac, const TSymOp& op, const TMat3& m) {
  return MatVec(m, ApplyOp(op, frac));
}

double SiteDistance(const TVec3& frac1, const TSymOp& op1, const TVec3& frac2, const TSymOp& op2,
                    const TCell& cell) {
  const TMat3 m = CellMatrix(cell);
  const TVec3 d = Minus(SiteToCart(frac1, op1, m), SiteToCart(frac2, op2, m));
  return std::sqrt(DotProduct(d, d));
}

double SiteAngle(const TVec3& frac1, const TSymOp& op1, const TVec3& frac2, const TSymOp& op2,
                 const TVec3& frac3, const TSymOp& op3, const TCell& cell) {
  const TMat3 m = CellMatrix(cell);
  const TVec3 vertex = SiteToCart(frac2, op2, m);
  const TVec3 u = Minus(SiteToCart(frac1, op1, m), vertex);
  const TVec3 w = Minus(SiteToCart(frac3, op3, m), vertex);
  const double lu = std::sqrt(DotProduct(u, u));
  const double lw = std::sqrt(DotProduct(w, w));
  if (lu == 0 || lw == 0) return 0;
  double cosine = DotProduct(u, w) / (lu * lw);
  // Collinear sites can round the cosine just beyond +-1, outside acos.
  if (cosine > 1) cosine = 1;
  if (cosine < -1) cosine = -1;
  return std::acos(cosine) * kRadToDeg;
}

double CellSpacing(const TCell& cell, int axis) {
  double h = ReducedVolumeSquared(CellCosines(cell));
  // A tiny positive floor keeps the spacing above zero for a degenerate cell,
  // so the neighbour search still sees a bounded number of translations.
  if (h < 1e-12) h = 1e-12;
  const double volume = cell.A * cell.B * cell.C * std::sqrt(h);
  switch (axis) {
    case 0: return volume / (std::sin(cell.Alpha * kDegToRad) * cell.B * cell.C);
    case 1: return volume / (std::sin(cell.Beta * kDegToRad) * cell.A * cell.C);
    default: return volume / (std::sin(cell.Gamma * kDegToRad) * cell.A * cell.B);
  }
}

// The three angles must close a cell of non-zero volume: each strictly
// between 0 and 180 degrees, and h = 1 - ca^2 - cb^2 - cg^2 + 2 ca cb cg
// (the squared volume of the cell with unit edges) above the 1e-12 that the
// plane spacings are floored at; 120, 120, 120 gives h = 0 up to rounding.
// Otherwise the orthogonalisation divides by sin(gamma) = 0 or flattens
// every site into one plane.
bool CellIsUsable(const TCell& cell) {
  if (!(cell.A > 0 && cell.B > 0 && cell.C > 0)) return false;
  for (double angle : {cell.Alpha, cell.Beta, cell.Gamma})
    if (!(angle > 0 && angle < 180)) return false;
  const double ca = std::cos(cell.Alpha * kDegToRad);
  const double cb = std::cos(cell.Beta * kDegToRad);
  const double cg = std::cos(cell.Gamma * kDegToRad);
  return 1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg > 1e-12;
}
