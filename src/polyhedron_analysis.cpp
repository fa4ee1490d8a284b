#include "polyhedron_analysis.h"

#include "capture.h"

namespace {

bool IsShapeLabelOfAnyCn(const std::string& label) {
  for (int cn = kMinShapeCN; cn <= kMaxShapeCN; ++cn)
    if (FindShapeReference(cn, label) != nullptr) return true;
  return false;
}

}  // namespace

bool ChooseCentreShapes(int cn, const std::vector<std::string>& labels, bool labelsOfAnyCn,
                        std::vector<const TShapeReference*>& references, std::string& error) {
  if (!labelsOfAnyCn || labels.empty())
    return ChooseShapeReferences(cn, labels, references, error);
  std::vector<std::string> ofThisCn;
  for (const std::string& label : labels)
    if (FindShapeReference(cn, label) != nullptr) ofThisCn.push_back(label);
  references.clear();
  return !ofThisCn.empty() && ChooseShapeReferences(cn, ofThisCn, references, error);
}

void CheckShapeLabelsExist(const std::vector<std::string>& labels) {
  for (const std::string& label : labels)
    if (!IsShapeLabelOfAnyCn(label))
      Fatal("unknown shape in --shapes: " + label + " (no reference polyhedron of CN " +
            std::to_string(kMinShapeCN) + " to " + std::to_string(kMaxShapeCN) +
            " has this label)");
}

TPolyhedronResult AnalysePolyhedron(const TStructure& model, int centralAtom,
                                    const TLigArray& ligands,
                                    const std::vector<const TShapeReference*>& references,
                                    bool suAvailable, const TCovSource* matrix) {
  TPolyhedronResult result;
  result.Shapes = AnalyseShapes(model, centralAtom, ligands, references, suAvailable, matrix);
  return result;
}
