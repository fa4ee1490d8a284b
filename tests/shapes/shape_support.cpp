#include "shape_support.h"

#include "capture.h"
#include "ucif.h"

bool LoadRealCentre(const std::string& cifPath, const std::string& centre, TRealCentre& result) {
  TCifFile cif;
  std::string error;
  if (!cif.LoadFromFile(cifPath, error)) return false;
  try {
    const TCifBlock& block = ChooseBlock(cif, "", centre);
    ReadCell(block, result.Model);
    ReadSymmetry(block, result.Model);
    ReadAtomSites(block, result.Model);
    result.CentralAtom = FindAtom(result.Model, centre);
    if (result.CentralAtom < 0) return false;
    const std::string element = result.Model.Atoms[static_cast<size_t>(result.CentralAtom)].Element;
    const double radius = SearchRadius(result.Model, element, 0.4, -1, false);
    const TLigArray neighbours = FindNeighbours(result.Model, result.CentralAtom, radius);
    result.Ligands = SelectAutomaticLigands(result.Model, neighbours, element, 0.4, 0.5);
    SortLigandsByDistance(result.Ligands);
    ComputeLigandDistances(result.Model, result.CentralAtom, result.Ligands, true, nullptr);
  } catch (const TFatalError&) {
    return false;
  }
  return true;
}
