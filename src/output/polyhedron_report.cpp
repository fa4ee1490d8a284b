#include "output/polyhedron_report.h"

#include <algorithm>
#include <cmath>

#include "base/format.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/vector.h"
#include "base/text.h"

namespace {

// Decimals without su, as the rest of the report writes such numbers.
constexpr int kMeasureDecimals = 3;
constexpr int kPercentDecimals = 1;
constexpr int kIndexDecimals = 3;
constexpr int kDistanceDecimals = 3;
constexpr int kAngleDecimals = 2;
constexpr int kDeltaDecimals = 6;  // Delta is of the order of 1e-4
// An apical bond tilted less than this (deg) counts as along the normal.
constexpr double kZeroTilt = 1e-6;

// The width of the text lines of the sections, indent included.
constexpr size_t kTextWidth = 79;
// A path deviation above this puts the polyhedron off the path (Casanova et
// al. 2004).
constexpr double kOffPathDeviation = 10;

// The text broken at blanks into lines of at most `width` characters (a
// longer word stays whole), the lines after the first indented by `indent`
// blanks.
std::vector<std::string> WrappedLines(const std::string& text, size_t width, size_t indent) {
  std::vector<std::string> lines(1);
  for (std::string_view word : SplitAtBlanksAndTabs(text)) {
    std::string& line = lines.back();
    if (line.empty()) {
      line = word;
    } else if (line.size() + 1 + word.size() > width) {
      lines.emplace_back(indent, ' ');
      lines.back() += word;
    } else {
      line.append(" ").append(word);
    }
  }
  return lines;
}

// Text lines of a section (indented by its two blanks) within the width: a
// longer line is broken at blanks, its continuation indented by `indent`.
TReportPart FittedText(const std::vector<std::string>& lines, size_t indent = 0) {
  std::vector<std::string> fitted;
  for (const std::string& line : lines) {
    if (line.size() + 2 <= kTextWidth) {
      fitted.push_back(line);
      continue;
    }
    for (std::string& part : WrappedLines(line, kTextWidth - 2, indent))
      fitted.push_back(std::move(part));
  }
  return TextPart(std::move(fitted));
}

bool SharesLigand(const TAngleRec& a, const TAngleRec& b) {
  return a.Lig1 == b.Lig1 || a.Lig1 == b.Lig2 || a.Lig2 == b.Lig1 || a.Lig2 == b.Lig2;
}

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
                          BelowNoiseLevel(measure) ? "*" : ""});
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
  std::string level = "S = " + NoiseLevelText(*shapes.NoiseLevel);
  // A line keeps one more freedom than the other shapes (two rotations).
  for (const TShapeMeasure& measure : shapes.Measures)
    if (measure.NoiseLevel && *measure.NoiseLevel != *shapes.NoiseLevel)
      level += " (" + std::string(measure.Reference->Label) + ": " +
               NoiseLevelText(*measure.NoiseLevel) + ")";
  return {"Noise level: " + level + ", what the coordinate su alone give on average;",
          "a measure below it (*) is indistinguishable from the ideal shape."};
}

