#include "geometry/polyhedron_analysis.h"

#include <algorithm>
#include <cmath>

#include "base/fail.h"
#include "geometry/indices.h"
#include "model/propagation.h"
#include "geometry/shapes.h"
#include "base/format.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"

namespace {

bool IsShapeLabelOfAnyCn(const std::string& label) {
  for (int cn = kMinShapeCN; cn <= kMaxShapeCN; ++cn)
    if (FindShapeReference(cn, label) != nullptr) return true;
  return false;
}

// The scales of the noise floor of the su (see SuAboveNoise).
constexpr double kAngleScale = 180;  // deg
constexpr double kIndexScale = 1;    // tau, Delta

// The largest distance of a ligand from the centre: the scale of lengths.
double Extent(const std::vector<TVec3>& points) {
  double extent = 0;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    double d2 = 0;
    for (size_t k = 0; k < 3; ++k) d2 += (points[i][k] - points.back()[k]) * (points[i][k] - points.back()[k]);
    extent = std::fmax(extent, std::sqrt(d2));
  }
  return extent;
}

TFigureSu Figure(const TPropagation& propagation, size_t index, bool suAvailable, double scale) {
  TFigureSu figure;
  figure.Value = propagation.Values[index];
  if (suAvailable) figure.Su = propagation.Su(index, scale);
  return figure;
}

// S of the reference with this label: the measure already made, or a new fit.
double MeasureAgainst(const TShapeAnalysis& shapes, const std::vector<TVec3>& points,
                      std::string_view label) {
  for (const TShapeMeasure& measure : shapes.Measures)
    if (measure.Reference->Label == label) return measure.Value;
  return FitShape(points, *FindShapeReference(static_cast<int>(points.size()) - 1, label)).Measure;
}

std::optional<TOctahedronFigures> AnalyseOctahedralParameters(const TPolyhedronInput& input,
                                                              const std::vector<TSiteRef>& sites,
                                                              const std::vector<TVec3>& points,
                                                              const TShapeAnalysis& shapes) {
  TOctaLigandPositions ligands{};
  std::copy(points.begin(), points.begin() + kOctaLigands, ligands.begin());
  TOctahedronFigures octahedron;
  octahedron.Analysis = AnalyseOctahedron(points.back(), ligands);
  if (!octahedron.Analysis.Usable) return std::nullopt;
  const TPropagation propagation =
      PropagateSites(input.Model, sites, OctahedralValueFunction(octahedron.Analysis.Choices),
                     input.SuAvailable, input.Matrix);
  const double extent = Extent(points);
  const auto figure = [&](TOctaValue value) {
    const double scale = value == kOctaMeanBond || value == kOctaZeta ? extent
                         : value == kOctaDelta                       ? kIndexScale
                                                                     : kAngleScale;
    return Figure(propagation, static_cast<size_t>(value), input.SuAvailable, scale);
  };
  // A parameter whose every |x| term sits at x = 0 has the derivative 0 by
  // that rule (Delta, whose terms are squares, then too); what the
  // differences give instead is rounding.
  const TOctahedralZeroTerms& zero = octahedron.Analysis.ZeroTerms;
  const auto figureUnlessAllZero = [&](TOctaValue value, bool allZero) {
    TFigureSu f = figure(value);
    if (allZero && f.Su) f.Su = 0.0;
    return f;
  };
  constexpr int kFaceHalfTerms = kOctaFaces / 2 * kOctaFaceAngles;
  octahedron.MeanBond = figure(kOctaMeanBond);
  octahedron.Zeta = figureUnlessAllZero(kOctaZeta, zero.Zeta == kOctaLigands);
  octahedron.Delta = figureUnlessAllZero(kOctaDelta, zero.Zeta == kOctaLigands);
  octahedron.Sigma = figureUnlessAllZero(kOctaSigma, zero.Sigma == kOctaCisAngles);
  octahedron.Theta = figureUnlessAllZero(kOctaTheta, zero.Theta == 2 * kFaceHalfTerms);
  octahedron.ThetaMin = figureUnlessAllZero(kOctaThetaMin, zero.ThetaMin == kFaceHalfTerms);
  octahedron.ThetaMax = figureUnlessAllZero(kOctaThetaMax, zero.ThetaMax == kFaceHalfTerms);
  octahedron.MeasureOC6 = MeasureAgainst(shapes, points, "OC-6");
  octahedron.TransAngleFar = octahedron.Analysis.FarFromOctahedron;
  for (const TShapeReference* reference : ShapeReferencesOfCN(kOctaLigands)) {
    const double measure = MeasureAgainst(shapes, points, reference->Label);
    if (measure < octahedron.MeasureOC6 &&
        (octahedron.CloserShape.empty() || measure < octahedron.MeasureOfCloserShape)) {
      octahedron.CloserShape = reference->Label;
      octahedron.MeasureOfCloserShape = measure;
    }
  }
  return octahedron;
}

// beta and alpha as a smooth function of the polyhedron's points.
TSitesFunction BetaAndAlpha(const TAngleRec& beta, const TAngleRec& alpha) {
  return [beta, alpha](const std::vector<TVec3>& points, std::vector<double>& values) {
    const TVec3& centre = points.back();
    values = {VertexAngle(points[static_cast<size_t>(beta.Lig1)], centre,
                          points[static_cast<size_t>(beta.Lig2)]),
              VertexAngle(points[static_cast<size_t>(alpha.Lig1)], centre,
                          points[static_cast<size_t>(alpha.Lig2)])};
  };
}

