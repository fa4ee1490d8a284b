// Vectors and 3x3 matrices of doubles, and the Cartesian vector algebra of
// the geometry: differences, products, lengths and angles. A TVec3 holds
// fractional or Cartesian coordinates; where the two meet, the names say
// which (frac..., cart...; TStructure::FracCoords).
#pragma once

#include <array>
#include <cmath>

using TVec3 = std::array<double, 3>;
using TMat3 = std::array<TVec3, 3>;  // rows; Cartesian = M x fractional

inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

inline TVec3 Minus(const TVec3& a, const TVec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline TVec3 Plus(const TVec3& a, const TVec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline TVec3 Scaled(const TVec3& a, double f) { return {a[0] * f, a[1] * f, a[2] * f}; }
inline double DotProduct(const TVec3& a, const TVec3& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline TVec3 CrossProduct(const TVec3& a, const TVec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Length(const TVec3& a) { return std::sqrt(DotProduct(a, a)); }

// Angle in degrees between two vectors; 0 when either has no length. The
// arctangent form keeps full precision near 0 and 180 degrees, where acos of
// the cosine loses half the digits.
inline double VectorAngle(const TVec3& u, const TVec3& w) {
  return std::atan2(Length(CrossProduct(u, w)), DotProduct(u, w)) * kRadToDeg;
}

// Angle L1-M-L2 in degrees at the vertex m.
inline double VertexAngle(const TVec3& l1, const TVec3& m, const TVec3& l2) {
  return VectorAngle(Minus(l1, m), Minus(l2, m));
}
