// The coordination geometry indices tau4, tau4' and tau5 from the two largest
// L-M-L angles beta >= alpha, with their su, and the classification of the
// shape in words.
#pragma once

#include <array>
#include <string>

#include "ugeom.h"

// Index value and su (Missing stays 0). The su treat beta and alpha as
// uncorrelated.
TValueSu Tau4(double beta, double suBeta, double alpha, double suAlpha);
TValueSu Tau4Prime(double beta, double suBeta, double alpha, double suAlpha);
TValueSu Tau5(double beta, double suBeta, double alpha, double suAlpha);

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
