// SHELXL .mat text -> matrix file -> the coordinate check against a
// structure: the one of the input's first part (before a form feed) when it
// has one, otherwise a fixed small square-planar complex.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "run_input.h"
#include "model/from_shelx.h"
#include "model/structure.h"
#include "io/shelx_matrix.h"
#include "io/shelx.h"

namespace {

bool ReadStructure(std::string_view res, TStructure& model) {
  TShelxData shelx;
  std::string error;
  if (!ReadShelxText(res, "fuzz.res", shelx, error)) return false;
  FillShelxModel(shelx, model);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view res, mat;
  fuzzrun::SplitAtFormFeed(InputText(data, size), res, mat);
  TStructure model;
  if (mat.empty() || !ReadStructure(res, model)) {
    mat = InputText(data, size);
    ReadStructure(fuzzrun::kFixedMatrixStructure, model);
  }
  TMatFile matrix;
  std::string error;
  if (!matrix.LoadText(mat, "fuzz.mat", error)) return 0;
  std::vector<std::string> labels;
  for (const TAtom& atom : model.Atoms) labels.push_back(atom.Label);
  int matched = 0;
  if (!matrix.CheckCoordinates(labels, model.FracCoords, matched, error)) return 0;
  for (int atom = 0; atom < static_cast<int>(model.Atoms.size()); ++atom)
    for (int axis = 0; axis < 3; ++axis) {
      const int param = matrix.ParamIndex(atom, axis);
      if (param >= 0) (void)matrix.Covariance(param, param);
    }
  return 0;
}
