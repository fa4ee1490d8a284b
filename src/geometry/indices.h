// The coordination geometry indices tau4, tau4' and tau5 from the two largest
// L-M-L angles beta >= alpha, with their su, and the classification of the
// shape in words.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/vector.h"

// Short reference to the publication that defines tau4' (help text and report).
inline constexpr std::string_view kTau4PrimeReference = "Okuniewski et al., Polyhedron 2015";

// Index value and su (Missing stays 0). The su treat beta and alpha as
// uncorrelated.
TValueSu Tau4(double beta, double suBeta, double alpha, double suAlpha);
TValueSu Tau4Prime(double beta, double suBeta, double alpha, double suAlpha);
TValueSu Tau5(double beta, double suBeta, double alpha, double suAlpha);

// The su of the indices with the correlation of beta and alpha, which share
// the central atom and often a ligand: covBetaAlpha is their covariance in
// degrees squared (su in degrees). A variance that rounding takes below 0
// gives su 0.
double Tau4SuCorrelated(double suBeta, double suAlpha, double covBetaAlpha);
double Tau4PrimeSuCorrelated(double suBeta, double suAlpha, double covBetaAlpha);
double Tau5SuCorrelated(double suBeta, double suAlpha, double covBetaAlpha);

// cov / (su_beta su_alpha), limited to [-1, 1]; 0 when either su is 0.
double BetaAlphaCorrelation(double suBeta, double suAlpha, double covBetaAlpha);

// tau5 above 1: beta - alpha exceeds 60 degrees; the polyhedron lies beyond
// the trigonal bipyramid, on the side away from the square pyramid.
bool Tau5AboveOne(double beta, double alpha);

inline constexpr std::array<const char*, 3> kShapeNames4 = {"square planar", "seesaw",
                                                            "tetrahedral"};

// Weights of the ideal square planar, seesaw and tetrahedral shapes whose
// mixture gives tau4 and tau4'; none negative, summing to 1.
std::array<double, 3> ShapeWeights4(double tau4, double tau4Prime);

struct TClassification4 {
  std::string Phrase;       // e.g. "distorted square planar"
  std::string WeightsText;  // e.g. "square planar 0.85, seesaw 0.08, tetrahedral 0.07"
  std::array<double, 3> Weights{};  // ShapeWeights4, in the order of kShapeNames4
};

TClassification4 Classify4(double tau4, double tau4Prime);
std::string Classify5(double tau5);
