#include "output/report.h"

#include <algorithm>

#include "analysis/centre.h"
#include "base/version.h"
#include "geometry/indices.h"
#include "output/polyhedron_report.h"
#include "base/format.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"
#include "base/text.h"
#include "model/from_shelx.h"

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

void PrintInputLines(TReport& report, const TInputSummary& input) {
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

void PrintGeometryLines(TReport& report, const TCentreResult& result) {
  const TInputSummary& input = result.Source;
  const std::string atomCount = std::to_string(result.AtomCount);
  const std::string opCount = std::to_string(result.OperationCount);
  switch (input.Kind) {
    case TInputKind::Xyz:
      report.Line("Coordinates  : Cartesian, no cell and no symmetry, " + atomCount + " atoms");
      report.Line("Atom names   : " + input.XyzNamingText);
      break;
    case TInputKind::Shelx:
      PrintCellLines(report, result.Cell);
      report.Line("Symmetry     : " + opCount + " operation(s) from LATT/SYMM, " + atomCount +
                  " atom sites");
      break;
    case TInputKind::Cif:
      PrintCellLines(report, result.Cell);
      report.Line("Symmetry     : " + opCount + " operation(s), " + atomCount + " atom sites");
      break;
  }
  for (const TInputNote& note : result.InputNotes)
    report.Line((note.Warning ? "Warning      : " : "Note         : ") + note.Text);
}

void PrintLigandLines(TReport& report, const TCentreResult& result) {
  if (result.NamedLigandCount > 0) {
    report.Line("Ligands      : specified (" + std::to_string(result.NamedLigandCount) + " atoms)");
    return;
  }
  report.Line("Ligands      : automatic (d <= r1 + r2 + " + FormatFixed(result.Tolerance, 2) +
              " A, occupancy >= " + FormatFixed(result.MinOccupancy, 2) + ")");
  if (!result.Configuration.empty())
    report.Line("Configuration: " + ConfigurationText(result.Configuration));
}

// The neighbours of a coordination number that has neither indices nor
// shapes, above the error that ends the report.
void PrintNeighbourTable(TReport& report, const TCentreResult& result) {
  report.Line();
  report.Line("Neighbours found (" + std::to_string(result.Ligands.size()) + "):");
  PrintLigandRows(report, result.Ligands);
  PrintCentroidLines(report, result);
  report.Line();
  if (!result.Excluded.empty()) {
    PrintExcludedAtoms(report, result.Excluded);
    report.Line();
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

void PrintClosingNote(TReport& report, const TInputSummary& input, const TCentreResult& result) {
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

void PrintReportHeader(TReport& report, const TCentreResult& result) {
  report.Line(kTitleLine);
  report.Line(kVersionLine);
  report.Line();
  PrintInputLines(report, result.Source);
  PrintGeometryLines(report, result);
  report.Line("Central atom : " + result.Centre.value_or("") + " (" + result.Element + ")");
}

void PrintSuSourceLines(TReport& report, const TInputSummary& input) {
  if (input.Kind == TInputKind::Shelx && input.MatrixLoaded) {
    report.Line("Matrix file  : " + input.MatrixFileName + "  (" +
                std::to_string(input.MatrixParamCount) + " refined parameters)");
  } else if (input.Kind == TInputKind::Shelx) {
    const std::string matName = FileNameOnly(MatrixPathFor(input.InputPath));
    report.Line();
    report.Line("*** WARNING - no standard uncertainties ***");
    report.Line("The geometry was taken from a SHELX " + ExtensionWord(input.InputPath) +
                " file. Such files store");
    report.Line("only the refined parameters themselves, not their standard");
    report.Line("uncertainties: the su of the coordinates come from the inverse");
    report.Line("least-squares matrix, which SHELXL writes to the .lst file and to");
    report.Line("the CIF, but not to res/ins. Only the cell esds (ZERR) are present,");
    report.Line("and they contribute so little to a bond angle that propagating them");
    report.Line("alone would understate the true uncertainty by orders of magnitude.");
    report.Line("All values below are therefore given without su. To get them, put the");
    report.Line("SHELXL matrix file " + matName + " beside this one - it holds the full");
    report.Line("variance-covariance matrix - or run Vexorin on the CIF instead.");
  } else if (input.Kind == TInputKind::Xyz) {
    report.Line();
    report.Line("*** WARNING - no standard uncertainties ***");
    report.Line("The geometry was taken from an XYZ file. Such a file holds Cartesian");
    report.Line("coordinates only - no cell, no symmetry and no standard uncertainties");
    report.Line("(a calculated structure has none in the crystallographic sense).");
    report.Line("All values below are therefore given without su.");
  }
}

void PrintCentreReport(TReport& report, const TCentreResult& result) {
  if (result.Stage == TCentreStage::Started) return;
  PrintReportHeader(report, result);
  PrintSuSourceLines(report, result.Source);
  for (const std::string& warning : result.ElementWarnings)
    report.Line("Warning      : " + warning);
  PrintLigandLines(report, result);
  if (result.Stage == TCentreStage::Header) return;
  if (result.SuffixRemoved) report.Line("Note         : " + std::string(kSuffixRemovedNote));
  if (result.Stage == TCentreStage::NeighbourTable) PrintNeighbourTable(report, result);
  if (result.Stage != TCentreStage::Measured) return;
  const size_t cn = result.Ligands.size();
  report.Line("Coordination number: " + std::to_string(cn) + "  ->  " +
              (cn == 4 ? "tau4 / tau4'" : cn == 5 ? "tau5" : "shape measures"));
  if (!Failed(result)) PrintReportBody(report, result);
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

void PrintReportBody(TReport& report, const TCentreResult& result) {
  const TInputSummary& input = result.Source;
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

std::string BriefLine(const TCentreResult& result) {
  const TInputSummary& input = result.Source;
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
