#include "geometry/shapes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "crystal/cell.h"
#include "crystal/vector.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TVec3 Centroid(std::span<const TVec3> points) {
  TVec3 sum{0, 0, 0};
  for (const TVec3& p : points)
    for (int k = 0; k < 3; ++k) sum[k] += p[k];
  for (double& s : sum) s /= static_cast<double>(points.size());
  return sum;
}

// The points less their centroid.
std::vector<TVec3> Centred(std::span<const TVec3> points) {
  const TVec3 centre = Centroid(points);
  std::vector<TVec3> centred;
  centred.reserve(points.size());
  for (const TVec3& p : points) centred.push_back(Minus(p, centre));
  return centred;
}

double SumOfSquares(std::span<const TVec3> points) {
  double sum = 0;
  for (const TVec3& p : points) sum += DotProduct(p, p);
  return sum;
}

bool FitsReference(std::span<const TVec3> points, const TShapeReference& reference) {
  return reference.CN >= 1 && points.size() == static_cast<size_t>(reference.CN) + 1 &&
         reference.Points.size() == points.size();
}

// The reference point paired with point i of the polyhedron: the assigned
// vertex for a ligand, the centre for the central atom (the last point).
const TVec3& PairedPoint(std::span<const TVec3> reference, std::span<const int> vertex, size_t i) {
  return i < vertex.size() ? reference[static_cast<size_t>(vertex[i])] : reference.back();
}

// ------------------------------------------------------------ symmetry

constexpr double kSymmetryTolerance = 1e-9;  // the references are given to 1e-12

double Distance(const TVec3& a, const TVec3& b) {
  const TVec3 d = Minus(a, b);
  return std::sqrt(DotProduct(d, d));
}

// Extends a partial distance-keeping permutation vertex by vertex.
void ExtendSymmetry(std::span<const TVec3> points, std::vector<int>& image, std::vector<char>& used,
                    size_t next, std::vector<std::vector<int>>& group) {
  const size_t vertices = points.size() - 1;
  if (next == vertices) {
    group.push_back(image);
    return;
  }
  const TVec3& centre = points.back();
  for (size_t v = 0; v < vertices; ++v) {
    if (used[v]) continue;
    bool keeps = std::fabs(Distance(points[v], centre) - Distance(points[next], centre)) <=
                 kSymmetryTolerance;
    for (size_t j = 0; keeps && j < next; ++j)
      keeps = std::fabs(Distance(points[v], points[static_cast<size_t>(image[j])]) -
                        Distance(points[next], points[j])) <= kSymmetryTolerance;
    if (!keeps) continue;
    image[next] = static_cast<int>(v);
    used[v] = 1;
    ExtendSymmetry(points, image, used, next + 1, group);
    used[v] = 0;
  }
}

// A permutation that keeps every distance is the trace of an isometry, so
// two assignments that differ by one have the same measure.
std::vector<std::vector<int>> FindSymmetry(std::span<const TVec3> points) {
  std::vector<std::vector<int>> group;
  if (points.empty()) return group;
  const size_t vertices = points.size() - 1;
  std::vector<int> image(vertices, 0);
  std::vector<char> used(vertices, 0);
  ExtendSymmetry(points, image, used, 0, group);
  return group;  // found in lexicographic order, so the identity comes first
}

// ------------------------------------------------------------ search

