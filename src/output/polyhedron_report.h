// The shape section of the text and HTML report (--shapes): the continuous
// shape measures of the centre's coordination polyhedron with their su, the
// noise level, the closest shape and the minimal-distortion paths.
#pragma once

#include <string>

#include "output/capture.h"
#include "analysis/centre_result.h"
#include "model/input.h"

// The sections of a result with a shape section, each followed by an empty
// line; nothing without one.
void PrintPolyhedronSections(TReport& report, const TInputSummary& input,
                             const TCentreResult& result);

// S with its su, 3 decimals without su: "0.970(12)".
std::string ShapeMeasureText(const TShapeMeasure& measure);

// The noise level with two significant digits (at least 3 decimals).
std::string NoiseLevelText(double noiseLevel);
