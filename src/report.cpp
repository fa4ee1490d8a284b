#include "report.h"

#include <algorithm>

#include "cli.h"
#include "indices.h"
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

void PrintGeometryLines(TReport& report, const TReportInput& input, const TStructure& model) {
  const std::string atomCount = std::to_string(model.Atoms.size());
  const std::string opCount = std::to_string(model.SymOps.size());
  switch (input.Kind) {
    case TInputKind::Xyz:
      report.Line("Coordinates  : Cartesian, no cell and no symmetry, " + atomCount + " atoms");
      report.Line("Atom names   : " + input.XyzNamingText);
      if (input.XyzStructureCount > 1)
        report.Line("Note         : the file holds " + std::to_string(input.XyzStructureCount) +
                    " structures; the first one is used.");
      break;
    case TInputKind::Shelx:
      PrintCellLines(report, model.Cell);
      report.Line("Symmetry     : " + opCount + " operation(s) from LATT/SYMM, " + atomCount +
                  " atom sites");
      break;
    case TInputKind::Cif:
      PrintCellLines(report, model.Cell);
      report.Line("Symmetry     : " + opCount + " operation(s), " + atomCount + " atom sites");
      if (!input.MissingSymmetryGroup.empty())
        report.Line("Warning      : no symmetry operators in the data block (space group " +
                    input.MissingSymmetryGroup + "); only x,y,z is used.");
      break;
  }
}

std::string AnglePairText(const TLigArray& ligands, const TAngleRec& angle,
                          const std::string& centralLabel) {
  return LigandDisplayName(ligands[angle.Lig1]) + "-" + centralLabel + "-" +
         LigandDisplayName(ligands[angle.Lig2]);
}

std::string LigandListText(const TLigArray& ligands) {
  std::string text;
  for (const TLigand& ligand : ligands) {
    if (!text.empty()) text += ' ';
    text += LigandDisplayName(ligand);
  }
  return text;
}

std::string PrintIndicesCn4(TReport& report, const TReportInput& input, const TLigArray& ligands,
                            const TAngleRec& beta, const TAngleRec& alpha) {
  const TValueSu tau4 = Tau4(beta.Angle, beta.Su, alpha.Angle, alpha.Su);
  const TValueSu tau4p = Tau4Prime(beta.Angle, beta.Su, alpha.Angle, alpha.Su);
  const std::string tau4Text = FormatValueSu(tau4.Value, tau4.Su, 3);
  const std::string tau4pText = FormatValueSu(tau4p.Value, tau4p.Su, 3);
  const size_t width = std::max(tau4Text.size(), tau4pText.size());
  report.Line("Geometry index for coordination number 4");
  report.Line("  tau4  = " + PadRight(tau4Text, width) +
              "     (0 = square planar, 0.43 = seesaw, 1 = tetrahedral)");
  report.Line("  tau4' = " + PadRight(tau4pText, width) +
              "     (0 = square planar, 0.24 = seesaw, 1 = tetrahedral;");
  report.Line(std::string(width + 16, ' ') + std::string(kTau4PrimeReference) + ")");
  report.Line();
  const TClassification4 shape = Classify4(tau4.Value, tau4p.Value);
  report.Line("  Classification (from tau4 and tau4'): " + shape.Phrase);
  report.Line("  Weights of the ideal shapes: " + shape.WeightsText);
  return input.CentralLabel + ": CN 4, tau4 = " + tau4Text + ", tau4' = " + tau4pText + "  [" +
         LigandListText(ligands) + "]";
}

std::string PrintIndicesCn5(TReport& report, const TReportInput& input, const TLigArray& ligands,
                            const TAngleRec& beta, const TAngleRec& alpha) {
  const TValueSu tau5 = Tau5(beta.Angle, beta.Su, alpha.Angle, alpha.Su);
  const std::string tau5Text = FormatValueSu(tau5.Value, tau5.Su, 3);
  report.Line("Geometry index for coordination number 5");
  report.Line("  tau5  = " + tau5Text + "     (0 = square pyramidal, 1 = trigonal bipyramidal)");
  report.Line();
  report.Line("  Classification: " + Classify5(tau5.Value));
  return input.CentralLabel + ": CN 5, tau5 = " + tau5Text + "  [" + LigandListText(ligands) + "]";
}

void PrintClosingNote(TReport& report, const TReportInput& input,
                      const std::vector<TAngleRec>& angles) {
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
    if (input.NonFreeCount > 0) {
      report.Line("      " + std::to_string(input.NonFreeCount) +
                  " of the coordinates involved are not free");
      report.Line("      parameters (fixed by symmetry or riding); they contribute");
      report.Line("      nothing to the su.");
    }
    return;
  }
  for (const TAngleRec& angle : angles) {
    if (angle.FromCif) {
      report.Line("Note: angles marked (CIF) were taken from the _geom_angle loop.");
      return;
    }
  }
  report.Line("Note: all angles were computed from cell parameters and coordinates;");
  report.Line("      their standard uncertainties omit parameter correlations.");
}

}  // namespace

void PrintReportHeader(TReport& report, const TReportInput& input, const TStructure& model) {
  report.Line(kTitleLine);
  report.Line(kVersionLine);
  report.Line();
  PrintInputLines(report, input);
  PrintGeometryLines(report, input, model);
  report.Line("Central atom : " + input.CentralLabel + " (" + input.CentralElement + ")");
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

std::string PrintReportBody(TReport& report, const TReportInput& input, const TLigArray& ligands,
                            const std::vector<TAngleRec>& angles) {
  const size_t cn = ligands.size();
  report.Line();
  report.Line("Ligands (" + std::to_string(cn) + "):");
  report.Line("  No  Atom            Symmetry    Distance [A]");
  PrintLigandRows(report, ligands);
  report.Line();
  report.Line("Bond angles L-M-L (sorted in descending order):");
  for (const TAngleRec& angle : angles) {
    report.Line("  " + PadRight(LigandDisplayName(ligands[angle.Lig1]), 14) + " - " +
                PadRight(input.CentralLabel, 6) + " - " +
                PadRight(LigandDisplayName(ligands[angle.Lig2]), 14) + "  " +
                PadLeft(FormatValueSu(angle.Angle, angle.Su, 2), 12) + "   " +
                (angle.FromCif ? "(CIF)" : "(calculated)"));
  }
  report.Line();
  const TAngleRec& beta = angles[0];
  const TAngleRec& alpha = angles[1];
  report.Line("Largest angle           beta  = " + FormatValueSu(beta.Angle, beta.Su, 2) +
              " deg  (" + AnglePairText(ligands, beta, input.CentralLabel) + ")");
  report.Line("Second largest angle    alpha = " + FormatValueSu(alpha.Angle, alpha.Su, 2) +
              " deg  (" + AnglePairText(ligands, alpha, input.CentralLabel) + ")");
  report.Line();
  std::string briefLine = cn == 4 ? PrintIndicesCn4(report, input, ligands, beta, alpha)
                                  : PrintIndicesCn5(report, input, ligands, beta, alpha);
  if (!input.SuAvailable) briefLine += "  (no su - from " + ExtensionWord(input.InputPath) + ")";
  report.Line();
  PrintClosingNote(report, input, angles);
  return briefLine;
}