double Determinant(const TMat3& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// An upper bound of the sum of the singular values, close to it and cheaper
// than SumOfSingularValues, for the bounds of the search. With F the sum of
// the squares of m, C that of its 2x2 minors and D = |det m|, the sum s of
// the singular values is the largest root of
//   s^4 - 2 F s^2 - 8 D s + F^2 - 4 C
// (its roots are the four sums +-s1 +-s2 +-s3 with an even number of minus
// signs). All roots are real, so Newton's method from sqrt(3 F), which lies
// above them, falls towards the largest root and never passes it.
double SumOfSingularValuesAbove(const TMat3& m) {
  double f = 0, c = 0;
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) f += m[a][b] * m[a][b];
  if (!(f > 0)) return 0;
  for (int a = 0; a < 2; ++a)
    for (int a2 = a + 1; a2 < 3; ++a2)
      for (int b = 0; b < 2; ++b)
        for (int b2 = b + 1; b2 < 3; ++b2) {
          const double minor = m[a][b] * m[a2][b2] - m[a][b2] * m[a2][b];
          c += minor * minor;
        }
  const double d = std::fabs(Determinant(m));
  double s = std::sqrt(3 * f);
  for (int iteration = 0; iteration < 60; ++iteration) {
    const double s2 = s * s;
    const double value = (s2 - 2 * f) * s2 - 8 * d * s + (f * f - 4 * c);
    const double slope = 4 * s * (s2 - f) - 8 * d;
    if (!(value > 0) || !(slope > 0)) break;
    const double step = value / slope;
    s -= step;
    if (step <= 1e-13 * s) break;
  }
  // Rounding in the last steps may land a hair below the root.
  return s * (1 + 1e-11);
}

// Sums over the pairs assigned so far, from which the least residual of
// those pairs alone follows without revisiting them.
struct TPairSums {
  int Count = 0;
  TVec3 P{0, 0, 0}, Q{0, 0, 0};
  double PP = 0, QQ = 0;
  TMat3 PQ{};  // PQ[a][b] = sum of p_a q_b
};

TPairSums WithPair(const TPairSums& sums, const TVec3& p, const TVec3& q) {
  TPairSums next = sums;
  ++next.Count;
  for (int a = 0; a < 3; ++a) {
    next.P[a] += p[a];
    next.Q[a] += q[a];
    for (int b = 0; b < 3; ++b) next.PQ[a][b] += p[a] * q[b];
  }
  next.PP += DotProduct(p, p);
  next.QQ += DotProduct(q, q);
  return next;
}

// min over s, R, t of the sum of |q - (s R p + t)|^2 over the pairs summed.
// For a subset of the pairs this cannot exceed the full minimum of any
// assignment that contains them: the bound of the search.
double LeastResidual(const TPairSums& sums, bool bound) {
  if (sums.Count == 0) return 0;
  const double n = sums.Count;
  const double pp = sums.PP - DotProduct(sums.P, sums.P) / n;
  const double qq = sums.QQ - DotProduct(sums.Q, sums.Q) / n;
  if (!(pp > 0)) return qq;
  TMat3 m{};
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) m[a][b] = sums.PQ[a][b] - sums.P[a] * sums.Q[b] / n;
  const double sigma = bound ? SumOfSingularValuesAbove(m) : SumOfSingularValues(m);
  return qq - sigma * sigma / pp;
}

// For the whole polyhedron both centroids are fixed whatever the assignment,
// so the residual is QQ - sigma(sum p q^T)^2 / PP with all points centred.
// The pairs still to come add at most |q| |p| each to sigma (paired by
// decreasing length, which gives the largest sum), so
// sigma(assigned) + that sum bounds sigma from above and the residual from
// below. Tighter than the assigned pairs' own residual near the leaves.
double ResidualBoundFromRest(const TPairSums& sums, double rest, double qq, double pp) {
  const double sigma = SumOfSingularValuesAbove(sums.PQ) + rest;
  return qq - sigma * sigma / pp;
}

struct TSearch {
  std::vector<TVec3> Q;  // the polyhedron, centred and scaled to sum |q|^2 = N + 1
  std::vector<TVec3> P;  // the reference, centred
  const std::vector<std::vector<int>>* Group = nullptr;
  size_t N = 0;
  std::vector<int> Order;       // the ligands in the order they are assigned
  std::vector<int> Vertex;      // Vertex[ligand], for the ligands assigned so far
  std::vector<char> Used;       // per vertex
  std::vector<TPairSums> Sums;  // Sums[d]: the centre and the first d ligands of Order
  double QQ = 0, PP = 0;        // sums of squares of all points
  // LigandLengths[d]: |q| of Order[d..N-1], longest first.
  std::vector<std::vector<double>> LigandLengths;
  std::vector<int> VerticesByLength;  // longest first
  double Best = std::numeric_limits<double>::infinity();
  std::vector<int> BestVertex;
};

