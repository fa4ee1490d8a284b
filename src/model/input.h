// The input of a run: which kind of file, and what its header lines say.
#pragma once

#include <string>

enum class TInputKind { Cif, Shelx, Xyz };

// What a run knows of its input beside the model: the file, the block or
// title, where the su come from. Filled as the input is loaded.
struct TInputSummary {
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
  int MatrixParamCount = 0;
};
