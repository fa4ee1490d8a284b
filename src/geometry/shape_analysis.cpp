#include "geometry/shape_analysis.h"

#include <cmath>
#include <limits>

#include "model/propagation.h"
#include "geometry/shapes.h"

namespace {

// The scales of the noise floor: S runs from 0 to 100, and so do the
// percentages of the paths.
constexpr double kMeasureScale = 100;
constexpr double kPercentScale = 100;

bool IsLinear(const TShapeReference& reference) { return reference.Label == "L-2"; }

// arcsin(sqrt(S) / 10), the angle of a measure on a path.
double MeasureAngle(double measure) {
  const double x = std::sqrt(std::fmax(measure, 0.0)) / 10;
  return std::asin(std::fmin(x, 1.0));
}

// d MeasureAngle / dS; none at S = 0 (where it is infinite) or S = 100.
std::optional<double> MeasureAngleSlope(double measure) {
  if (!(measure > 0) || !(measure < 100)) return std::nullopt;
  return 1 / (20 * std::sqrt(measure) * std::sqrt(1 - measure / 100));
}

int IndexOfReference(const std::vector<TShapeMeasure>& measures, std::string_view label) {
  for (size_t i = 0; i < measures.size(); ++i)
    if (measures[i].Reference->Label == label) return static_cast<int>(i);
  return -1;
}

int SmallestMeasure(const std::vector<TShapeMeasure>& measures) {
  int closest = -1;
  for (size_t i = 0; i < measures.size(); ++i)
    if (!std::isnan(measures[i].Value) &&
        (closest < 0 || measures[i].Value < measures[static_cast<size_t>(closest)].Value))
      closest = static_cast<int>(i);
  return closest;
}

// The propagated values: the measures at their optimal assignments, then
// the 3 (N + 1) Cartesian coordinates of the points (for the noise level).
TSitesFunction MeasuresAndCoordinates(const std::vector<TShapeMeasure>& measures) {
  return [&measures](const std::vector<TVec3>& points, std::vector<double>& values) {
    values.clear();
    for (const TShapeMeasure& measure : measures)
      values.push_back(ShapeMeasureOfAssignment(points, *measure.Reference, measure.Vertex));
    for (const TVec3& p : points) values.insert(values.end(), p.begin(), p.end());
  };
}

void AddPathSu(const TPropagation& propagation, size_t from, size_t to, TShapePath& path) {
  const std::optional<double> slopeFrom = MeasureAngleSlope(propagation.Values[from]);
  const std::optional<double> slopeTo = MeasureAngleSlope(propagation.Values[to]);
  const double theta = PathAngle(*path.From, *path.To);
  if (!slopeFrom || !slopeTo || !(theta > 0)) return;
  const double gFrom = 100 * *slopeFrom / theta, gTo = 100 * *slopeTo / theta;
  const double varFrom = propagation.Variance(from), varTo = propagation.Variance(to);
  const double cov = propagation.CovarianceOf(from, to);
  path.CoordinateSu = SuAboveNoise(std::sqrt(gFrom * gFrom * varFrom), kPercentScale);
  const double deviationVariance =
      gFrom * gFrom * varFrom + 2 * gFrom * gTo * cov + gTo * gTo * varTo;
  path.DeviationSu = SuAboveNoise(std::sqrt(std::fmax(deviationVariance, 0.0)), kPercentScale);
}

}  // namespace

std::vector<TSiteRef> PolyhedronSites(int centralAtom, const TLigArray& ligands) {
  std::vector<TSiteRef> sites;
  sites.reserve(ligands.size() + 1);
  for (const TLigand& ligand : ligands) sites.push_back(ligand.Site);
  sites.push_back(TSiteRef{centralAtom, IdentityOp()});
  return sites;
}

std::vector<TVec3> PolyhedronPoints(const TStructure& model, const std::vector<TSiteRef>& sites) {
  const TMat3 m = CellMatrix(model.Cell);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<TVec3> points;
  points.reserve(sites.size());
  for (const TSiteRef& site : sites) {
    const bool known = site.Atom >= 0 && static_cast<size_t>(site.Atom) < model.FracCoords.size();
    points.push_back(known
                         ? SiteToCart(model.FracCoords[static_cast<size_t>(site.Atom)], site.Op, m)
                         : TVec3{nan, nan, nan});
  }
  return points;
}