struct TCandidate {
  double Bound;
  int Vertex;
};

// A vertex is tried only if it is the first of its orbit under the
// symmetries that keep the vertices chosen so far: the others give the same
// measures again (every assignment maps onto one that passes this test).
bool FirstOfItsOrbit(const TSearch& search, const std::vector<int>& stabiliser, int v) {
  for (int g : stabiliser)
    if ((*search.Group)[static_cast<size_t>(g)][static_cast<size_t>(v)] < v) return false;
  return true;
}

void Descend(TSearch& search, size_t depth, const std::vector<int>& stabiliser) {
  const int ligand = search.Order[depth];
  const TVec3& q = search.Q[static_cast<size_t>(ligand)];
  TCandidate candidates[16];
  size_t count = 0;
  for (size_t v = 0; v < search.N; ++v) {
    if (search.Used[v] || !FirstOfItsOrbit(search, stabiliser, static_cast<int>(v))) continue;
    const TPairSums child = WithPair(search.Sums[depth], search.P[v], q);
    // The bounds of the leaves are the measures of full assignments, which
    // must be exact; above them an overestimate of sigma only prunes less.
    const bool leaf = depth + 1 == search.N;
    double bound = depth == 0 ? 0 : LeastResidual(child, !leaf);
    if (bound < search.Best && !leaf) {
      const std::vector<double>& lengths = search.LigandLengths[depth + 1];
      double rest = 0;
      size_t k = 0;
      for (int w : search.VerticesByLength) {
        if (k == lengths.size()) break;
        if (search.Used[static_cast<size_t>(w)] || w == static_cast<int>(v)) continue;
        const TVec3& p = search.P[static_cast<size_t>(w)];
        rest += lengths[k++] * std::sqrt(DotProduct(p, p));
      }
      bound = std::max(bound, ResidualBoundFromRest(child, rest, search.QQ, search.PP));
    }
    if (bound < search.Best) candidates[count++] = {bound, static_cast<int>(v)};
  }
  std::sort(candidates, candidates + count,
            [](const TCandidate& a, const TCandidate& b) { return a.Bound < b.Bound; });
  for (size_t c = 0; c < count; ++c) {
    // The best so far may have improved since the bound was computed.
    if (!(candidates[c].Bound < search.Best)) break;
    const int v = candidates[c].Vertex;
    search.Vertex[static_cast<size_t>(ligand)] = v;
    if (depth + 1 == search.N) {
      search.Best = candidates[c].Bound;
      search.BestVertex = search.Vertex;
      continue;
    }
    search.Used[static_cast<size_t>(v)] = 1;
    search.Sums[depth + 1] = WithPair(search.Sums[depth], search.P[static_cast<size_t>(v)], q);
    std::vector<int> kept;
    for (int g : stabiliser)
      if ((*search.Group)[static_cast<size_t>(g)][static_cast<size_t>(v)] == v) kept.push_back(g);
    Descend(search, depth + 1, kept);
    search.Used[static_cast<size_t>(v)] = 0;
  }
}

// Ligands far from the centroid first: their pairs carry most of the sum,
// so the bounds of the first levels already weigh heavily.
std::vector<int> AssignmentOrder(const std::vector<TVec3>& q, size_t n) {
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return DotProduct(q[static_cast<size_t>(a)], q[static_cast<size_t>(a)]) >
           DotProduct(q[static_cast<size_t>(b)], q[static_cast<size_t>(b)]);
  });
  return order;
}

}  // namespace

