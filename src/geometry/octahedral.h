// Distortion parameters of a six-coordinate centre from Cartesian positions:
// mean bond length, zeta, Delta, Sigma and Theta (with Theta_min, Theta_max
// and the eight face sums), the three trans pairs and the smallest trans angle.
//
// The analysis makes its discrete choices once, from the measured geometry
// (trans pairs, the order of each face, which four faces make Theta_min, the
// sign of every |x| term), and the parameters are then a smooth function of
// the positions with those choices held fixed; that function is what a
// numerical su propagation steps.
#pragma once

#include <array>
#include <vector>

#include "model/propagation.h"
#include "crystal/cell.h"
#include "crystal/vector.h"

inline constexpr int kOctaLigands = 6;
inline constexpr int kOctaCisAngles = 12;
inline constexpr int kOctaFaces = 8;
inline constexpr int kOctaFaceAngles = 6;

// A trans angle below this marks the six ligands as far from any octahedron.
inline constexpr double kOctaMinTransAngle = 150.0;

struct TOctahedralChoices {
  // The perfect matching of the ligands (indices 0..5 into the ligand list)
  // into three pairs with the largest sum of L-M-L angles; First < Second,
  // pairs in the order of their first ligand.
  std::array<std::array<int, 2>, 3> TransPairs{};
  std::array<int, kOctaLigands> TransPartner{};
  // Another matching reached the same angle sum within 1e-9 degrees; the one
  // found first (partner of ligand 0 lowest, then of the next free ligand)
  // was kept.
  bool TransPairsTied = false;
  // How far, in degrees of angle sum, the next best matching falls short:
  // a margin within a few su of the angles makes the pairing uncertain.
  double TransPairsMargin = 0;
  // The twelve ligand pairs that are not trans, i < j, in lexicographic order.
  std::array<std::array<int, 2>, kOctaCisAngles> CisPairs{};
  // Face f takes ligand TransPairs[k][(f >> k) & 1] from pair k; its vertices
  // a, b, c run anticlockwise about the face normal that points away from M,
  // i.e. (b - a) x (c - a) points to the side of the face away from M.
  std::array<std::array<int, 3>, kOctaFaces> Faces{};
  // A face whose plane passes within 1e-6 A of M: its order is arbitrary.
  bool FaceThroughCentre = false;
  // Face indices by increasing face sum (ties by index): the first four give
  // Theta_min, the last four Theta_max.
  std::array<int, kOctaFaces> FacesBySum{};
  // The fourth and fifth face sums agree within 1e-6 degrees: which faces
  // make Theta_min and Theta_max is then a choice, not a measurement.
  bool ThetaSplitTied = false;
  // Sign of each |x| term at the measured positions: +1, -1, or 0 where x is
  // zero within the tolerances below (the derivative there is taken as 0).
  std::array<int, kOctaLigands> BondSigns{};                    // d_i - d_mean
  std::array<int, kOctaCisAngles> CisSigns{};                   // phi - 90
  std::array<std::array<int, kOctaFaceAngles>, kOctaFaces> FaceAngleSigns{};  // theta - 60
};

// |x| below these counts as exactly 0.
inline constexpr double kOctaZeroBond = 1e-9;   // Angstrom
inline constexpr double kOctaZeroAngle = 1e-7;  // degrees

struct TOctahedralParameters {
  double MeanBond = 0;  // d_mean, Angstrom
  double Zeta = 0;      // sum |d_i - d_mean|, Angstrom
  double Delta = 0;     // (1/6) sum ((d_i - d_mean) / d_mean)^2
  double Sigma = 0;     // sum over the cis angles of |90 - phi|, degrees
  double Theta = 0;     // half the sum of the eight face sums, degrees
  double ThetaMin = 0;  // sum of the four smallest face sums
  double ThetaMax = 0;  // sum of the four largest face sums
  // Per face (indexed as TOctahedralChoices::Faces): sum of |theta - 60| over
  // its six projected angles.
  std::array<double, kOctaFaces> FaceSums{};
};

// How many |x| terms of each parameter sit at x = 0.
struct TOctahedralZeroTerms {
  int Zeta = 0;   // of 6
  int Sigma = 0;  // of 12
  int Theta = 0;  // of 48
  int ThetaMin = 0;  // of the 24 in the four Theta_min faces
  int ThetaMax = 0;  // of the 24 in the four Theta_max faces
};

struct TOctahedralAnalysis {
  // False when a position is not finite or a ligand lies within 1e-6 A of
  // M; nothing else is then filled in.
  bool Usable = false;
  TOctahedralChoices Choices;
  TOctahedralParameters Parameters;
  TOctahedralZeroTerms ZeroTerms;
  double SmallestTransAngle = 0;  // degrees
  // The smallest trans angle is below kOctaMinTransAngle.
  bool FarFromOctahedron = false;
};

using TOctaLigandPositions = std::array<TVec3, kOctaLigands>;

// Everything, choices included, from the measured positions.
TOctahedralAnalysis AnalyseOctahedron(const TVec3& centre, const TOctaLigandPositions& ligands);

// The parameters for the given positions with the choices held fixed: the
// trans pairs and face orders as chosen, the Theta_min/Theta_max faces as
// ranked, and each |x| term as sign * x (|x| for sign 0). At the positions the
// choices were made from this equals the parameters of AnalyseOctahedron.
TOctahedralParameters OctahedralParameters(const TOctahedralChoices& choices, const TVec3& centre,
                                           const TOctaLigandPositions& ligands);

// The parameters as one vector, in this order.
enum TOctaValue : int {
  kOctaMeanBond,
  kOctaZeta,
  kOctaDelta,
  kOctaSigma,
  kOctaTheta,
  kOctaThetaMin,
  kOctaThetaMax,
  kOctaFirstFaceSum,  // the eight face sums follow, face 0 first
  kOctaValueCount = kOctaFirstFaceSum + kOctaFaces
};

// sites: the six ligands in ligand-list order, then the centre (Cartesian,
// Angstrom). values is resized to kOctaValueCount. Throws
// std::invalid_argument unless there are exactly seven sites.
void OctahedralValues(const TOctahedralChoices& choices, const std::vector<TVec3>& sites,
                      std::vector<double>& values);

// OctahedralValues bound to a copy of the choices.
TSitesFunction OctahedralValueFunction(const TOctahedralChoices& choices);