double ShapeNoiseLevel(const std::vector<TVec3>& points, double meanVariance, bool linear) {
  TVec3 centre{0, 0, 0};
  for (const TVec3& p : points)
    for (int k = 0; k < 3; ++k) centre[k] += p[k] / static_cast<double>(points.size());
  double spread = 0;
  for (const TVec3& p : points)
    for (int k = 0; k < 3; ++k) spread += (p[k] - centre[k]) * (p[k] - centre[k]);
  // A line turns about two axes only, so it keeps one more freedom.
  const double freedoms = 3.0 * static_cast<double>(points.size()) - (linear ? 6 : 7);
  return 100 * freedoms * meanVariance / spread;
}

double PathAngle(const TShapeReference& from, const TShapeReference& to) {
  return MeasureAngle(FitShape(to.Points, from).Measure);
}

TShapePath PathFigures(const TShapeReference& from, const TShapeReference& to, double measureFrom,
                       double measureTo) {
  TShapePath path;
  path.From = &from;
  path.To = &to;
  for (const TShapePathPair& pair : kShapePathPairs)
    if (pair.From == from.Label && pair.To == to.Label) path.Label = pair.Label;
  const double theta = PathAngle(from, to);
  path.Coordinate = 100 * MeasureAngle(measureFrom) / theta;
  // On the path the deviation is 0; rounding must not take it below.
  path.Deviation =
      std::fmax(((MeasureAngle(measureFrom) + MeasureAngle(measureTo)) / theta - 1) * 100, 0.0);
  return path;
}

std::vector<std::array<double, 2>> ShapePathCurve(const TShapeReference& from,
                                                  const TShapeReference& to, int n) {
  const double theta = PathAngle(from, to);
  std::vector<std::array<double, 2>> curve;
  for (int k = 0; k < n; ++k) {
    const double angle = n > 1 ? theta * k / (n - 1) : 0;
    const double sinFrom = std::sin(angle), sinTo = std::sin(theta - angle);
    curve.push_back({100 * sinFrom * sinFrom, 100 * sinTo * sinTo});
  }
  return curve;
}

TShapeAnalysis AnalyseShapes(const TStructure& model, int centralAtom, const TLigArray& ligands,
                             const std::vector<const TShapeReference*>& references,
                             bool suAvailable, const TCovSource* matrix) {
  TShapeAnalysis analysis;
  analysis.CN = static_cast<int>(ligands.size());
  const std::vector<TSiteRef> sites = PolyhedronSites(centralAtom, ligands);
  const std::vector<TVec3> points = PolyhedronPoints(model, sites);
  for (const TShapeReference* reference : references) {
    if (reference == nullptr || reference->CN != analysis.CN) continue;
    const TShapeFit fit = FitShape(points, *reference);
    TShapeMeasure measure;
    measure.Reference = reference;
    measure.Value = fit.Measure;
    measure.Vertex = fit.Vertex;
    analysis.Measures.push_back(measure);
  }
  analysis.Closest = SmallestMeasure(analysis.Measures);

  const TPropagation propagation =
      PropagateSites(model, sites, MeasuresAndCoordinates(analysis.Measures), suAvailable, matrix);
  const size_t count = analysis.Measures.size();
  // Without coordinate su there is no noise level, and what the cell su
  // alone give a measure (which does not depend on the scale) is rounding.
  const bool coordinateSu = suAvailable && propagation.CoordinatesWithSu > 0;
  if (suAvailable) analysis.Missing = propagation.Missing;
  if (coordinateSu) {
    double variance = 0;
    for (size_t i = count; i < propagation.Size(); ++i) variance += propagation.Variance(i);
    variance /= static_cast<double>(propagation.Size() - count);
    analysis.NoiseLevel = ShapeNoiseLevel(points, variance, false);
    for (size_t i = 0; i < count; ++i) {
      TShapeMeasure& measure = analysis.Measures[i];
      if (std::isnan(measure.Value)) continue;
      measure.Su = propagation.Su(i, kMeasureScale);
      measure.NoiseLevel = IsLinear(*measure.Reference) ? ShapeNoiseLevel(points, variance, true)
                                                        : *analysis.NoiseLevel;
    }
  }

  for (const TShapePathPair& pair : kShapePathPairs) {
    const int from = IndexOfReference(analysis.Measures, pair.From);
    const int to = IndexOfReference(analysis.Measures, pair.To);
    if (from < 0 || to < 0) continue;
    const TShapeMeasure& x = analysis.Measures[static_cast<size_t>(from)];
    const TShapeMeasure& y = analysis.Measures[static_cast<size_t>(to)];
    if (std::isnan(x.Value) || std::isnan(y.Value)) continue;
    TShapePath path = PathFigures(*x.Reference, *y.Reference, x.Value, y.Value);
    if (coordinateSu)
      AddPathSu(propagation, static_cast<size_t>(from), static_cast<size_t>(to), path);
    analysis.Paths.push_back(path);
  }
  return analysis;
}
