#include "report.h"

#include <algorithm>

#include "cli.h"
#include "indices.h"
#include "polyhedron_report.h"
#include "ugeom.h"
#include "utext.h"

std::string PadRight(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string PadLeft(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

namespace {

std::string InputLineLabel(TInputKind kind) {
  switch (kind) {
    case TInputKind::Xyz: return "XYZ file     : ";
    case TInputKind::Shelx: return "SHELX file   : ";
    case TInputKind::Cif: break;
  }
  return "CIF file     : ";
}

void PrintInputLines(TReport& report, const TReportInput& input) {
  report.Line(InputLineLabel(input.Kind) + input.InputPath);
  switch (input.Kind) {
    case TInputKind::Xyz:
      if (!input.XyzComment.empty()) report.Line("Comment      : " + input.XyzComment);
      break;
    case TInputKind::Shelx:
      if (!input.ShelxTitle.empty()) report.Line("Title        : " + input.ShelxTitle);
      break;
    case TInputKind::Cif: {
      std::string line = "Data block   : " + input.BlockName;
      if (input.BlockCount > 1)
        line += "  (of " + std::to_string(input.BlockCount) + " blocks; select with --block=)";
      report.Line(line);
      break;
    }
  }
}

void PrintCellLines(TReport& report, const TCell& cell) {
  report.Line("Cell         : a = " + FormatValueSu(cell.A, cell.SuA, 4) +
              "  b = " + FormatValueSu(cell.B, cell.SuB, 4) +
              "  c = " + FormatValueSu(cell.C, cell.SuC, 4) + " A");
  report.Line("               alpha = " + FormatValueSu(cell.Alpha, cell.SuAlpha, 3) +
              "  beta = " + FormatValueSu(cell.Beta, cell.SuBeta, 3) +
              "  gamma = " + FormatValueSu(cell.Gamma, cell.SuGamma, 3) + " deg");
}

void PrintGeometryLines(TReport& report, const TReportInput& input, const TStructure& model,
                        std::vector<std::string>& warnings) {
  const std::string atomCount = std::to_string(model.Atoms.size());
  const std::string opCount = std::to_string(model.SymOps.size());
  switch (input.Kind) {
    case TInputKind::Xyz:
      report.Line("Coordinates  : Cartesian, no cell and no symmetry, " + atomCount + " atoms");
      report.Line("Atom names   : " + input.XyzNamingText);
      if (input.XyzStructureCount > 1) {
        const std::string note = "the file holds " + std::to_string(input.XyzStructureCount) +
                                 " structures; the first one is used.";
        report.Line("Note         : " + note);
        warnings.push_back(note);
      }
      break;
    case TInputKind::Shelx:
      PrintCellLines(report, model.Cell);
      report.Line("Symmetry     : " + opCount + " operation(s) from LATT/SYMM, " + atomCount +
                  " atom sites");
      break;
    case TInputKind::Cif:
      PrintCellLines(report, model.Cell);
      report.Line("Symmetry     : " + opCount + " operation(s), " + atomCount + " atom sites");
      if (!input.MissingSymmetryGroup.empty()) {
        const std::string warning = MissingSymmetryWarning(input.MissingSymmetryGroup);
        report.Line("Warning      : " + warning);
        warnings.push_back(warning);
      }
      if (!input.GeneratedSymmetryNote.empty()) {
        report.Line("Note         : " + input.GeneratedSymmetryNote);
        warnings.push_back(input.GeneratedSymmetryNote);
      }
      if (!model.SkippedSites.empty()) {
        const std::string warning = SkippedSitesWarning(model.SkippedSites);
        report.Line("Warning      : " + warning);
        warnings.push_back(warning);
      }
      break;
  }
}

std::string AnglePairText(const TLigArray& ligands, const TAngleRec& angle,
                          const std::string& centralLabel) {
  return LigandDisplayName(ligands[angle.Lig1]) + "-" + centralLabel + "-" +
         LigandDisplayName(ligands[angle.Lig2]);
}

// The index texts of the report and the brief line.
std::string IndexText(const TValueSu& index) { return FormatValueSu(index.Value, index.Su, 3); }

void PrintIndicesCn4(TReport& report, const TCentreResult& result) {
  const std::string tau4Text = IndexText(*result.Tau4);
  const std::string tau4pText = IndexText(*result.Tau4Prime);
  const size_t width = std::max(tau4Text.size(), tau4pText.size());
  report.Line("Geometry index for coordination number 4");
  report.Line("  tau4  = " + PadRight(tau4Text, width) +
              "     (0 = square planar, 0.43 = seesaw, 1 = tetrahedral)");
  report.Line("  tau4' = " + PadRight(tau4pText, width) +
              "     (0 = square planar, 0.24 = seesaw, 1 = tetrahedral;");
  report.Line(std::string(width + 16, ' ') + std::string(kTau4PrimeReference) + ")");
  report.Line();
  report.Line("  Classification (from tau4 and tau4'): " + result.Shape);
  report.Line("  Weights of the ideal shapes: " + result.WeightsText);
}

void PrintIndicesCn5(TReport& report, const TCentreResult& result) {
  report.Line("Geometry index for coordination number 5");
  report.Line("  tau5  = " + IndexText(*result.Tau5) +
              "     (0 = square pyramidal, 1 = trigonal bipyramidal)");
  report.Line();
  report.Line("  Classification: " + result.Shape);
}

void PrintClosingNote(TReport& report, const TReportInput& input, const TCentreResult& result) {
  if (!input.SuAvailable) {
    report.Line(std::string("Note: all angles were computed from ") +
                (input.Kind == TInputKind::Xyz ? "the Cartesian coordinates."
                                               : "cell parameters and coordinates."));
    report.Line("      No standard uncertainties are given - see the warning above.");
    return;
  }
  if (input.MatrixLoaded) {
    report.Line("Note: all angles were computed from cell parameters and coordinates.");
    report.Line("      Their standard uncertainties were propagated with the full");
    report.Line("      variance-covariance matrix of " + input.MatrixFileName + ", so the");
    report.Line("      correlations between the refined coordinates are included.");
    if (result.NonFreeCount > 0) {
      report.Line("      " + std::to_string(result.NonFreeCount) +
                  " of the coordinates involved are not free");
      report.Line("      parameters (fixed by symmetry or riding); they contribute");
      report.Line("      nothing to the su.");
    }
    return;
  }
  for (const TAngleRec& angle : result.Angles) {
    if (angle.FromCif) {
      report.Line("Note: angles marked (CIF) were taken from the _geom_angle loop.");
      return;
    }
  }
  report.Line("Note: all angles were computed from cell parameters and coordinates;");
  report.Line("      their standard uncertainties omit parameter correlations.");
}

}  // namespace

void PrintReportHeader(TReport& report, const TReportInput& input, const TStructure& model,
                       TCentreResult& result) {
  report.Line(kTitleLine);
  report.Line(kVersionLine);
  report.Line();
  PrintInputLines(report, input);
  PrintGeometryLines(report, input, model, result.Warnings);
  report.Line("Central atom : " + result.Centre.value_or("") + " (" + result.Element + ")");
}

std::string SkippedSitesWarning(const std::vector<std::string>& labels) {
  constexpr size_t kNamed = 5;
  std::string list;
  for (size_t i = 0; i < labels.size() && i <= kNamed; ++i) {
    if (i > 0) list += ", ";
    list += i < kNamed ? labels[i] : "...";
  }
  // A list cut short ends in its ellipsis.
  return std::to_string(labels.size()) +
         " atom site(s) skipped, coordinates missing or not numbers: " + list +
         (labels.size() > kNamed ? "" : ".");
}

std::string MissingSymmetryWarning(const std::string& spaceGroup) {
  return "no symmetry operators in the data block (space group " + spaceGroup +
         "); only x,y,z is used.";
}

void PrintLigandRows(TReport& report, const TLigArray& ligands) {
  int number = 0;
  for (const TLigand& ligand : ligands) {
    ++number;
    report.Line("  " + PadLeft(std::to_string(number), 2) + "  " + PadRight(ligand.Label, 14) +
                "  " + PadRight(ligand.Site.Op.Code, 10) + "  " +
                FormatValueSu(ligand.Dist, ligand.DistSu, 3));
  }
}

std::string ConfigurationText(const std::vector<TDisorderChoice>& configuration) {
  std::string text;
  for (const TDisorderChoice& choice : configuration) {
    if (!text.empty()) text += "; ";
    if (!choice.Assembly.empty()) text += "assembly " + choice.Assembly + ", ";
    text += "group " + choice.Group + " (occupancy " + FormatFixed(choice.Occupancy, 2) + ")";
  }
  return text;
}

void PrintExcludedAtoms(TReport& report, const std::vector<TExcludedAtom>& excluded) {
  report.Line("Left out of the sphere (" + std::to_string(excluded.size()) +
              "; --sphere=radii takes them):");
  report.Line("  No  Atom            Symmetry    Distance [A]  Reason");
  int number = 0;
  for (const TExcludedAtom& atom : excluded) {
    ++number;
    const TLigand& image = atom.Image;
    report.Line("  " + PadLeft(std::to_string(number), 2) + "  " + PadRight(image.Label, 14) +
                "  " + PadRight(image.Site.Op.Code, 10) + "  " +
                PadRight(FormatValueSu(image.Dist, image.DistSu, 3), 12) + "  " + atom.Reason);
  }
}

void PrintCentroidLines(TReport& report, const TCentreResult& result) {
  for (const TCentreResult::TCentroid& centroid : result.Centroids) {
    std::string members;
    for (const TLigand& member : centroid.Members) members.append(" ").append(LigandDisplayName(member));
    report.Line("  " + centroid.Label + " = centroid of" + members + " (eta" +
                std::to_string(centroid.Members.size()) + ")");
  }
}

void PrintReportBody(TReport& report, const TReportInput& input, const TCentreResult& result) {
  const TLigArray& ligands = result.Ligands;
  const std::string& centralLabel = result.Centre.value_or("");
  report.Line();
  report.Line("Ligands (" + std::to_string(ligands.size()) + "):");
  report.Line("  No  Atom            Symmetry    Distance [A]");
  PrintLigandRows(report, ligands);
  PrintCentroidLines(report, result);
  report.Line();
  if (!result.Excluded.empty()) {
    PrintExcludedAtoms(report, result.Excluded);
    report.Line();
  }
  report.Line("Bond angles L-M-L (sorted in descending order):");
  for (const TAngleRec& angle : result.Angles) {
    report.Line("  " + PadRight(LigandDisplayName(ligands[angle.Lig1]), 14) + " - " +
                PadRight(centralLabel, 6) + " - " +
                PadRight(LigandDisplayName(ligands[angle.Lig2]), 14) + "  " +
                PadLeft(FormatValueSu(angle.Angle, angle.Su, 2), 12) + "   " +
                (angle.FromCif ? "(CIF)" : "(calculated)"));
  }
  report.Line();
  if (result.HasIndices) {
    const TAngleRec& beta = result.Beta;
    const TAngleRec& alpha = result.Alpha;
    report.Line("Largest angle           beta  = " + FormatValueSu(beta.Angle, beta.Su, 2) +
                " deg  (" + AnglePairText(ligands, beta, centralLabel) + ")");
    report.Line("Second largest angle    alpha = " + FormatValueSu(alpha.Angle, alpha.Su, 2) +
                " deg  (" + AnglePairText(ligands, alpha, centralLabel) + ")");
    report.Line();
    if (result.Tau4)
      PrintIndicesCn4(report, result);
    else
      PrintIndicesCn5(report, result);
    report.Line();
  }
  PrintPolyhedronSections(report, input, result);
  PrintClosingNote(report, input, result);
}

std::string BriefLine(const TReportInput& input, const TCentreResult& result) {
  const std::string head = result.Centre.value_or("") + ": CN " +
                           std::to_string(result.Ligands.size());
  const std::string ligands = "  [" + LigandListText(result.Ligands) + "]";
  if (!result.HasIndices) return head + ligands;
  std::string line = head;
  if (result.Tau4)
    line += ", tau4 = " + IndexText(*result.Tau4) + ", tau4' = " + IndexText(*result.Tau4Prime);
  else
    line += ", tau5 = " + IndexText(*result.Tau5);
  line += ligands;
  if (!input.SuAvailable) line += "  (no su - from " + ExtensionWord(input.InputPath) + ")";
  return line;
}
