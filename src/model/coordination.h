// The coordination sphere: central atom lookup, search radius, neighbour
// search over all symmetry images, automatic or named ligands, distances with
// su and the sorted list of L-M-L angles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/structure.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"

struct TLigand {
  TSiteRef Site;  // Site.Op.Code is the site code text
  std::string Label;
  std::string Element;
  double Dist = 0;    // Angstrom, to the central atom
  double DistSu = 0;  // 0 when no su is available
};
using TLigArray = std::vector<TLigand>;

struct TAngleRec {
  int Lig1 = 0;  // indices into the ligand list, Lig1 < Lig2
  int Lig2 = 0;
  double Angle = 0;
  double Su = 0;
  bool FromCif = false;
};

inline constexpr int kMaxNeighbours = 20000;

// Index of the first atom whose label equals the name (ASCII case ignored;
// two apostrophes may stand for a double quote), or -1.
int FindAtom(const TStructure& model, std::string_view name);

double SearchRadius(const TStructure& model, const std::string& centralElement, double tolerance,
                    double maxRadius, bool ligandsNamed);
// The same from the largest covalent radius of the model's elements, so that
// the many centres of one model need not look at every atom each.
double SearchRadius(double largestRadius, const std::string& centralElement, double tolerance,
                    double maxRadius, bool ligandsNamed);
double LargestCovalentRadius(const TStructure& model);

// Ends the run through Fatal when the radius spans more than 1000 lattice
// plane spacings along any axis.
void CheckSearchRadius(const TCell& cell, double radius);

// Every atom image within the radius of the central atom (at most
// kMaxNeighbours), in the order atom, operation, translation. A radius that
// CheckSearchRadius refuses, or one that is not a number, finds nothing.
TLigArray FindNeighbours(const TStructure& model, int centralAtom, double radius);

// The neighbour search of one structure for any number of centres: the
// images of every atom under every operation, filed once in a grid over the
// unit cell. Find returns exactly what FindNeighbours returns. The model
// must outlive the index and stay unchanged. A search that would take an
// absurd number of lattice steps (a cell no structure has) ends the run
// through Fatal.
class TNeighbourIndex {
 public:
  explicit TNeighbourIndex(const TStructure& model);
  TLigArray Find(int centralAtom, double radius) const;

 private:
  // For one query the grid costs more than it saves: every image is searched.
  struct TWithoutGrid {};
  TNeighbourIndex(const TStructure& model, TWithoutGrid);
  friend TLigArray FindNeighbours(const TStructure& model, int centralAtom, double radius);

  std::vector<int> CellsAlong(int axis, double centre, double span) const;

  const TStructure* Model;
  size_t AtomCount = 0;
  size_t OpCount = 0;
  bool OpNumbersRepeat = false;  // then site codes can repeat across operations
  std::vector<int> FirstEqualOp;  // per operation, the first with its rotation and translation
  bool Indexed = false;          // false: every query searches every image
  int Grid[3] = {1, 1, 1};
  std::vector<std::uint32_t> CellStart;   // per grid cell, into CellImages
  std::vector<std::uint32_t> CellImages;  // atom * operations + operation
  std::vector<std::uint32_t> Unplaced;    // images too far out for the grid
};

TLigArray SelectAutomaticLigands(const TStructure& model, const TLigArray& neighbours,
                                 const std::string& centralElement, double tolerance,
                                 double minOccupancy);

// Resolves the ligand names of the command line; ends the run through Fatal
// on any ligand error. inputFileName (without directory) and notFoundNote
// (the XYZ naming lines, or "") go into the not-found message.
TLigArray ResolveNamedLigands(const TStructure& model, const TLigArray& neighbours,
                              int centralAtom, const std::vector<std::string>& names,
                              double radius, const std::string& inputFileName,
                              const std::string& notFoundNote, bool& suffixRemoved);

void SortLigandsByDistance(TLigArray& ligands);

// Recomputes Dist and DistSu of every ligand from the central site: with the
// matrix covariances when matrix is given, otherwise from the coordinate su;
// DistSu is 0 when suAvailable is false.
void ComputeLigandDistances(const TStructure& model, int centralAtom, TLigArray& ligands,
                            bool suAvailable, const TCovSource* matrix);

// All L-M-L angles, from the CIF angle table unless forceCalc, otherwise
// computed (with the matrix when given, adding its count of coordinates that
// are not free parameters to nonFreeCount); sorted by decreasing angle.
std::vector<TAngleRec> BuildAngles(const TStructure& model, int centralAtom,
                                   const TLigArray& ligands, bool forceCalc, bool suAvailable,
                                   const TCovSource* matrix, int& nonFreeCount);
// The same with the CIF angle rows looked up in cifAngles instead of the
// model's whole table (a part of it that holds every row of this centre).
std::vector<TAngleRec> BuildAngles(const TStructure& model, const std::vector<TCifAngle>& cifAngles,
                                   int centralAtom, const TLigArray& ligands, bool forceCalc,
                                   bool suAvailable, const TCovSource* matrix, int& nonFreeCount);

// Label, followed by "#" and the site code unless the code is "1_555".
std::string LigandDisplayName(const TLigand& ligand);
// The display names of the ligands, separated by blanks.
std::string LigandListText(const TLigArray& ligands);
