// Coordination spheres of real structures, read and searched as the program
// reads and searches them: the Cartesian positions of the centre and its
// ligands (sorted by distance) and the fractional coordinate su.
#pragma once

#include <string>
#include <vector>

#include "capture.h"
#include "coordination.h"
#include "input_shelx.h"
#include "input_xyz.h"
#include "structure.h"
#include "test_support.h"
#include "ucif.h"
#include "utext.h"

struct TRealCentre {
  bool Found = false;
  TStructure Model;
  int Centre = -1;
  TLigArray Ligands;
  TVec3 CentrePosition{};
  std::vector<TVec3> LigandPositions;
};

inline void LoadRealModel(const std::string& path, const std::string& centreLabel, TStructure& model) {
  const std::string extension = AsciiLowerCopy(FileExtension(path));
  if (extension == ".res" || extension == ".ins") {
    TShelxInput shelx;
    LoadShelxInput(path, model, shelx);
  } else if (extension == ".xyz") {
    TXyzInput xyz;
    LoadXyzInput(path, TXyzNaming::Olex, model, xyz);
  } else {
    TCifFile cif;
    std::string error;
    if (!cif.LoadFromFile(path, error)) Fatal(error);
    const TCifBlock& block = ChooseBlock(cif, "", centreLabel);
    ReadCell(block, model);
    ReadSymmetry(block, model);
    ReadAtomSites(block, model);
  }
}

// relative: below the real-data folder. Found stays false when the folder is
// absent. Automatic ligands with the given bond tolerance.
inline TRealCentre LoadRealCentre(const std::string& relative, const std::string& centreLabel,
                                  double tolerance = 0.4) {
  TRealCentre real;
  const std::string path = RealDataFile(relative);
  if (path.empty()) return real;
  LoadRealModel(path, centreLabel, real.Model);
  real.Centre = FindAtom(real.Model, centreLabel);
  if (real.Centre < 0) return real;
  const std::string element = real.Model.Atoms[real.Centre].Element;
  const double radius = SearchRadius(real.Model, element, tolerance, -1, false);
  const TLigArray neighbours = FindNeighbours(real.Model, real.Centre, radius);
  real.Ligands = SelectAutomaticLigands(real.Model, neighbours, element, tolerance, 0.5);
  SortLigandsByDistance(real.Ligands);
  const TMat3 m = CellMatrix(real.Model.Cell);
  real.CentrePosition = SiteToCart(real.Model.FracCoords[real.Centre], IdentityOp(), m);
  for (const TLigand& ligand : real.Ligands)
    real.LigandPositions.push_back(SiteToCart(real.Model.FracCoords[ligand.Site.Atom], ligand.Site.Op, m));
  real.Found = true;
  return real;
}