TCorrelatedTau CorrelateTau(const TPolyhedronInput& input, const std::vector<TSiteRef>& sites) {
  const TAngleRec& beta = *input.Beta;
  const TAngleRec& alpha = *input.Alpha;
  const TPropagation angles = PropagateSites(input.Model, sites, BetaAndAlpha(beta, alpha),
                                             input.SuAvailable, input.Matrix);
  TCorrelatedTau tau;
  // r is 0/0 where either angle has no su (none in the input, or an angle
  // fixed by symmetry), in the list or in the propagation.
  if (angles.Su(0, kAngleScale) > 0 && angles.Su(1, kAngleScale) > 0 && beta.Su > 0 &&
      alpha.Su > 0)
    tau.Correlation = angles.Correlation(0, 1);
  // The su of the angle list (from the CIF's angle table where it gives the
  // angle, else the propagation that gave r), joined by r.
  const double covariance = tau.Correlation.value_or(0) * beta.Su * alpha.Su;
  if (input.Ligands.size() == 4) {
    tau.Tau4Su = SuAboveNoise(Tau4SuCorrelated(beta.Su, alpha.Su, covariance), kIndexScale);
    tau.Tau4PrimeSu =
        SuAboveNoise(Tau4PrimeSuCorrelated(beta.Su, alpha.Su, covariance), kIndexScale);
  } else {
    tau.Tau5Su = SuAboveNoise(Tau5SuCorrelated(beta.Su, alpha.Su, covariance), kIndexScale);
  }
  return tau;
}

TBasalFigures AnalyseBasalPlane(const TPolyhedronInput& input, const std::vector<TSiteRef>& sites,
                                const std::vector<TVec3>& points) {
  TFiveLigandPositions ligands{};
  std::copy(points.begin(), points.begin() + kBasalLigands, ligands.begin());
  const TAngleRec& beta = *input.Beta;
  const TAngleRec& alpha = *input.Alpha;
  TBasalFigures basal;
  basal.Choice = ChooseBasalSet(points.back(), ligands, {beta.Lig1, beta.Lig2},
                                {alpha.Lig1, alpha.Lig2});
  basal.Tau5AboveOne = Tau5AboveOne(beta.Angle, alpha.Angle);
  if (!basal.Choice.Usable) return basal;
  const TPropagation plane = PropagateSites(input.Model, sites, BasalPlaneValueFunction(basal.Choice),
                                            input.SuAvailable, input.Matrix);
  basal.Displacement = Figure(plane, kBasalDisplacement, input.SuAvailable, Extent(points));
  basal.ApexTilt = Figure(plane, kBasalApexTilt, input.SuAvailable, kAngleScale);
  return basal;
}

}  // namespace

bool ChooseCentreShapes(int cn, const std::vector<std::string>& labels, bool labelsOfAnyCn,
                        std::vector<const TShapeReference*>& references, std::string& error) {
  if (!labelsOfAnyCn || labels.empty())
    return ChooseShapeReferences(cn, labels, references, error);
  std::vector<std::string> ofThisCn;
  for (const std::string& label : labels)
    if (FindShapeReference(cn, label) != nullptr) ofThisCn.push_back(label);
  references.clear();
  return !ofThisCn.empty() && ChooseShapeReferences(cn, ofThisCn, references, error);
}

void CheckShapeLabelsExist(const std::vector<std::string>& labels) {
  for (const std::string& label : labels)
    if (!IsShapeLabelOfAnyCn(label))
      Fatal("unknown shape in --shapes: " + label + " (no reference polyhedron of CN " +
            std::to_string(kMinShapeCN) + " to " + std::to_string(kMaxShapeCN) +
            " has this label)");
}

TPolyhedronResult AnalysePolyhedron(const TPolyhedronInput& input,
                                    const std::vector<const TShapeReference*>& references) {
  TPolyhedronResult result;
  result.Shapes = AnalyseShapes(input.Model, input.CentralAtom, input.Ligands, references,
                                input.SuAvailable, input.Matrix);
  const std::vector<TSiteRef> sites = PolyhedronSites(input.CentralAtom, input.Ligands);
  const std::vector<TVec3> points = PolyhedronPoints(input.Model, sites);
  const size_t cn = input.Ligands.size();
  if (cn == kOctaLigands)
    result.Octahedron = AnalyseOctahedralParameters(input, sites, points, result.Shapes);
  const bool hasBetaAlpha = input.Beta != nullptr && input.Alpha != nullptr;
  if (hasBetaAlpha && input.SuAvailable && (cn == 4 || cn == 5))
    result.CorrelatedTau = CorrelateTau(input, sites);
  if (hasBetaAlpha && cn == kBasalLigands) result.Basal = AnalyseBasalPlane(input, sites, points);
  return result;
}

std::string OctahedronWarning(const TOctahedronFigures& octahedron) {
  if (!octahedron.NotMeaningful()) return "";
  std::string reasons;
  if (octahedron.TransAngleFar)
    reasons = "a trans angle of " + FormatFixed(octahedron.Analysis.SmallestTransAngle, 1) +
              " deg, below " + FormatFixed(kOctaMinTransAngle, 0) + " deg";
  if (!octahedron.CloserShape.empty()) {
    if (!reasons.empty()) reasons += ", and ";
    reasons += "S(OC-6) = " + FormatFixed(octahedron.MeasureOC6, 3) + " above S(" +
               std::string(octahedron.CloserShape) +
               ") = " + FormatFixed(octahedron.MeasureOfCloserShape, 3);
  }
  return "the six ligands are far from any octahedron (" + reasons +
         "): the octahedral parameters are not meaningful.";
}
