// The unit cell: its matrix, and distances and angles between sites given
// in fractional coordinates with their symmetry operations.
#pragma once

#include "crystal/vector.h"

struct TCell {
  double A = 0, B = 0, C = 0;             // Angstrom
  double Alpha = 90, Beta = 90, Gamma = 90;  // degrees
  double SuA = 0, SuB = 0, SuC = 0;
  double SuAlpha = 0, SuBeta = 0, SuGamma = 0;  // 0 means exact
};

struct TSymOp;

TMat3 CellMatrix(const TCell& cell);
// The Cartesian position (A) of a fractional one: m is CellMatrix.
TVec3 MatVec(const TMat3& m, const TVec3& v);
// The Cartesian position (A) of a site: the operation applied to the
// fractional coordinates, then the cell matrix.
TVec3 SiteToCart(const TVec3& frac, const TSymOp& op, const TMat3& m);
double SiteDistance(const TVec3& frac1, const TSymOp& op1, const TVec3& frac2, const TSymOp& op2,
                    const TCell& cell);
// Angle in degrees at the second (vertex) site.
double SiteAngle(const TVec3& frac1, const TSymOp& op1, const TVec3& frac2, const TSymOp& op2,
                 const TVec3& frac3, const TSymOp& op3, const TCell& cell);
// Distance between adjacent lattice planes parallel to the two axes other than
// axis 0 (a), 1 (b) or 2 (c); any other axis number counts as 2.
double CellSpacing(const TCell& cell, int axis);
// Positive edges and three angles that close a cell of non-zero volume.
bool CellIsUsable(const TCell& cell);
