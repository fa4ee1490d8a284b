// The console report: the header lines, the ligand and angle tables, the
// geometry indices with their classification, the brief line and the
// closing note on where the su come from.
#pragma once

#include <string>
#include <vector>

#include "capture.h"
#include "coordination.h"
#include "records.h"
#include "structure.h"

enum class TInputKind { Cif, Shelx, Xyz };

// What the report says about the input; filled by the run as it goes.
struct TReportInput {
  TInputKind Kind = TInputKind::Cif;
  std::string InputPath;  // as resolved
  // CIF
  std::string BlockName;
  int BlockCount = 0;
  std::string MissingSymmetryGroup;  // space group named by a block without operators
  std::string GeneratedSymmetryNote;  // the operators came from the space-group symbol
  // SHELX
  std::string ShelxTitle;
  // XYZ
  std::string XyzComment;
  int XyzStructureCount = 1;
  std::string XyzNamingText;
  // the su
  bool SuAvailable = true;
  bool MatrixLoaded = false;
  std::string MatrixFileName;  // without directory
};

// Title lines, input lines, cell or coordinates, symmetry and the central
// atom (result.Centre and result.Element); the warnings among them are also
// added to result.Warnings.
void PrintReportHeader(TReport& report, const TReportInput& input, const TStructure& model,
                       TCentreResult& result);

// The warning for a data block that names a space group but lists no
// symmetry operators.
// "2 atom site(s) skipped, coordinates missing or not numbers: A, B." (five
// labels at most, then "...").
std::string SkippedSitesWarning(const std::vector<std::string>& labels);
std::string MissingSymmetryWarning(const std::string& spaceGroup);

// One row per ligand: number, label, site code, distance with su.
// "assembly A, group 1 (occupancy 0.60); group 2 (occupancy 0.55)"
std::string ConfigurationText(const std::vector<TDisorderChoice>& configuration);
// "  Cg1 = centroid of C1 C2 C3 C4 C5 (eta5)", one line per centroid.
void PrintCentroidLines(TReport& report, const TCentreResult& result);
// The atoms the chemical sphere left out, as a table with their reasons.
void PrintExcludedAtoms(TReport& report, const std::vector<TExcludedAtom>& excluded);
void PrintLigandRows(TReport& report, const TLigArray& ligands);

// The body after the coordination-number line, from a result with indices
// or a shape section.
void PrintReportBody(TReport& report, const TReportInput& input, const TCentreResult& result);

// The one result line: "Ni1: CN 4, tau4 = ..., tau4' = ...  [ligands]", the
// same for tau5, and "Ni1: CN 6  [ligands]" for a result without indices.
std::string BriefLine(const TReportInput& input, const TCentreResult& result);

// Fills text with blanks on the right (left-aligned) or left (right-aligned)
// to the width; longer texts stay whole.
std::string PadRight(const std::string& text, size_t width);
std::string PadLeft(const std::string& text, size_t width);
