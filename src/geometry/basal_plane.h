// The basal plane of a five-coordinate centre: the least-squares plane of the
// four ligands that form the two trans-like pairs of a square pyramid, the
// distance of the metal from it and the tilt of the apical bond, from
// Cartesian positions.
//
// As for the octahedral parameters, the basal set and the apex are chosen
// once, from the measured geometry, and the values are then a smooth function
// of the positions with that choice held fixed.
#pragma once

#include <array>
#include <vector>

#include "model/propagation.h"
#include "crystal/cell.h"
#include "crystal/vector.h"

inline constexpr int kBasalLigands = 5;

using TFiveLigandPositions = std::array<TVec3, kBasalLigands>;
using TLigandPair = std::array<int, 2>;  // indices 0..4 into the ligand list

struct TBasalChoice {
  // False when a pair names a ligand outside 0..4 or a ligand twice.
  bool Usable = false;
  std::array<int, 4> Basal{};  // the two basal pairs, one after the other
  int Apex = -1;
  // beta and alpha share a ligand, so their ligands are only three: the
  // basal set is then the two disjoint pairs with the largest angle sum
  // instead (the apex and the pairing that maximise it), which need not
  // contain beta. When beta and alpha share no ligand they are that pair of
  // pairs themselves, since no two angles add up to more.
  bool BetaAlphaShareLigand = false;
  // How far, in degrees of angle sum, the best other split of the five
  // ligands into an apex and two disjoint pairs falls short of the chosen
  // one (negative if the given beta and alpha are not the best; 0 for a
  // tie). A margin within a few su of the angles makes the basal set
  // uncertain.
  double Margin = 0;
};

// beta and alpha: the ligand pairs of the largest and the second largest
// L-M-L angle.
TBasalChoice ChooseBasalSet(const TVec3& centre, const TFiveLigandPositions& ligands,
                            const TLigandPair& beta, const TLigandPair& alpha);

struct TBasalPlane {
  // Signed distance of M from the least-squares plane (unweighted) of the
  // four basal ligands, Angstrom; positive when M lies on the apex side.
  double Displacement = 0;
  // Angle between the bond M -> apex and the plane normal, degrees: 0 for
  // an apical bond perpendicular to the basal plane.
  double ApexTilt = 0;
  TVec3 Normal{};  // unit normal of the plane, towards the apex
};

TBasalPlane BasalPlane(const TBasalChoice& choice, const TVec3& centre,
                       const TFiveLigandPositions& ligands);

enum TBasalValue : int { kBasalDisplacement, kBasalApexTilt, kBasalValueCount };

// sites: the five ligands in ligand-list order, then the centre (Cartesian,
// Angstrom). values is resized to kBasalValueCount. Throws
// std::invalid_argument unless there are exactly six sites and the choice is
// usable.
void BasalPlaneValues(const TBasalChoice& choice, const std::vector<TVec3>& sites,
                      std::vector<double>& values);

// BasalPlaneValues bound to a copy of the choice.
TSitesFunction BasalPlaneValueFunction(const TBasalChoice& choice);

// The unit normal of the least-squares plane through the points: the
// eigenvector of the smallest eigenvalue of their scatter matrix about the
// centroid, in arbitrary sense. The zero vector for fewer than three points.
TVec3 LeastSquaresPlaneNormal(const std::vector<TVec3>& points);
