// A .res/.mat pair (tests/data/shelx/propagation.*: Ni1 and four N refined
// in P1 with x y z U11 each, a positive definite correlation matrix, a riding
// H1): the su that the propagation derives from the matrix file must agree
// with an analytic propagation through the same matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "io/shelx_matrix.h"
#include "io/shelx.h"

namespace {

constexpr int kRefinedAtoms = 5;           // Ni1 N1 N2 N3 N4
constexpr int kParams = 1 + 4 * kRefinedAtoms;  // OSF, then x y z U11 per atom

const TCell kCell = [] {
  TCell cell;
  cell.A = 10.5, cell.B = 11.2, cell.C = 12.3;
  cell.Alpha = 85, cell.Beta = 100, cell.Gamma = 95;
  return cell;
}();

const char* const kNames[kRefinedAtoms] = {"Ni1", "N1", "N2", "N3", "N4"};
const TVec3 kFrac[kRefinedAtoms] = {{0.25, 0.30, 0.35}, {0.43, 0.31, 0.36}, {0.24, 0.47, 0.34},
                                    {0.26, 0.29, 0.51}, {0.12, 0.18, 0.24}};

int CoordParam(int atom, int axis) { return 1 + 4 * atom + axis; }

TVec3 Sub(const TVec3& p, const TVec3& q) { return {p[0] - q[0], p[1] - q[1], p[2] - q[2]}; }
double Dot(const TVec3& p, const TVec3& q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; }

// Orthogonalisation: x along a, b in the xy plane.
TMat3 Orthogonalisation(const TCell& cell) {
  const double ca = std::cos(cell.Alpha * kDegToRad), cb = std::cos(cell.Beta * kDegToRad);
  const double cg = std::cos(cell.Gamma * kDegToRad), sg = std::sin(cell.Gamma * kDegToRad);
  const double v = std::sqrt(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg);
  return TMat3{TVec3{cell.A, cell.B * cg, cell.C * cb},
               TVec3{0, cell.B * sg, cell.C * (ca - cb * cg) / sg},
               TVec3{0, 0, cell.C * v / sg}};
}

TVec3 Cart(const TVec3& f) {
  const TMat3 m = Orthogonalisation(kCell);
  return {Dot(m[0], f), Dot(m[1], f), Dot(m[2], f)};
}

// Fractional gradient from a Cartesian one: the transpose of the
// orthogonalisation matrix applied to it.
TVec3 FractionalGradient(const TVec3& g) {
  const TMat3 m = Orthogonalisation(kCell);
  TVec3 result{0, 0, 0};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) result[j] += m[i][j] * g[i];
  return result;
}

struct TGradient {
  int Atom;
  TVec3 G;
};

double PropagatedSu(const std::vector<TGradient>& grads, const TMatFile& matrix) {
  double sum = 0;
  for (const TGradient& gi : grads)
    for (const TGradient& gj : grads)
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) {
          const int p = CoordParam(gi.Atom, k), q = CoordParam(gj.Atom, l);
          sum += gi.G[k] * gj.G[l] * matrix.Covariance(p, q);
        }
  return std::sqrt(sum);
}

// d(angle at the vertex)/d(positions), in radians per Angstrom.
std::vector<TGradient> AngleGradient(int l1, int vertex, int l2) {
  const TVec3 u = Sub(Cart(kFrac[l1]), Cart(kFrac[vertex]));
  const TVec3 w = Sub(Cart(kFrac[l2]), Cart(kFrac[vertex]));
  const double nu = std::sqrt(Dot(u, u)), nw = std::sqrt(Dot(w, w));
  const double cosT = Dot(u, w) / (nu * nw), sinT = std::sqrt(1 - cosT * cosT);
  TVec3 gu, gw, gv;
  for (int k = 0; k < 3; ++k) {
    gu[k] = (cosT * u[k] / nu - w[k] / nw) / (nu * sinT);
    gw[k] = (cosT * w[k] / nw - u[k] / nu) / (nw * sinT);
    gv[k] = -gu[k] - gw[k];
  }
  return {{l1, FractionalGradient(gu)}, {vertex, FractionalGradient(gv)},
          {l2, FractionalGradient(gw)}};
}

std::vector<TGradient> DistanceGradient(int a1, int a2) {
  const TVec3 d = Sub(Cart(kFrac[a2]), Cart(kFrac[a1]));
  const double n = std::sqrt(Dot(d, d));
  const TVec3 g{d[0] / n, d[1] / n, d[2] / n};
  return {{a1, FractionalGradient({-g[0], -g[1], -g[2]})}, {a2, FractionalGradient(g)}};
}

struct TPair {
  TShelxData Data;
  TMatFile Matrix;
  std::vector<TVec3> Frac;
};

const TPair& LoadedPair() {
  static const TPair pair = [] {
    TPair p;
    const std::string res = TestDataFile("shelx/propagation.res"), mat = TestDataFile("shelx/propagation.mat");
    std::string error;
    EXPECT_TRUE(ReadShelxFile(res, p.Data, error)) << error;
    EXPECT_TRUE(p.Matrix.Load(mat, error)) << error;
    std::vector<std::string> labels;
    for (const TShelxAtom& atom : p.Data.Atoms) {
      labels.push_back(atom.Name);
      p.Frac.push_back(atom.Frac);
    }
    int matched = 0;
    EXPECT_TRUE(p.Matrix.CheckCoordinates(labels, p.Frac, matched, error)) << error;
    EXPECT_EQ(matched, kRefinedAtoms);
    return p;
  }();
  return pair;
}

TSiteRef Site(int atom) { return TSiteRef{atom, IdentityOp()}; }

}  // namespace

TEST(MatPropagation, AngleSuAgreesWithAnalyticPropagation) {
  const TPair& p = LoadedPair();
  ASSERT_EQ(p.Frac.size(), 6u);
  for (int l1 = 1; l1 < kRefinedAtoms; ++l1)
    for (int l2 = l1 + 1; l2 < kRefinedAtoms; ++l2) {
      const TValueSu angle =
          AngleCovSu(p.Frac, Site(l1), Site(0), Site(l2), p.Data.Cell, p.Matrix);
      const double expected = PropagatedSu(AngleGradient(l1, 0, l2), p.Matrix) * kRadToDeg;
      EXPECT_GT(expected, 0.005);
      EXPECT_NEAR(angle.Su, expected, 1e-6 * expected) << kNames[l1] << "-Ni1-" << kNames[l2];
      EXPECT_EQ(angle.Missing, 0);
    }
}

TEST(MatPropagation, DistanceSuAgreesWithAnalyticPropagation) {
  const TPair& p = LoadedPair();
  ASSERT_EQ(p.Frac.size(), 6u);
  for (int l = 1; l < kRefinedAtoms; ++l) {
    const TValueSu distance = DistanceCovSu(p.Frac, Site(0), Site(l), p.Data.Cell, p.Matrix);
    const double expected = PropagatedSu(DistanceGradient(0, l), p.Matrix);
    EXPECT_NEAR(distance.Su, expected, 1e-6 * expected) << kNames[l];
  }
}

TEST(MatPropagation, RidingAtomCoordinatesAreNotFree) {
  const TPair& p = LoadedPair();
  ASSERT_EQ(p.Frac.size(), 6u);
  const TValueSu angle = AngleCovSu(p.Frac, Site(1), Site(0), Site(5), p.Data.Cell, p.Matrix);
  EXPECT_EQ(angle.Missing, 3);
  EXPECT_EQ(p.Matrix.ParamIndex(5, 0), -1);
  EXPECT_EQ(p.Matrix.ParamIndex(2, 1), CoordParam(2, 1));
}