double SumOfSingularValues(const TMat3& m) {
  // One-sided Jacobi (Hestenes): plane rotations from the right make the
  // columns orthogonal; their lengths are then the singular values, each
  // accurate to rounding of the largest one, however small it is. The
  // eigenvalues of m^T m would lose half the digits of a small one.
  double c[3][3];  // c[j]: column j
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) c[j][i] = m[i][j];
  constexpr double kOrthogonal = 1e-15;
  // A column that has shrunk to rounding noise (a matrix of rank 1 or 2)
  // adds nothing to the sum, and its direction means nothing: left alone.
  double frobenius = 0;
  for (const auto& column : c)
    frobenius += column[0] * column[0] + column[1] * column[1] + column[2] * column[2];
  const double negligible = 1e-32 * frobenius;
  for (int sweep = 0; sweep < 40; ++sweep) {
    bool rotated = false;
    for (int p = 0; p < 2; ++p)
      for (int r = p + 1; r < 3; ++r) {
        const double alpha = c[p][0] * c[p][0] + c[p][1] * c[p][1] + c[p][2] * c[p][2];
        const double beta = c[r][0] * c[r][0] + c[r][1] * c[r][1] + c[r][2] * c[r][2];
        const double gamma = c[p][0] * c[r][0] + c[p][1] * c[r][1] + c[p][2] * c[r][2];
        if (!(std::fabs(gamma) > kOrthogonal * std::sqrt(alpha * beta)) || alpha <= negligible ||
            beta <= negligible)
          continue;
        rotated = true;
        const double zeta = (beta - alpha) / (2 * gamma);
        const double t = (zeta >= 0 ? 1.0 : -1.0) / (std::fabs(zeta) + std::hypot(1.0, zeta));
        const double cs = 1 / std::sqrt(1 + t * t);
        const double sn = cs * t;
        for (int i = 0; i < 3; ++i) {
          const double x = c[p][i], y = c[r][i];
          c[p][i] = cs * x - sn * y;
          c[r][i] = sn * x + cs * y;
        }
      }
    if (!rotated) break;
  }
  double sum = 0;
  for (int j = 0; j < 3; ++j)
    sum += std::sqrt(c[j][0] * c[j][0] + c[j][1] * c[j][1] + c[j][2] * c[j][2]);
  return sum;
}

const std::vector<std::vector<int>>& ReferenceSymmetry(const TShapeReference& reference) {
  static const std::vector<std::vector<std::vector<int>>> groups = [] {
    std::vector<std::vector<std::vector<int>>> all;
    for (const TShapeReference& r : AllShapeReferences()) all.push_back(FindSymmetry(r.Points));
    return all;
  }();
  const std::span<const TShapeReference> table = AllShapeReferences();
  if (&reference >= table.data() && &reference < table.data() + table.size())
    return groups[static_cast<size_t>(&reference - table.data())];
  // A reference made elsewhere (a test's own) gets its group each time.
  thread_local std::vector<std::vector<int>> own;
  own = FindSymmetry(reference.Points);
  return own;
}

namespace {

// S of one assignment for points and reference already centred.
double CentredMeasure(const std::vector<TVec3>& q, const std::vector<TVec3>& p, double qq,
                      double pp, std::span<const int> vertex) {
  TMat3 m{};
  for (size_t i = 0; i < q.size(); ++i) {
    const TVec3& paired = PairedPoint(p, vertex, i);
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) m[a][b] += paired[a] * q[i][b];
  }
  const double sigma = SumOfSingularValues(m);
  const double measure = 100 * (1 - (sigma / qq) * (sigma / pp));
  return measure > 0 ? measure : 0;
}

bool HasExtent(double sumOfSquares) { return sumOfSquares > 0 && std::isfinite(sumOfSquares); }

}  // namespace

