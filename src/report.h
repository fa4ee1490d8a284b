// The console report: the header lines, the ligand and angle tables, the
// geometry indices with their classification, the brief line and the
// closing note on where the su come from.
#pragma once

#include <string>
#include <vector>

#include "capture.h"
#include "coordination.h"
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
  int NonFreeCount = 0;
  // the centre
  std::string CentralLabel;
  std::string CentralElement;
};

// Title lines, input lines, cell or coordinates, symmetry and central atom.
void PrintReportHeader(TReport& report, const TReportInput& input, const TStructure& model);

// One row per ligand: number, label, site code, distance with su.
void PrintLigandRows(TReport& report, const TLigArray& ligands);

// The body after the coordination-number line; returns the brief line.
std::string PrintReportBody(TReport& report, const TReportInput& input, const TLigArray& ligands,
                            const std::vector<TAngleRec>& angles);

// Fills text with blanks on the right (left-aligned) or left (right-aligned)
// to the width; longer texts stay whole.
std::string PadRight(const std::string& text, size_t width);
std::string PadLeft(const std::string& text, size_t width);
