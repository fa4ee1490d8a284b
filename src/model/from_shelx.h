// Loading of SHELX input into the structure model, with the SHELXL matrix
// file of the same stem when one lies beside it.
#pragma once

#include <memory>
#include <string>

#include "io/shelx_matrix.h"
#include "io/shelx.h"

struct TStructure;

// What the run keeps of a SHELX input for the calculation and the report.
struct TShelxInput {
  std::string Title;
  bool SuAvailable = false;
  bool MatrixLoaded = false;
  std::string MatrixFileName;  // without directory
  int ParamCount = 0;
  std::unique_ptr<TMatFile> Matrix;
};

// Reads the .res/.ins file into the model and pairs it with its .mat file;
// ends the run through Fatal on any failure.
void LoadShelxInput(const std::string& path, TStructure& model, TShelxInput& shelx,
                    const TFileSource& files = DiskFiles());

// The model's atoms from the reader's atoms. Occ is the chemical occupancy:
// SHELX divides the site occupation factor of an atom on a special position
// by the order of its site symmetry, which is multiplied back here.
void FillShelxModel(const TShelxData& data, TStructure& model);

// The composed message for a matrix file that fails the coordinate check.
std::string MatrixMismatchMessage(const std::string& matrixPath, const std::string& inputPath,
                                  const std::string& checkMessage);

// The warning that SHELX input without matrix file has no su, in one line
// (the records; the report prints it as a paragraph).
std::string ShelxNoSuWarning(const std::string& inputPath);
// The .mat file beside a .res or .ins file.
std::string MatrixPathFor(const std::string& inputPath);
