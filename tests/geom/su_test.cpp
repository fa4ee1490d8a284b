#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/hand_matrix.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"

namespace {

TCell CubicCell(double a) {
  TCell cell;
  cell.A = cell.B = cell.C = a;
  return cell;
}

TSymOp Op(const char* text, int number) {
  TSymOp op;
  ParseSymOp(text, op);
  op.OpNum = number;
  op.Code = std::to_string(number) + "_555";
  return op;
}

const TSiteRef kOrigin{0, IdentityOp()};
const TSiteRef kLigand{1, IdentityOp()};
// Ligand (x, y, 0) and its mirror image (x, -y, 0) about the origin: the angle
// is 2 atan(y/x), with d/dx = -10 and d/dy = +10 rad at x = y = 0.1.
const std::vector<TVec3> kMirrorPair = {{0, 0, 0}, {0.1, 0.1, 0}};
const TSiteRef kMirrored{1, Op("x,-y,z", 2)};

}  // namespace

TEST(DistanceSu, WithoutAnySuIsExactlyZero) {
  const std::vector<TVec3> coords = {{0.1, 0.2, 0.3}, {0.3, 0.1, 0.2}}, su(2);
  const TValueSu r = DistanceSu(coords, su, kOrigin, kLigand, CubicCell(7));
  EXPECT_EQ(r.Su, 0.0);
  EXPECT_EQ(r.Value, SiteDistance(coords[0], kOrigin.Op, coords[1], kLigand.Op, CubicCell(7)));
}

TEST(DistanceSu, BothImagesOfOneAtomMoveTogether) {
  // x and its inversion image -x are 20 x apart in a 10 A cell: su(d) = 20 su(x).
  const std::vector<TVec3> coords = {{0.1, 0, 0}}, su = {{0.001, 0.002, 0.003}};
  const TValueSu r = DistanceSu(coords, su, kOrigin, {0, Op("-x,-y,-z", 2)}, CubicCell(10));
  EXPECT_NEAR(r.Value, 2.0, 1e-14);
  EXPECT_NEAR(r.Su, 0.02, 1e-10);
}

TEST(AngleSu, LigandImagesOfOneAtomMoveTogether) {
  const std::vector<TVec3> su = {{0, 0, 0}, {0.001, 0, 0}};
  const TValueSu r = AngleSu(kMirrorPair, su, kLigand, kOrigin, kMirrored, CubicCell(10));
  EXPECT_NEAR(r.Value, 90.0, 1e-12);
  EXPECT_NEAR(r.Su, 10 * 0.001 * kRadToDeg, 1e-8);
}

TEST(AngleCovSu, AtomListedOnceAndMissingCoordinatesCounted) {
  THandMatrix matrix;
  matrix.Params = {{{1, 0}, 0}, {{1, 1}, 1}};
  matrix.Cov = {{1e-6, 0}, {0, 1e-6}};
  const TValueSu r = AngleCovSu(kMirrorPair, kLigand, kOrigin, kMirrored, CubicCell(10), matrix);
  EXPECT_EQ(r.Missing, 4);  // z of the ligand atom, all of the centre
  EXPECT_NEAR(r.Su, std::sqrt(200 * 1e-6) * kRadToDeg, 1e-8);
}

TEST(DistanceCovSu, CorrelationEntersTheQuadraticForm) {
  // d = 10 (x1 - x0): var = 100 (V00 + V11 - 2 V01).
  const std::vector<TVec3> coords = {{0, 0, 0}, {0.1, 0, 0}};
  THandMatrix matrix;
  matrix.Params = {{{0, 0}, 0}, {{1, 0}, 1}};
  matrix.Cov = {{4e-8, 3e-8}, {3e-8, 9e-8}};
  TValueSu r = DistanceCovSu(coords, kOrigin, kLigand, CubicCell(10), matrix);
  EXPECT_EQ(r.Missing, 4);
  EXPECT_NEAR(r.Su, std::sqrt(100 * 7e-8), 1e-11);

  // Not positive semi-definite: the coordinate term is dropped, the cell's stays.
  matrix.Cov = {{1e-8, 5e-8}, {5e-8, 1e-8}};
  TCell cell = CubicCell(10);
  cell.SuA = 0.01;
  r = DistanceCovSu(coords, kOrigin, kLigand, cell, matrix);
  EXPECT_NEAR(r.Su, 0.1 * 0.01, 1e-12);
}

