#include <gtest/gtest.h>

#include <cmath>

#include "crystal/cell.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"

namespace {

TCell Cell(double a, double b, double c, double alpha, double beta, double gamma) {
  TCell cell;
  cell.A = a, cell.B = b, cell.C = c;
  cell.Alpha = alpha, cell.Beta = beta, cell.Gamma = gamma;
  return cell;
}

const TSymOp kId = IdentityOp();

}  // namespace

TEST(SiteGeometry, CubicAndHexagonalCells) {
  EXPECT_NEAR(SiteDistance({0.1, 0, 0}, kId, {0, 0, 0}, kId, Cell(10, 10, 10, 90, 90, 90)), 1.0,
              1e-14);
  const TCell hex = Cell(3, 3, 5, 90, 90, 120);
  const TVec3 origin{0, 0, 0}, a{1, 0, 0}, b{0, 1, 0};
  EXPECT_NEAR(SiteDistance(b, kId, origin, kId, hex), 3.0, 1e-13);
  EXPECT_NEAR(SiteDistance(a, kId, b, kId, hex), 3.0 * std::sqrt(3.0), 1e-13);
  EXPECT_NEAR(SiteAngle(a, kId, origin, kId, b, kId, hex), 120.0, 1e-11);
}

TEST(SiteGeometry, CollinearSitesGiveExactly180) {
  // |u||w| rounds below |u|^2 here, so the unclamped cosine is below -1.
  ASSERT_LT(-3.0 / (std::sqrt(3.0) * std::sqrt(3.0)), -1.0);
  const TCell cell = Cell(1, 1, 1, 90, 90, 90);
  EXPECT_EQ(SiteAngle({1, 1, 1}, kId, {0, 0, 0}, kId, {-1, -1, -1}, kId, cell), 180.0);
}

TEST(SiteGeometry, CoincidentSitesGiveAngleZero) {
  const TCell cell = Cell(5, 6, 7, 80, 95, 100);
  EXPECT_EQ(SiteAngle({0.2, 0.3, 0.4}, kId, {0.2, 0.3, 0.4}, kId, {0, 0, 0}, kId, cell), 0.0);
  EXPECT_EQ(SiteAngle({0, 0, 0}, kId, {0.2, 0.3, 0.4}, kId, {0.2, 0.3, 0.4}, kId, cell), 0.0);
}

TEST(CellMatrix, CellThatCannotCloseIsFlattened) {
  const TMat3 m = CellMatrix(Cell(5, 5, 5, 30, 30, 120));  // alpha + beta < gamma
  EXPECT_EQ(m[2][2], 0.0);
  for (int axis = 0; axis < 3; ++axis)
    EXPECT_GT(CellSpacing(Cell(5, 5, 5, 30, 30, 120), axis), 0.0) << axis;
}

TEST(CellSpacing, PlaneSpacingsOfOrthorhombicAndHexagonalCells) {
  const TCell ortho = Cell(4, 5, 6, 90, 90, 90), hex = Cell(3, 3, 5, 90, 90, 120);
  EXPECT_NEAR(CellSpacing(ortho, 0), 4.0, 1e-12);
  EXPECT_NEAR(CellSpacing(ortho, 1), 5.0, 1e-12);
  EXPECT_EQ(CellSpacing(ortho, 7), CellSpacing(ortho, 2));
  EXPECT_NEAR(CellSpacing(hex, 0), 3.0 * std::sqrt(3.0) / 2.0, 1e-12);
}
