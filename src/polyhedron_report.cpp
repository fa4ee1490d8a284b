#include "polyhedron_report.h"

#include <algorithm>
#include <cmath>

#include "ugeom.h"

namespace {

constexpr int kMeasureDecimals = 3;
constexpr int kPercentDecimals = 1;

bool BelowNoiseLevel(const TShapeMeasure& measure) {
  return measure.NoiseLevel && measure.Value < *measure.NoiseLevel;
}

bool Measured(const TShapeAnalysis& shapes, std::string_view label) {
  for (const TShapeMeasure& measure : shapes.Measures)
    if (measure.Reference->Label == label) return true;
  return false;
}

std::string PercentText(double value, const std::optional<double>& su) {
  return FormatValueSu(value, su.value_or(0), kPercentDecimals);
}

TReportTable MeasureTable(const TShapeAnalysis& shapes) {
  TReportTable table;
  table.Header = {"Label", "Reference polyhedron", "Symmetry", "S", ""};
  table.RightAligned = {false, false, false, true, false};
  for (const TShapeMeasure& measure : shapes.Measures) {
    const TShapeReference& reference = *measure.Reference;
    table.Rows.push_back({std::string(reference.Label), ShapeNameWithManualLabel(reference),
                          std::string(reference.Symmetry), ShapeMeasureText(measure),
                          BelowNoiseLevel(measure) ? "below the noise level" : ""});
  }
  return table;
}

TReportTable PathTable(const TShapeAnalysis& shapes) {
  TReportTable table;
  table.Header = {"Path", "Deviation [%]", "Coordinate [%]", ""};
  table.RightAligned = {false, true, true, false};
  for (const TShapePath& path : shapes.Paths)
    table.Rows.push_back({std::string(path.Label), PercentText(path.Deviation, path.DeviationSu),
                          PercentText(path.Coordinate, path.CoordinateSu),
                          "0 % = " + std::string(path.From->Label) + ", 100 % = " +
                              std::string(path.To->Label)});
  return table;
}

std::vector<std::string> NoiseLines(const TShapeAnalysis& shapes) {
  if (!shapes.NoiseLevel) return {"No su: the input has none, so there is no noise level either."};
  return {"Noise level: S = " + NoiseLevelText(*shapes.NoiseLevel) +
              ", what the coordinate su alone give on average;",
          "a measure below it is indistinguishable from the ideal shape."};
}

std::vector<std::string> ClosestLines(const TShapeAnalysis& shapes) {
  if (shapes.Closest < 0) return {"Closest shape: none (the polyhedron has no extent)."};
  const TShapeMeasure& closest = shapes.Measures[static_cast<size_t>(shapes.Closest)];
  return {"Closest shape: " + std::string(closest.Reference->Label) + " - " +
          std::string(closest.Reference->Name) + ", S = " + ShapeMeasureText(closest)};
}

// The notes that keep SHAPE's names apart from the shapes of tau4 and tau5.
std::vector<std::string> NameNotes(const TShapeAnalysis& shapes) {
  std::vector<std::string> notes;
  if (Measured(shapes, "SS-4")) {
    notes.emplace_back("SS-4 is SHAPE's seesaw, the cis-divacant octahedron (angles 180 and");
    notes.emplace_back("90 deg); the seesaw of the tau4 weights has the angles 180 and 120 deg.");
  }
  if (Measured(shapes, "SPY-5") || Measured(shapes, "vOC-5")) {
    notes.emplace_back("SPY-5 has the metal above the basal plane (104.48 deg from the apex to");
    notes.emplace_back("the base), vOC-5 has it in the plane (90 deg).");
  }
  return notes;
}

std::vector<std::string> SuSourceLines(const TReportInput& input) {
  if (!input.SuAvailable) return {};
  const std::string held = "the optimal assignment and rotation of each S held fixed.";
  if (input.MatrixLoaded)
    return {"The su of S were propagated with the full variance-covariance matrix",
            "of " + input.MatrixFileName + " and the cell su, with " + held};
  return {"The su of S were propagated from the coordinate and cell su (without",
          "correlations), with " + held};
}

TReportSection ShapeMeasureSection(const TReportInput& input, const TShapeAnalysis& shapes) {
  TReportSection section;
  section.Title = "Continuous shape measures for CN " + std::to_string(shapes.CN) +
                  " (S = 0 for the ideal shape)";
  section.Parts.push_back(TablePart(MeasureTable(shapes)));
  std::vector<std::string> text = NoiseLines(shapes);
  for (std::string& line : ClosestLines(shapes)) text.push_back(std::move(line));
  section.Parts.push_back(TextPart(std::move(text)));
  if (!shapes.Paths.empty()) {
    section.Parts.push_back(TextPart(
        {"", "Minimal-distortion paths (Casanova et al., J. Am. Chem. Soc. 126, 1755 (2004)):"}));
    section.Parts.push_back(TablePart(PathTable(shapes)));
  }
  std::vector<std::string> notes = NameNotes(shapes);
  for (std::string& line : SuSourceLines(input)) notes.push_back(std::move(line));
  if (!notes.empty()) {
    notes.insert(notes.begin(), "");
    section.Parts.push_back(TextPart(std::move(notes)));
  }
  return section;
}

}  // namespace

std::string ShapeMeasureText(const TShapeMeasure& measure) {
  if (std::isnan(measure.Value)) return "-";
  return FormatValueSu(measure.Value, measure.Su.value_or(0), kMeasureDecimals);
}

std::string NoiseLevelText(double noiseLevel) {
  int decimals = kMeasureDecimals;
  if (noiseLevel > 0 && std::isfinite(noiseLevel))
    decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(noiseLevel))),
                          kMeasureDecimals, 8);
  return FormatFixed(noiseLevel, decimals);
}

void PrintPolyhedronSections(TReport& report, const TReportInput& input,
                             const TCentreResult& result) {
  if (!result.Polyhedron) return;
  report.Section(ShapeMeasureSection(input, result.Polyhedron->Shapes));
  report.Line();
}