TEST(DistanceSu, AtomOutsideTheListGivesNanNotACrash) {
  const std::vector<TVec3> coords = {{0, 0, 0}}, su = {{0.001, 0.001, 0.001}};
  EXPECT_TRUE(std::isnan(DistanceSu(coords, su, kOrigin, {3, IdentityOp()}, CubicCell(5)).Value));
  const TValueSu c = DistanceCovSu(coords, kOrigin, {-2, IdentityOp()}, CubicCell(5), THandMatrix{});
  EXPECT_TRUE(std::isnan(c.Value));
  EXPECT_EQ(c.Missing, 6);
}

// A triclinic example against first-order propagation written out with the
// metric tensor G: d^2 = D'GD and cos(theta) = u'Gw / sqrt(u'Gu w'Gw).
namespace {

using TMetric = std::array<TVec3, 3>;

struct TTriclinic {
  TCell Cell;
  std::vector<TVec3> Coords = {{0.21, 0.33, 0.41}, {0.35, 0.28, 0.52}, {0.12, 0.45, 0.30}};
  std::vector<TVec3> Su = {{1e-4, 2e-4, 3e-4}, {2e-4, 1e-4, 2e-4}, {3e-4, 3e-4, 1e-4}};
  std::array<double, 6> CellSu = {0.002, 0.003, 0.004, 0.02, 0.03, 0.05};  // a b c al be ga
  TMetric G;
  std::array<TMetric, 6> dG{};  // per A for the lengths, per degree for the angles
  TTriclinic() {
    Cell.A = 7.1, Cell.B = 8.3, Cell.C = 9.7;
    Cell.Alpha = 81.2, Cell.Beta = 97.5, Cell.Gamma = 103.4;
    Cell.SuA = CellSu[0], Cell.SuB = CellSu[1], Cell.SuC = CellSu[2];
    Cell.SuAlpha = CellSu[3], Cell.SuBeta = CellSu[4], Cell.SuGamma = CellSu[5];
    const double a = Cell.A, b = Cell.B, c = Cell.C, k = kDegToRad;
    const double ca = std::cos(Cell.Alpha * k), cb = std::cos(Cell.Beta * k),
                 cg = std::cos(Cell.Gamma * k);
    G = {{{a * a, a * b * cg, a * c * cb}, {a * b * cg, b * b, b * c * ca},
          {a * c * cb, b * c * ca, c * c}}};
    dG[0] = {{{2 * a, b * cg, c * cb}, {b * cg, 0, 0}, {c * cb, 0, 0}}};
    dG[1] = {{{0, a * cg, 0}, {a * cg, 2 * b, c * ca}, {0, c * ca, 0}}};
    dG[2] = {{{0, 0, a * cb}, {0, 0, b * ca}, {a * cb, b * ca, 2 * c}}};
    dG[3][1][2] = dG[3][2][1] = -b * c * std::sin(Cell.Alpha * k) * k;
    dG[4][0][2] = dG[4][2][0] = -a * c * std::sin(Cell.Beta * k) * k;
    dG[5][0][1] = dG[5][1][0] = -a * b * std::sin(Cell.Gamma * k) * k;
  }
};

double Form(const TVec3& u, const TMetric& g, const TVec3& w) {
  double s = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) s += u[i] * g[i][j] * w[j];
  return s;
}


TVec3 Axis(int k, double sign) {
  TVec3 e{0, 0, 0};
  e[k] = sign;
  return e;
}

}  // namespace

TEST(SuPropagation, TriclinicDistanceMatchesAnalyticDerivatives) {
  const TTriclinic t;
  const TVec3 delta = Minus(t.Coords[1], t.Coords[0]);
  const double d = std::sqrt(Form(delta, t.G, delta));
  double var = 0;
  for (int k = 0; k < 3; ++k) {
    const double grad = Form(Axis(k, 1), t.G, delta) / d;  // + for atom 1, - for atom 0
    var += std::pow(grad * t.Su[0][k], 2) + std::pow(grad * t.Su[1][k], 2);
  }
  for (int p = 0; p < 6; ++p) var += std::pow(Form(delta, t.dG[p], delta) / (2 * d) * t.CellSu[p], 2);

  const TValueSu r = DistanceSu(t.Coords, t.Su, kOrigin, kLigand, t.Cell);
  EXPECT_NEAR(r.Value, d, 1e-12 * d);
  EXPECT_NEAR(r.Su, std::sqrt(var), 1e-9 * std::sqrt(var));
}

