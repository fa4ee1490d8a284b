// Helpers of the shape tests: random rigid motions and polyhedra.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include "crystal/cell.h"
#include "crystal/vector.h"

// A random orthogonal matrix (a reflection when reflect is true).
inline TMat3 RandomOrthogonal(std::mt19937& rng, bool reflect) {
  std::normal_distribution<double> normal;
  // Gram-Schmidt on three Gaussian vectors.
  TMat3 m{};
  for (int i = 0; i < 3; ++i) {
    TVec3 v{normal(rng), normal(rng), normal(rng)};
    for (int j = 0; j < i; ++j) {
      const double d = v[0] * m[j][0] + v[1] * m[j][1] + v[2] * m[j][2];
      for (int k = 0; k < 3; ++k) v[k] -= d * m[j][k];
    }
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int k = 0; k < 3; ++k) m[i][k] = v[k] / length;
  }
  const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  if ((det < 0) != reflect)
    for (int k = 0; k < 3; ++k) m[2][k] = -m[2][k];
  return m;
}

// Random points around the origin, the last one (the centre) near it.
inline std::vector<TVec3> RandomPolyhedron(std::mt19937& rng, int cn) {
  std::normal_distribution<double> normal;
  std::vector<TVec3> points;
  for (int i = 0; i < cn; ++i) {
    TVec3 v{normal(rng), normal(rng), normal(rng)};
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const double bond = 2.0 + 0.15 * normal(rng);
    for (double& x : v) x *= bond / length;
    points.push_back(v);
  }
  points.push_back({0.1 * normal(rng), 0.1 * normal(rng), 0.1 * normal(rng)});
  return points;
}
