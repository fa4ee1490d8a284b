#include "geometry/indices.h"
#include "base/format.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// theta = arccos(-1/3), the ideal tetrahedral angle, enters as 360 - 2 theta,
// 360 - theta and 180 - theta.
constexpr double kTau4Span = 141.0575587310186;
constexpr double kTau4PrimeSpan = 250.5287793655093;
constexpr double kTau4PrimeTail = 70.5287793655093;
// d tau4' / d beta = 1/250.53 - 1/70.53 and d tau4' / d alpha = -1/250.53.
constexpr double kTau4PrimeBetaSlope = -0.010187051813062597;
constexpr double kTau4PrimeAlphaSlope = -0.003991557387269463;
// tau4' of the ideal seesaw (beta 180, alpha 120), and tau4 - tau4' of it,
// 0.4253582760099618 - 0.23949344323616775.
constexpr double kSeesawTau4Prime = 0.23949344323616775;
constexpr double kSeesawDifference = 0.18586483277379404;

constexpr double kTau5Span = 60.0;

double Hypot2(double a, double b) { return std::sqrt(a * a + b * b); }

}  // namespace

TValueSu Tau4(double beta, double suBeta, double alpha, double suAlpha) {
  TValueSu r;
  r.Value = (360 - (alpha + beta)) / kTau4Span;
  r.Su = Hypot2(suBeta, suAlpha) / kTau4Span;
  return r;
}

TValueSu Tau4Prime(double beta, double suBeta, double alpha, double suAlpha) {
  TValueSu r;
  r.Value = (beta - alpha) / kTau4PrimeSpan + (180 - beta) / kTau4PrimeTail;
  r.Su = Hypot2(kTau4PrimeBetaSlope * suBeta, kTau4PrimeAlphaSlope * suAlpha);
  return r;
}

TValueSu Tau5(double beta, double suBeta, double alpha, double suAlpha) {
  TValueSu r;
  r.Value = (beta - alpha) / kTau5Span;
  r.Su = Hypot2(suBeta, suAlpha) / kTau5Span;
  return r;
}

namespace {

// su of a beta + b alpha from the variances and the covariance.
double LinearSu(double a, double suBeta, double b, double suAlpha, double covBetaAlpha) {
  const double variance =
      a * a * suBeta * suBeta + b * b * suAlpha * suAlpha + 2 * a * b * covBetaAlpha;
  return variance > 0 ? std::sqrt(variance) : 0.0;
}

}  // namespace

double Tau4SuCorrelated(double suBeta, double suAlpha, double covBetaAlpha) {
  return LinearSu(1 / kTau4Span, suBeta, 1 / kTau4Span, suAlpha, covBetaAlpha);
}

double Tau4PrimeSuCorrelated(double suBeta, double suAlpha, double covBetaAlpha) {
  return LinearSu(kTau4PrimeBetaSlope, suBeta, kTau4PrimeAlphaSlope, suAlpha, covBetaAlpha);
}

double Tau5SuCorrelated(double suBeta, double suAlpha, double covBetaAlpha) {
  return LinearSu(1 / kTau5Span, suBeta, -1 / kTau5Span, suAlpha, covBetaAlpha);
}

double BetaAlphaCorrelation(double suBeta, double suAlpha, double covBetaAlpha) {
  const double product = suBeta * suAlpha;
  if (!(product > 0)) return 0;
  return std::clamp(covBetaAlpha / product, -1.0, 1.0);
}

bool Tau5AboveOne(double beta, double alpha) { return beta - alpha > kTau5Span; }

std::array<double, 3> ShapeWeights4(double tau4, double tau4Prime) {
  const double seesaw = (tau4 - tau4Prime) / kSeesawDifference;
  const double tetrahedral = tau4Prime - kSeesawTau4Prime * seesaw;
  std::array<double, 3> w = {1 - seesaw - tetrahedral, seesaw, tetrahedral};
  double sum = 0;
  for (double& x : w) {
    if (x < 0) x = 0;
    sum += x;
  }
  if (sum > 0)
    for (double& x : w) x /= sum;
  return w;
}

namespace {

// Shape indices by decreasing weight; a later shape moves ahead only when
// strictly heavier, so ties keep the lower index first.
std::array<int, 3> ShapesByWeight(const std::array<double, 3>& w) {
  std::array<int, 3> order = {0, 1, 2};
  for (int i = 0; i < 2; ++i)
    for (int j = i + 1; j < 3; ++j)
      if (w[order[j]] > w[order[i]]) std::swap(order[i], order[j]);
  return order;
}

std::string ShapePhrase(const std::array<double, 3>& w, const std::array<int, 3>& order) {
  const double top = w[order[0]];
  std::string phrase;
  if (top >= 0.9) {
    phrase = "nearly ";
  } else if (top >= 0.7) {
    phrase = "distorted ";
  } else {
    phrase = "intermediate between ";
    phrase += kShapeNames4[order[0]];
    phrase += " and ";
    phrase += kShapeNames4[order[1]];
    return phrase;
  }
  phrase += kShapeNames4[order[0]];
  return phrase;
}

std::string WeightsText(const std::array<double, 3>& w, const std::array<int, 3>& order) {
  std::string text;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) text += ", ";
    text += kShapeNames4[order[i]];
    text += ' ';
    text += FormatFixed(w[order[i]], 2);
  }
  return text;
}

}  // namespace

TClassification4 Classify4(double tau4, double tau4Prime) {
  const std::array<double, 3> w = ShapeWeights4(tau4, tau4Prime);
  const std::array<int, 3> order = ShapesByWeight(w);
  return {ShapePhrase(w, order), WeightsText(w, order), w};
}

std::string Classify5(double tau5) {
  if (tau5 >= 0.9) return "nearly trigonal bipyramidal";
  if (tau5 >= 0.6) return "distorted trigonal bipyramidal";
  if (tau5 >= 0.4) return "strongly distorted (between the ideal shapes)";
  if (tau5 >= 0.1) return "distorted square pyramidal";
  return "nearly square pyramidal";
}