std::vector<std::string> ClosestLines(const TShapeAnalysis& shapes) {
  if (shapes.Closest < 0) return {"Closest shape: none (the polyhedron has no extent)."};
  const TShapeMeasure& closest = shapes.Measures[static_cast<size_t>(shapes.Closest)];
  return {"Closest shape: " + std::string(closest.Reference->Label) + ", S = " +
          ShapeMeasureText(closest) + " - " + std::string(closest.Reference->Name)};
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

std::vector<std::string> SuSourceLines(const TInputSummary& input, const TShapeAnalysis& shapes) {
  if (!input.SuAvailable || !shapes.NoiseLevel) return {};
  const std::string held = "the optimal assignment and rotation of each S held fixed.";
  if (input.MatrixLoaded)
    return {"The su of S were propagated with the full variance-covariance matrix",
            "of " + input.MatrixFileName + " and the cell su, with " + held};
  return {"The su of S were propagated from the coordinate and cell su (without",
          "correlations), with " + held};
}

TReportSection ShapeMeasureSection(const TInputSummary& input, const TShapeAnalysis& shapes) {
  TReportSection section;
  section.Title = "Continuous shape measures for CN " + std::to_string(shapes.CN) +
                  " (S = 0 for the ideal shape)";
  section.Parts.push_back(TablePart(MeasureTable(shapes)));
  std::vector<std::string> text = NoiseLines(shapes);
  for (std::string& line : ClosestLines(shapes)) text.push_back(std::move(line));
  section.Parts.push_back(FittedText(text, 15));
  if (!shapes.Paths.empty()) {
    section.Parts.push_back(FittedText(
        {"", "Minimal-distortion paths (Casanova et al., JACS 126, 1755 (2004)):"}));
    section.Parts.push_back(TablePart(PathTable(shapes)));
    if (std::any_of(shapes.Paths.begin(), shapes.Paths.end(),
                    [](const TShapePath& path) { return path.Deviation > kOffPathDeviation; }))
      section.Parts.push_back(FittedText(
          {"A deviation above about 10 % is taken to put the polyhedron off that path;",
           "its coordinate then says little."}));
  }
  std::vector<std::string> notes = NameNotes(shapes);
  for (std::string& line : SuSourceLines(input, shapes)) notes.push_back(std::move(line));
  if (!notes.empty()) {
    notes.insert(notes.begin(), "");
    section.Parts.push_back(FittedText(std::move(notes)));
  }
  return section;
}

// ------------------------------------------------------------- CN 4 and 5: tau su

std::string CorrelatedTauLine(const std::string& name, const TValueSu& index, double correlatedSu,
                              const std::optional<double>& r) {
  return name + " = " + FormatValueSu(index.Value, index.Su, kIndexDecimals) + " uncorrelated, " +
         FormatValueSu(index.Value, correlatedSu, kIndexDecimals) + " correlated " +
         (r ? "(r = " + FormatFixed(*r, 2) + ")" : std::string("(r undefined)"));
}

TReportSection CorrelatedTauSection(const TInputSummary& input, const TCentreResult& result,
                                    const TCorrelatedTau& tau) {
  TReportSection section;
  section.Title = "su of the geometry index with the correlation of beta and alpha";
  std::vector<std::string> lines;
  if (result.Tau4 && tau.Tau4Su)
    lines.push_back(CorrelatedTauLine("tau4 ", *result.Tau4, *tau.Tau4Su, tau.Correlation));
  if (result.Tau4Prime && tau.Tau4PrimeSu)
    lines.push_back(CorrelatedTauLine("tau4'", *result.Tau4Prime, *tau.Tau4PrimeSu, tau.Correlation));
  if (result.Tau5 && tau.Tau5Su)
    lines.push_back(CorrelatedTauLine("tau5 ", *result.Tau5, *tau.Tau5Su, tau.Correlation));
  lines.emplace_back("");
  const std::string share =
      SharesLigand(result.Beta, result.Alpha) ? " and a ligand" : "";
  if (tau.Correlation) {
    lines.push_back("beta and alpha share the central atom" + share + ": their errors correlate;");
    lines.emplace_back("r was propagated " +
                       (input.MatrixLoaded ? "with the full matrix of " + input.MatrixFileName + "."
                                           : std::string("from the coordinate and cell su.")));
  } else {
    lines.push_back("beta and alpha share the central atom" + share + ", but r is undefined:");
    lines.emplace_back("beta or alpha has no su (none in the input, or fixed by symmetry).");
  }
  if (result.Beta.FromCif || result.Alpha.FromCif)
    lines.emplace_back("The su of the angles marked (CIF) are those of the _geom_angle loop.");
  section.Parts.push_back(FittedText(lines, 8));
  return section;
}

// ------------------------------------------------------------- CN 5: basal plane

std::string LigandNames(const TLigArray& ligands, const std::vector<int>& indices) {
  std::string names;
  for (int i : indices) {
    if (!names.empty()) names += ' ';
    names += LigandDisplayName(ligands[static_cast<size_t>(i)]);
  }
  return names;
}

TReportSection BasalPlaneSection(const TCentreResult& result, const TBasalFigures& basal) {
  TReportSection section;
  section.Title = "Basal plane (CN 5)";
  const TLigArray& ligands = result.Ligands;
  const std::string& centre = result.Centre.value_or("");
  std::vector<std::string> lines;
  if (!basal.Choice.Usable) {
    lines.emplace_back("No basal plane: beta and alpha do not name four ligands.");
    section.Parts.push_back(FittedText(std::move(lines)));
    return section;
  }
  const std::vector<int> base(basal.Choice.Basal.begin(), basal.Choice.Basal.end());
  const TLigand& apex = ligands[static_cast<size_t>(basal.Choice.Apex)];
  lines.push_back("Basal ligands: " + LigandNames(ligands, base) +
                  (basal.Choice.BetaAlphaShareLigand ? "" : " (those of beta and alpha)") +
                  "; apex: " + LigandDisplayName(apex));
  const double d = basal.Displacement.Value;
  lines.push_back(centre + " lies " +
                  FormatValueSu(std::fabs(d), basal.Displacement.Su.value_or(0), kDistanceDecimals) +
                  " A from their least-squares plane, " +
                  (d >= 0 ? "on the side of the apex." : "on the side away from the apex."));
  lines.push_back("Angle of the apical bond " + centre + "-" + LigandDisplayName(apex) +
                  " to the plane normal: " +
                  FormatValueSu(basal.ApexTilt.Value, basal.ApexTilt.Su.value_or(0), kAngleDecimals) +
                  " deg");
  if (basal.Tau5AboveOne) {
    lines.emplace_back("tau5 > 1: beta - alpha exceeds 60 deg; the polyhedron lies beyond the");
    lines.emplace_back("trigonal bipyramid, on the side away from the square pyramid.");
  }
  if (basal.ApexTilt.Su && basal.ApexTilt.Value < kZeroTilt)
    lines.emplace_back("The apical bond lies along the normal, where the angle has no derivative.");
  if (basal.Choice.BetaAlphaShareLigand) {
    lines.emplace_back("beta and alpha share a ligand: the basal ligands are the two disjoint pairs");
    lines.emplace_back("with the largest angle sum, " + FormatFixed(basal.Choice.Margin, 2) +
                       " deg above the next split into an apex and two pairs,");
    lines.emplace_back("so a small change of the angles can change the basal set.");
  }
  section.Parts.push_back(FittedText(std::move(lines)));
  return section;
}

// ------------------------------------------------------------- CN 6: octahedron

std::string AngleText(const TCentreResult& result, int lig1, int lig2) {
  for (const TAngleRec& angle : result.Angles)
    if ((angle.Lig1 == lig1 && angle.Lig2 == lig2) || (angle.Lig1 == lig2 && angle.Lig2 == lig1))
      return FormatValueSu(angle.Angle, angle.Su, kAngleDecimals);
  return "-";
}

TReportTable TransPairTable(const TCentreResult& result, const TOctahedralChoices& choices) {
  TReportTable table;
  table.Header = {"Trans pair", "Angle [deg]"};
  table.RightAligned = {false, true};
  const std::string& centre = result.Centre.value_or("");
  for (const std::array<int, 2>& pair : choices.TransPairs)
    table.Rows.push_back(
        {LigandDisplayName(result.Ligands[static_cast<size_t>(pair[0])]) + "-" + centre + "-" +
             LigandDisplayName(result.Ligands[static_cast<size_t>(pair[1])]),
         AngleText(result, pair[0], pair[1])});
  return table;
}

std::string FigureText(const TFigureSu& figure, int decimals) {
  return FormatValueSu(figure.Value, figure.Su.value_or(0), decimals);
}

TReportTable OctahedralTable(const TOctahedronFigures& o) {
  TReportTable table;
  table.Header = {"Parameter", "Value", "Unit", "Definition"};
  table.RightAligned = {false, true, false, false};
  table.Rows = {
      {"d_mean", FigureText(o.MeanBond, kDistanceDecimals), "A", "mean M-L distance"},
      {"zeta", FigureText(o.Zeta, kDistanceDecimals), "A", "sum of |d_i - d_mean| over the 6 bonds"},
      {"Delta", FigureText(o.Delta, kDeltaDecimals), "", "(1/6) sum of ((d_i - d_mean)/d_mean)^2"},
      {"Sigma", FigureText(o.Sigma, kAngleDecimals), "deg", "sum of |90 - phi| over the 12 cis angles"},
      {"Theta", FigureText(o.Theta, kAngleDecimals), "deg",
       "half the sum over the 8 faces of |theta - 60|"},
      {"Theta_min", FigureText(o.ThetaMin, kAngleDecimals), "deg", "the 4 faces of smallest sum"},
      {"Theta_max", FigureText(o.ThetaMax, kAngleDecimals), "deg", "the 4 faces of largest sum"},
  };
  return table;
}

// Where an |x| term of a parameter sits at x = 0.
// Said only where the figures have su: without them no slope is taken.
std::vector<std::string> ZeroTermLines(const TOctahedralZeroTerms& zero, bool hasSu) {
  std::string counts;
  const auto add = [&](const char* name, int count, int of) {
    if (count == 0) return;
    if (!counts.empty()) counts += ", ";
    counts += std::string(name) + " " + std::to_string(count) + " of " + std::to_string(of);
  };
  add("zeta", zero.Zeta, kOctaLigands);
  add("Sigma", zero.Sigma, kOctaCisAngles);
  add("Theta", zero.Theta, kOctaFaces * kOctaFaceAngles);
  if (counts.empty() || !hasSu) return {};
  return {"Terms |x| at x = 0 (" + counts + "): |x| has no",
          "derivative there; it was taken as 0 for the su."};
}

// coordinateSu: the coordinates have su (the cell su alone give the |x|
// terms none).
std::vector<std::string> OctahedralNotes(const TOctahedronFigures& o, bool coordinateSu) {
  std::vector<std::string> notes = {
      "zeta: Buron-Le Cointe et al., Phys. Rev. B 85, 064114 (2012); Delta: Lufaso",
      "and Woodward, Acta Cryst. B60, 10 (2004); Sigma: McCusker et al., Inorg.",
      "Chem. 35, 2100 (1996); Theta: Marchivie et al., Acta Cryst. B61, 25 (2005);",
      "Theta_min and Theta_max: OctaDist, Ketkaew et al., Dalton Trans. 50, 1086",
      "(2021). Theta projects the atoms onto each face, so it depends on the bond",
      "lengths as well as on the angles."};
  for (std::string& line : ZeroTermLines(o.Analysis.ZeroTerms, coordinateSu))
    notes.push_back(std::move(line));
  const TOctahedralChoices& choices = o.Analysis.Choices;
  std::vector<std::string> ties;
  if (choices.TransPairsTied)
    ties.emplace_back("Another pairing gives the same sum of trans angles; the first was kept.");
  if (choices.FaceThroughCentre)
    ties.emplace_back("A face plane passes through the metal; the order of its corners is arbitrary.");
  if (choices.ThetaSplitTied)
    ties.emplace_back("The fourth and fifth face sums are equal: Theta_min and Theta_max split a tie.");
  for (const std::string& tie : ties)
    for (std::string& line : WrappedLines(tie, kTextWidth - 2, 0)) notes.push_back(std::move(line));
  return notes;
}

TReportSection OctahedralSection(const TCentreResult& result, const TOctahedronFigures& o) {
  TReportSection section;
  section.Title = "Octahedral distortion parameters (CN 6)";
  const std::string warning = OctahedronWarning(o);
  if (!warning.empty()) {
    // Indented by the section's two blanks.
    std::vector<std::string> lines = WrappedLines("Warning: " + warning, kTextWidth - 2, 9);
    lines.emplace_back("");
    section.Parts.push_back(FittedText(std::move(lines)));
  }
  section.Parts.push_back(FittedText({"Trans pairs: the pairing of the ligands with the largest angle sum."}));
  section.Parts.push_back(TablePart(TransPairTable(result, o.Analysis.Choices)));
  section.Parts.push_back(FittedText({""}));
  section.Parts.push_back(TablePart(OctahedralTable(o)));
  const bool coordinateSu = result.Polyhedron && result.Polyhedron->Shapes.NoiseLevel;
  std::vector<std::string> notes = OctahedralNotes(o, coordinateSu);
  notes.insert(notes.begin(), "");
  section.Parts.push_back(FittedText(std::move(notes)));
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

void PrintPolyhedronSections(TReport& report, const TInputSummary& input,
                             const TCentreResult& result) {
  if (!result.Polyhedron) return;
  const TPolyhedronResult& polyhedron = *result.Polyhedron;
  const auto print = [&](const TReportSection& section) {
    report.Section(section);
    report.Line();
  };
  print(ShapeMeasureSection(input, polyhedron.Shapes));
  if (polyhedron.CorrelatedTau) print(CorrelatedTauSection(input, result, *polyhedron.CorrelatedTau));
  if (polyhedron.Basal) print(BasalPlaneSection(result, *polyhedron.Basal));
  if (polyhedron.Octahedron) print(OctahedralSection(result, *polyhedron.Octahedron));
}