double ShapeMeasureOfAssignment(std::span<const TVec3> points, const TShapeReference& reference,
                                std::span<const int> vertex) {
  if (!FitsReference(points, reference) || vertex.size() + 1 != points.size()) return kNaN;
  const std::vector<TVec3> q = Centred(points);
  const std::vector<TVec3> p = Centred(reference.Points);
  const double qq = SumOfSquares(q), pp = SumOfSquares(p);
  if (!HasExtent(qq) || !HasExtent(pp)) return kNaN;
  return CentredMeasure(q, p, qq, pp, vertex);
}

TShapeFit FitShapeByAllAssignments(std::span<const TVec3> points,
                                   const TShapeReference& reference) {
  TShapeFit fit;
  fit.Measure = kNaN;
  // 10! assignments take seconds already; more would not end in useful time.
  if (!FitsReference(points, reference) || reference.CN > 10) return fit;
  const std::vector<TVec3> q = Centred(points);
  const std::vector<TVec3> p = Centred(reference.Points);
  const double qq = SumOfSquares(q), pp = SumOfSquares(p);
  if (!HasExtent(qq) || !HasExtent(pp)) return fit;
  std::vector<int> vertex(static_cast<size_t>(reference.CN));
  std::iota(vertex.begin(), vertex.end(), 0);
  fit.Measure = std::numeric_limits<double>::infinity();
  do {
    const double measure = CentredMeasure(q, p, qq, pp, vertex);
    if (measure < fit.Measure) {
      fit.Measure = measure;
      fit.Vertex = vertex;
    }
  } while (std::next_permutation(vertex.begin(), vertex.end()));
  return fit;
}

TShapeFit FitShape(std::span<const TVec3> points, const TShapeReference& reference) {
  TShapeFit fit;
  fit.Measure = kNaN;
  if (!FitsReference(points, reference) || reference.CN > 15) return fit;
  TSearch search;
  search.Q = Centred(points);
  const double qq = SumOfSquares(search.Q);
  if (!HasExtent(qq)) return fit;
  const double scale = std::sqrt(static_cast<double>(points.size()) / qq);
  for (TVec3& q : search.Q)
    for (double& x : q) x *= scale;
  search.P = Centred(reference.Points);
  search.Group = &ReferenceSymmetry(reference);
  search.N = static_cast<size_t>(reference.CN);
  search.Order = AssignmentOrder(search.Q, search.N);
  search.QQ = SumOfSquares(search.Q);
  search.PP = SumOfSquares(search.P);
  search.LigandLengths.resize(search.N + 1);
  for (size_t d = 0; d <= search.N; ++d) {
    for (size_t k = d; k < search.N; ++k) {
      const TVec3& q = search.Q[static_cast<size_t>(search.Order[k])];
      search.LigandLengths[d].push_back(std::sqrt(DotProduct(q, q)));
    }
    std::sort(search.LigandLengths[d].rbegin(), search.LigandLengths[d].rend());
  }
  search.VerticesByLength.resize(search.N);
  std::iota(search.VerticesByLength.begin(), search.VerticesByLength.end(), 0);
  std::stable_sort(
      search.VerticesByLength.begin(), search.VerticesByLength.end(), [&](int a, int b) {
        return DotProduct(search.P[static_cast<size_t>(a)], search.P[static_cast<size_t>(a)]) >
               DotProduct(search.P[static_cast<size_t>(b)], search.P[static_cast<size_t>(b)]);
      });
  search.Vertex.assign(search.N, -1);
  search.Used.assign(search.N, 0);
  search.Sums.assign(search.N + 1, TPairSums{});
  search.Sums[0] = WithPair(TPairSums{}, search.P.back(), search.Q.back());
  std::vector<int> everySymmetry(search.Group->size());
  std::iota(everySymmetry.begin(), everySymmetry.end(), 0);
  Descend(search, 0, everySymmetry);
  if (search.BestVertex.empty()) return fit;
  fit.Vertex = search.BestVertex;
  fit.Measure = ShapeMeasureOfAssignment(points, reference, fit.Vertex);
  return fit;
}
