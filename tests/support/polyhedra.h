// Hand-built coordination polyhedra for the octahedral and basal-plane tests:
// ideal and distorted shapes, and random rigid motions and ligand orders.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "crystal/cell.h"
#include "crystal/vector.h"
#include "crystal/cell.h"
#include "crystal/vector.h"

using TSixPositions = std::array<TVec3, 6>;

inline TVec3 Polar(double length, double polarDeg, double azimuthDeg) {
  const double t = polarDeg * kDegToRad;
  const double p = azimuthDeg * kDegToRad;
  return {length * std::sin(t) * std::cos(p), length * std::sin(t) * std::sin(p),
          length * std::cos(t)};
}

// Ligands +x, -x, +y, -y, +z, -z at the given distances from the origin.
inline TSixPositions AxialOctahedron(const std::array<double, 6>& d) {
  return {TVec3{d[0], 0, 0}, TVec3{-d[1], 0, 0}, TVec3{0, d[2], 0},
          TVec3{0, -d[3], 0}, TVec3{0, 0, d[4]}, TVec3{0, 0, -d[5]}};
}

// Three ligands at height h above the origin at azimuths 0, 120, 240 and
// three at -h at azimuths twist, 120 + twist, 240 + twist, all at distance 1:
// twist 60 is an octahedron seen down a threefold axis (for h = 1/sqrt(3)),
// twist 0 a trigonal prism.
inline TSixPositions TwistedTriangles(double twistDeg, double h) {
  const double polar = std::acos(h) * kRadToDeg;
  return {Polar(1, polar, 0),           Polar(1, polar, 120),           Polar(1, polar, 240),
          Polar(1, 180 - polar, twistDeg), Polar(1, 180 - polar, 120 + twistDeg),
          Polar(1, 180 - polar, 240 + twistDeg)};
}

inline constexpr double kOctahedronHeight = 0.57735026918962573;  // 1 / sqrt(3)
// The trigonal prism with all nine edges equal, at unit distance: square side
// faces, 2h = sqrt(3) r with h^2 + r^2 = 1.
inline constexpr double kEquilateralPrismHeight = 0.65465367070797714;  // sqrt(3/7)

struct TRigidMotion {
  TMat3 Rotation{};
  TVec3 Shift{};

  TVec3 Apply(const TVec3& v) const { return Plus(MatVec(Rotation, v), Shift); }
};

inline TRigidMotion RandomMotion(std::mt19937& random) {
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  double q[4];
  double norm = 0;
  do {
    norm = 0;
    for (double& x : q) {
      x = uniform(random);
      norm += x * x;
    }
  } while (norm < 1e-3 || norm > 1);
  for (double& x : q) x /= std::sqrt(norm);
  const double w = q[0], x = q[1], y = q[2], z = q[3];
  TRigidMotion motion;
  motion.Rotation = {{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                      {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                      {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}}};
  motion.Shift = {10 * uniform(random), 10 * uniform(random), 10 * uniform(random)};
  return motion;
}

template <size_t N>
std::array<TVec3, N> Moved(const TRigidMotion& motion, const std::array<TVec3, N>& points) {
  std::array<TVec3, N> moved{};
  for (size_t i = 0; i < N; ++i) moved[i] = motion.Apply(points[i]);
  return moved;
}

// order[k] is the old index of the ligand now at k.
template <size_t N>
std::array<TVec3, N> Reordered(const std::array<TVec3, N>& points, const std::array<int, N>& order) {
  std::array<TVec3, N> out{};
  for (size_t k = 0; k < N; ++k) out[k] = points[order[k]];
  return out;
}
