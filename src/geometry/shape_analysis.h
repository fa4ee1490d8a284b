// The continuous shape measures of one coordination centre against the
// reference polyhedra of its CN, with su propagated from the coordinates, the
// level that coordinate noise alone gives, the closest shape and the
// positions on the minimal-distortion paths between pairs of shapes.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "model/coordination.h"
#include "geometry/shape_references.h"
#include "model/structure.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"

struct TShapeMeasure {
  const TShapeReference* Reference = nullptr;  // label, name, symmetry
  double Value = 0;                            // S; NaN for a polyhedron without extent
  std::optional<double> Su;                    // none where the input has no su
  // The S that coordinate noise alone gives on average; a measure below it
  // cannot be told from the ideal shape. None where the input has no su.
  std::optional<double> NoiseLevel;
  std::vector<int> Vertex;  // the optimum's assignment: reference vertex of each ligand
};

// The minimal-distortion path between two ideal shapes X and Y (Casanova,
// Cirera, Llunell, Alemany, Avnir, Alvarez, J. Am. Chem. Soc. 126, 1755
// (2004)), with theta(S) = arcsin(sqrt(S) / 10) and theta_XY = theta of the
// measure of the ideal Y against X:
//   deviation  = ((theta(S_X) + theta(S_Y)) / theta_XY - 1) * 100 %,
//   coordinate = 100 theta(S_X) / theta_XY %   (0 at X, 100 at Y).
struct TShapePath {
  std::string_view Label;  // "SP-4/T-4"
  const TShapeReference* From = nullptr;
  const TShapeReference* To = nullptr;
  double Deviation = 0;
  double Coordinate = 0;
  std::optional<double> DeviationSu;  // none without su, or with S_X or S_Y at 0
  std::optional<double> CoordinateSu;
};

struct TShapeAnalysis {
  int CN = 0;
  std::vector<TShapeMeasure> Measures;  // in the order of the references asked for
  int Closest = -1;                     // index of the smallest measure, -1 without one
  std::optional<double> NoiseLevel;     // that of every measure but a linear one (L-2)
  std::vector<TShapePath> Paths;        // the pairs whose two shapes were both measured
  int Missing = 0;                      // coordinates without a matrix parameter (they add no su)
};

// The points of the polyhedron: the ligands at the images the angles use,
// then the central atom at the identity; sites and Cartesian positions.
std::vector<TSiteRef> PolyhedronSites(int centralAtom, const TLigArray& ligands);
std::vector<TVec3> PolyhedronPoints(const TStructure& model, const std::vector<TSiteRef>& sites);

// 100 (3 (N + 1) - 7) sigma^2 / sum |q_i - qbar|^2 for N + 1 points q with a
// mean coordinate variance sigma^2: the mean of S over isotropic coordinate
// noise around an ideal shape (3 (N + 1) coordinates less 3 translations, 3
// rotations and the scale). A linear shape has 2 rotations: 3 (N + 1) - 6.
double ShapeNoiseLevel(const std::vector<TVec3>& points, double meanVariance, bool linear);

// theta_XY of a path: arcsin(sqrt(S) / 10), in radians, of the ideal `to`
// measured against `from`.
double PathAngle(const TShapeReference& from, const TShapeReference& to);

// The path figures from the two measures (no su).
TShapePath PathFigures(const TShapeReference& from, const TShapeReference& to, double measureFrom,
                       double measureTo);

// The minimal-distortion path from the ideal `from` to the ideal `to` as n
// points (S_from, S_to), n >= 2, evenly spaced in its angle: where
// arcsin(sqrt(S_from) / 10) + arcsin(sqrt(S_to) / 10) = theta_XY (Casanova
// et al., J. Am. Chem. Soc. 2004, 126, 1755), from (0, S) to (S, 0).
std::vector<std::array<double, 2>> ShapePathCurve(const TShapeReference& from,
                                                  const TShapeReference& to, int n);

// The pairs with a minimal-distortion path: SP-4/T-4, TBPY-5/SPY-5, OC-6/TPR-6.
struct TShapePathPair {
  std::string_view Label, From, To;
};
inline constexpr TShapePathPair kShapePathPairs[3] = {{"SP-4/T-4", "SP-4", "T-4"},
                                                      {"TBPY-5/SPY-5", "TBPY-5", "SPY-5"},
                                                      {"OC-6/TPR-6", "OC-6", "TPR-6"}};

// Everything above for a centre with its ligands (CN = ligands.size(), 2 to
// 8; the references must be of that CN, e.g. from ChooseShapeReferences).
// The su come from the same coordinate and cell su or matrix as the angles.
TShapeAnalysis AnalyseShapes(const TStructure& model, int centralAtom, const TLigArray& ligands,
                             const std::vector<const TShapeReference*>& references,
                             bool suAvailable, const TCovSource* matrix);
