// The path deviation of the shape section at the ends of its path. (The
// wording of the section and the record fields are whole-run cases.)
#include <gtest/gtest.h>

#include "support/polyhedron_runs.h"
#include "geometry/shape_analysis.h"
#include "geometry/shapes.h"

TEST(SectionWording, APathDeviationIsNeverNegative) {
  // At either end of its path the deviation is 0, rounding or not.
  for (const auto& [from, to] : {std::pair{"SP-4", "T-4"}, {"TBPY-5", "SPY-5"}, {"OC-6", "TPR-6"}}) {
    const double across = FitShape(Reference(to).Points, Reference(from)).Measure;
    EXPECT_GE(PathFigures(Reference(from), Reference(to), 0, across).Deviation, 0.0) << from;
    EXPECT_GE(PathFigures(Reference(from), Reference(to), across, 0).Deviation, 0.0) << from;
  }
}

