#include "model/from_shelx.h"

#include "base/fail.h"
#include "model/structure.h"
#include "base/text.h"

std::string MatrixPathFor(const std::string& inputPath) {
  return PathWithoutExtension(inputPath) + ".mat";
}

namespace {

void LoadMatrixFile(const std::string& inputPath, const TFileSource& files, const TStructure& model,
                    TShelxInput& shelx) {
  const std::string matrixPath = MatrixPathFor(inputPath);
  auto matrix = std::make_unique<TMatFile>();
  std::string error;
  if (!matrix->Load(matrixPath, error, files)) Fatal(error);

  std::vector<std::string> labels;
  labels.reserve(model.Atoms.size());
  for (const TAtom& atom : model.Atoms) labels.push_back(atom.Label);
  int matchedAtoms = 0;
  if (!matrix->CheckCoordinates(labels, model.FracCoords, matchedAtoms, error))
    Fatal(MatrixMismatchMessage(matrixPath, inputPath, error));

  shelx.ParamCount = matrix->ParamCount;
  shelx.Matrix = std::move(matrix);
  shelx.MatrixLoaded = true;
  shelx.SuAvailable = true;
}

}  // namespace

void FillShelxModel(const TShelxData& data, TStructure& model) {
  model = TStructure{};
  model.Cell = data.Cell;
  model.SymOps = data.SymOps;
  const bool opsDistinct = SymOpsDistinct(data.SymOps);
  for (const TShelxAtom& source : data.Atoms) {
    TAtom atom;
    atom.Label = source.Name;
    atom.Element = source.Element;
    atom.X = source.Frac[0];
    atom.Y = source.Frac[1];
    atom.Z = source.Frac[2];
    atom.Occ = source.Occ * SiteSymmetryOrder(source.Frac, data.SymOps, opsDistinct);
    if (source.Part != 0) atom.DisorderGroup = std::to_string(source.Part);
    model.Atoms.push_back(atom);
    model.FracCoords.push_back(source.Frac);
    model.FracSu.push_back(TVec3{0, 0, 0});
  }
}

std::string MatrixMismatchMessage(const std::string& matrixPath, const std::string& inputPath,
                                  const std::string& checkMessage) {
  std::string message = FileNameOnly(matrixPath) + " does not belong to " +
                        FileNameOnly(inputPath) + " - " + checkMessage;
  if (SameTextIgnoringCase(FileExtension(inputPath), ".ins")) {
    message +=
        " An .ins is the input of a refinement, while the .mat "
        "is written by it; the two only match if the .ins is a copy of "
        "that run's .res. Use the .res, or remove the .mat to get the "
        "result without su.";
  } else {
    message +=
        " Both files must come from the same refinement run; "
        "remove the .mat to get the result without su.";
  }
  return message;
}

void LoadShelxInput(const std::string& path, TStructure& model, TShelxInput& shelx,
                    const TFileSource& files) {
  TShelxData data;
  std::string error;
  if (!ReadShelxFile(path, data, error, files)) Fatal(error);
  // The reader refuses edges that are not positive; angles that cannot close
  // a cell get the same error as in a CIF.
  if (!CellIsUsable(data.Cell)) Fatal(std::string(kUnusableCellMessage));
  FillShelxModel(data, model);

  shelx = TShelxInput{};
  shelx.Title = data.Title;
  shelx.MatrixFileName = FileNameOnly(MatrixPathFor(path));
  if (!files.Exists(MatrixPathFor(path))) {
    shelx.SuAvailable = false;
    return;
  }
  LoadMatrixFile(path, files, model, shelx);
}

std::string ShelxNoSuWarning(const std::string& inputPath) {
  return "no standard uncertainties: a SHELX " + ExtensionWord(inputPath) +
         " file holds none; put the matrix file " + FileNameOnly(MatrixPathFor(inputPath)) +
         " beside it, or use the CIF.";
}
