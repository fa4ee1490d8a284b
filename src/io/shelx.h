// Reader of SHELX result (.res) and instruction (.ins) files: title, cell
// with ZERR esds, the space-group operations generated from LATT and SYMM,
// and the atoms with free-variable coding resolved.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "crystal/cell.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"
#include "base/text.h"

struct TShelxAtom {
  std::string Name;     // first token of the atom line, case kept
  std::string Element;  // from the SFAC list, normalised (Cl, Fe)
  TVec3 Frac{0, 0, 0};  // decoded fractional coordinates
  double Occ = 1.0;     // decoded site occupation factor, as SHELX writes it
  int Part = 0;         // the PART the atom stands in (0: none; negative: about a special position)
};

struct TShelxData {
  std::string Title;
  TCell Cell;
  std::vector<TSymOp> SymOps;  // identity first, numbered 1..
  std::vector<TShelxAtom> Atoms;
};

// Command words that never start an atom line (compared whole, ASCII case
// ignored).
extern const std::array<std::string_view, 83> ShelxCommands;
bool IsShelxCommand(std::string_view word);

// No file describes a space group with more SYMM cards than a space group
// has operations; beyond this the file is refused rather than expanded.
inline constexpr int kMaxSymmCards = 192;

// Reads the file; false with a complete message (file name included) when
// the file cannot be read or holds no usable cell or atoms.
bool ReadShelxFile(const std::string& fileName, TShelxData& data, std::string& error,
                   const TFileSource& files = DiskFiles());
// The same for a file text in memory; fileName is the name for messages.
bool ReadShelxText(std::string_view text, const std::string& fileName, TShelxData& data,
                   std::string& error);

// Resolves SHELX free-variable coding (10 + value: fixed; 10*m + p: p times
// free variable m; -(10*m + p): p times (fv(m) - 1)). fv holds free
// variable 1 first.
double DecodeShelxValue(double value, const std::vector<double>& fv);

// Reduces a translation component into [0, 1).
double WrapTranslation(double t);

// Equal rotations (within 1e-6 per element) and translations equal modulo
// whole cell edges (within 1e-6 per component).
bool SameSymOp(const TSymOp& a, const TSymOp& b);

// Identity, the SYMM operations, their inverted copies when centrosymmetric
// (latt > 0), and the centring copies selected by abs(latt), numbered.
std::vector<TSymOp> ExpandShelxSymmetry(const std::vector<std::string>& symmTexts, int latt);

// The number of distinct operations that map the site onto itself or onto
// a lattice translation of itself (within 0.001 per fractional component):
// the order of the site symmetry, 1 for a general position.
// opsDistinct: no two of the operations are the same (SymOpsDistinct), as
// after ExpandShelxSymmetry; spares the comparison of the fixing ones.
int SiteSymmetryOrder(const TVec3& frac, const std::vector<TSymOp>& ops, bool opsDistinct = false);
bool SymOpsDistinct(const std::vector<TSymOp>& ops);

// Element symbol of an SFAC token: its leading ASCII letters, first upper,
// rest lower ("CL" -> "Cl", "Fe2+" -> "Fe").
std::string SfacElement(std::string_view token);

// Difference-map peak names: Q followed by decimal digits only.
bool IsPeakName(std::string_view name);
