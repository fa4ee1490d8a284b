#include "model/from_xyz.h"

#include "base/fail.h"
#include "base/text.h"

namespace {

TCell XyzPlaceholderCell() {
  TCell cell;
  cell.A = cell.B = cell.C = kXyzCellEdge;
  cell.Alpha = cell.Beta = cell.Gamma = 90.0;
  return cell;
}

TAtom ModelAtom(const TXyzAtom& xyzAtom) {
  TAtom atom;
  atom.Label = xyzAtom.Label;
  atom.Element = xyzAtom.Element;
  atom.X = xyzAtom.X / kXyzCellEdge;
  atom.Y = xyzAtom.Y / kXyzCellEdge;
  atom.Z = xyzAtom.Z / kXyzCellEdge;
  atom.Occ = 1.0;
  return atom;
}

}  // namespace

void LoadXyzInput(const std::string& path, TXyzNaming naming, TStructure& model, TXyzInput& xyz,
                  const TFileSource& files) {
  TXyzData data;
  std::string error;
  if (!ReadXyzFile(path, naming, data, error, files)) Fatal(error);

  model = TStructure{};
  model.Cell = XyzPlaceholderCell();
  model.SymOps = {IdentityOp()};
  model.Atoms.reserve(data.Atoms.size());
  for (const TXyzAtom& atom : data.Atoms) model.Atoms.push_back(ModelAtom(atom));
  SyncCoordinates(model);

  xyz = TXyzInput{};
  xyz.Comment = data.Comment;
  xyz.StructureCount = data.StructureCount;
  xyz.HasLabels = data.HasLabels;
  xyz.Naming = naming;
  xyz.AtomCount = static_cast<int>(data.Atoms.size());
}

std::string XyzNamingText(const TXyzInput& xyz) {
  if (xyz.HasLabels) return "as given in the file";
  switch (xyz.Naming) {
    case TXyzNaming::Position:
      return "element + position in the atom list (first atom = 1)";
    case TXyzNaming::Element:
      return "element + number per element (C1, H1, H2, ...)";
    case TXyzNaming::Olex:
      break;
  }
  return "element + line in the file counted from 0, as in Olex2 (first atom = line 2)";
}

std::string XyzNamingNote(const TXyzInput& xyz) {
  if (xyz.StructureCount == 0) return "";
  const std::string lineEnd(kLineEnd);
  std::string note = lineEnd + "       XYZ atom names: " + XyzNamingText(xyz) + ".";
  if (!xyz.HasLabels) {
    note += lineEnd + "       Other schemes: xyznames=olex (as Olex2), xyznames=position" +
            lineEnd + "       (first atom = 1), xyznames=element (C1, H1, H2, ...).";
  }
  return note;
}
