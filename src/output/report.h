// The console report: the header lines, the ligand and angle tables, the
// geometry indices with their classification, the brief line and the
// closing note on where the su come from.
#pragma once

#include <string>
#include <vector>

#include "output/capture.h"
#include "model/coordination.h"
#include "analysis/centre_result.h"
#include "model/structure.h"

// The report of one centre, as far as its analysis went (result.Stage):
// the header with the input's notes, the ligand line, the table of the
// neighbours of a coordination number without indices, and from the
// coordination-number line on the body. The error line of a failure is the
// run's.
void PrintCentreReport(TReport& report, const TCentreResult& result);

// The paragraph on input without su (SHELX without its matrix file, XYZ),
// or the line of the matrix file that gives them; nothing for a CIF.
void PrintSuSourceLines(TReport& report, const TInputSummary& input);

// Title lines, input lines, cell or coordinates, symmetry with the notes on
// the input, and the central atom.
void PrintReportHeader(TReport& report, const TCentreResult& result);

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
void PrintReportBody(TReport& report, const TCentreResult& result);

// The one result line: "Ni1: CN 4, tau4 = ..., tau4' = ...  [ligands]", the
// same for tau5, and "Ni1: CN 6  [ligands]" for a result without indices.
std::string BriefLine(const TCentreResult& result);

// Fills text with blanks on the right (left-aligned) or left (right-aligned)
// to the width; longer texts stay whole.
std::string PadRight(const std::string& text, size_t width);
std::string PadLeft(const std::string& text, size_t width);