TEST(SuPropagation, TriclinicAngleMatchesAnalyticDerivatives) {
  const TTriclinic t;
  const TVec3 u = Minus(t.Coords[1], t.Coords[0]), w = Minus(t.Coords[2], t.Coords[0]);
  const double luu = Form(u, t.G, u), lww = Form(w, t.G, w);
  const double cosine = Form(u, t.G, w) / std::sqrt(luu * lww);
  const double sine = std::sqrt(1 - cosine * cosine);
  // First-order change of theta in degrees for changes du, dw, dG.
  auto dTheta = [&](const TVec3& du, const TVec3& dw, const TMetric& dG) {
    const double dn = Form(du, t.G, w) + Form(u, t.G, dw) + Form(u, dG, w);
    const double duu = 2 * Form(du, t.G, u) + Form(u, dG, u);
    const double dww = 2 * Form(dw, t.G, w) + Form(w, dG, w);
    const double dcos = dn / std::sqrt(luu * lww) - cosine / 2 * (duu / luu + dww / lww);
    return -dcos / sine * kRadToDeg;
  };
  const TVec3 none{0, 0, 0};
  const TMetric fixed{};
  double var = 0;
  for (int k = 0; k < 3; ++k) {
    var += std::pow(dTheta(Axis(k, -1), Axis(k, -1), fixed) * t.Su[0][k], 2);  // vertex
    var += std::pow(dTheta(Axis(k, 1), none, fixed) * t.Su[1][k], 2);
    var += std::pow(dTheta(none, Axis(k, 1), fixed) * t.Su[2][k], 2);
  }
  for (int p = 0; p < 6; ++p) var += std::pow(dTheta(none, none, t.dG[p]) * t.CellSu[p], 2);

  const TValueSu r = AngleSu(t.Coords, t.Su, kLigand, kOrigin, {2, IdentityOp()}, t.Cell);
  EXPECT_NEAR(r.Value, std::acos(cosine) * kRadToDeg, 1e-10);
  EXPECT_NEAR(r.Su, std::sqrt(var), 1e-9 * std::sqrt(var));
}

TEST(SuPropagation, CellTermsJoinTheRunningSumInTurn) {
  // sum = ((x term + a term) + b term): the terms are added one at a time in
  // the order they are taken, which can differ in the last bit from adding
  // the cell terms up on their own first.
  TCell cell;
  cell.A = 5.37, cell.B = 6.88, cell.C = 7.4, cell.Beta = 98;
  cell.SuA = 0.003, cell.SuB = 0.0021;
  const std::vector<TVec3> coords = {{0.1, 0.2, 0.3}, {0.303, 0.17, 0.42}};
  const std::vector<TVec3> su = {{0, 0, 0}, {0.0003, 0, 0}};
  const TSymOp id = IdentityOp();
  auto distance = [&](const TVec3& p, const TCell& c) { return SiteDistance(coords[0], id, p, id, c); };
  TVec3 p = coords[1];
  p[0] = coords[1][0] + 1e-6;
  const double xPlus = distance(p, cell);
  p[0] = (coords[1][0] + 1e-6) - 2e-6;
  const double gx = (xPlus - distance(p, cell)) / 2e-6;
  double sum = (gx * 0.0003) * (gx * 0.0003);
  for (double TCell::*length : {&TCell::A, &TCell::B}) {
    TCell moved = cell;
    moved.*length = cell.*length + 1e-5;
    const double plus = distance(coords[1], moved);
    moved.*length = (cell.*length + 1e-5) - 2e-5;
    const double g = (plus - distance(coords[1], moved)) / 2e-5;
    const double s = length == &TCell::A ? cell.SuA : cell.SuB;
    sum += (g * s) * (g * s);
  }
  EXPECT_EQ(DistanceSu(coords, su, kOrigin, kLigand, cell).Su, std::sqrt(sum));
}
