// The structure model that every input fills, and its builders from a CIF
// data block: block choice, cell, symmetry, atom sites and the angle table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"

class TCifFile;
class TCifBlock;

struct TAtom {
  std::string Label;
  std::string Element;
  double X = 0, Y = 0, Z = 0;
  double SuX = 0, SuY = 0, SuZ = 0;  // 0: none given or exact
  double Occ = 1.0;
  // Disorder: the assembly and the group (CIF), or the PART number (SHELX,
  // assembly ""); "" outside any group. A negative group is disordered
  // about a special position: its images are alternatives of each other.
  std::string DisorderAssembly, DisorderGroup;
  // The element was read from the label (no type symbol), and the block's
  // _chemical_formula_sum does not contain it (Wat1 read as W).
  bool ElementNotInFormula = false;
  // _atom_site_refinement_flags holds S: the site is constrained by its
  // special position, and an occupancy of 1/k there may be the SHELX site
  // factor of a k-fold site rather than a partial occupancy.
  bool SpecialPositionFlag = false;
};

// One usable row of the _geom_angle loop; codes are normalised "n_klm".
struct TCifAngle {
  std::string Label1, Sym1;
  std::string Label2, Sym2;  // the apex atom
  std::string Label3, Sym3;
  double Angle = 0;
  double Su = 0;
  bool HasSu = false;
};

struct TStructure {
  std::vector<TAtom> Atoms;
  std::vector<TVec3> FracCoords;  // copies of X, Y, Z
  std::vector<TVec3> FracSu;      // copies of SuX, SuY, SuZ
  TCell Cell;
  std::vector<TSymOp> SymOps;  // never empty after reading
  std::vector<TCifAngle> CifAngles;
  // Labels of the atom sites left out: coordinates missing or not numbers.
  std::vector<std::string> SkippedSites;
  std::string FormulaSum;  // _chemical_formula_sum as written, trimmed; "" without one
};

// Fills FracCoords and FracSu from Atoms.
void SyncCoordinates(TStructure& model);

// Cuts an Olex2 symmetry suffix ("_$n") off a name.
std::string StripOlexSuffix(std::string_view name, bool& removed);

bool HasStructure(const TCifBlock& block);
bool HasAtomLabel(const TCifBlock& block, std::string_view label);
std::string StructureBlockList(const TCifFile& file);
// The block to analyse; ends the run through Fatal with the block messages.
const TCifBlock& ChooseBlock(const TCifFile& file, const std::string& blockName,
                             const std::string& centralName);

void ReadCellValue(const TCifBlock& block, std::string_view tag, double defaultValue,
                   double& value, double& su);
// The error for a cell that CellIsUsable refuses, whatever the input.
inline constexpr std::string_view kUnusableCellMessage = "cell parameters are missing or unusable.";
void ReadCell(const TCifBlock& block, TStructure& model);      // Fatal when unusable
// Never fails. Returns false when the block gave no operator, so that only
// x,y,z (the identity) is used.
bool ReadSymmetry(const TCifBlock& block, TStructure& model);
void ReadAtomSites(const TCifBlock& block, TStructure& model); // Fatal with its messages
// "atom Wat1 is read as W, which the formula C12 H10 N2 O5 Zn does not contain."
std::string ElementNotInFormulaWarning(const TStructure& model, const TAtom& atom);
void ReadAngleTable(const TCifBlock& block, TStructure& model);
// Only the rows whose apex (the middle atom) is one of apexLabels, matched
// as FindCifAngle matches a centre (ASCII case ignored): the lookup finds
// the same angles for these centres as in the whole table, and a run keeps
// a few rows instead of every angle of a large structure.
void ReadAngleTable(const TCifBlock& block, TStructure& model,
                    const std::vector<std::string>& apexLabels);

// The space-group name a block gives, trimmed, or "" (for the warning when a
// block lists no symmetry operators).
std::string SpaceGroupName(const TCifBlock& block);

// Looks up the angle A-centre-B in the CIF angle table (either direction).
bool FindCifAngle(const std::vector<TCifAngle>& table, std::string_view centreLabel,
                  std::string_view centreCode, std::string_view labelA, std::string_view codeA,
                  std::string_view labelB, std::string_view codeB, double& angle, double& su);
