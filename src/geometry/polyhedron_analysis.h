// What --shapes adds to the analysis of a centre of CN 2 to 8: the
// continuous shape measures of its coordination polyhedron against the
// chosen reference polyhedra; for CN 6 the octahedral distortion
// parameters; for CN 4 and 5 the su of tau with the correlation of beta and
// alpha; for CN 5 the basal plane. Every su comes from the same coordinates
// and covariances as the angles, with the discrete choices (assignment,
// trans pairs, faces, basal set) held fixed.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "geometry/basal_plane.h"
#include "model/coordination.h"
#include "geometry/octahedral.h"
#include "geometry/shape_analysis.h"
#include "geometry/shape_references.h"
#include "model/structure.h"

// A figure with its su; no su where the input has none.
struct TFigureSu {
  double Value = 0;
  std::optional<double> Su;
};

struct TOctahedronFigures {
  TOctahedralAnalysis Analysis;  // the choices, the zero terms, the smallest trans angle
  TFigureSu MeanBond, Zeta, Delta, Sigma, Theta, ThetaMin, ThetaMax;
  // S(OC-6), and the CN 6 shape closest to the ligands where it is not the
  // octahedron, measured for the flag even where --shapes names neither.
  double MeasureOC6 = 0;
  std::string_view CloserShape;  // "" where OC-6 is the closest shape
  double MeasureOfCloserShape = 0;
  // The ligands are far from any octahedron: a trans angle below 150 deg,
  // or another shape of CN 6 closer than OC-6 (which catches prisms and
  // planar sets that pass the angle test). The parameters are then not
  // meaningful.
  bool TransAngleFar = false;
  bool NotMeaningful() const { return TransAngleFar || !CloserShape.empty(); }
};

// tau su with cov(beta, alpha): r from the propagation of the two angles
// over the coordinates (and cell), the su of beta and alpha as the angle
// table gives them, cov = r su_beta su_alpha.
struct TCorrelatedTau {
  std::optional<double> Correlation;  // r; none where su(beta) or su(alpha) is 0
  std::optional<double> Tau4Su, Tau4PrimeSu, Tau5Su;
};

struct TBasalFigures {
  TBasalChoice Choice;
  TFigureSu Displacement;  // Angstrom, positive on the apex side
  TFigureSu ApexTilt;      // degrees
  bool Tau5AboveOne = false;
};

struct TPolyhedronResult {
  TShapeAnalysis Shapes;
  std::optional<TOctahedronFigures> Octahedron;   // CN 6
  std::optional<TCorrelatedTau> CorrelatedTau;    // CN 4 and 5 with su
  std::optional<TBasalFigures> Basal;             // CN 5
};

// The references for a centre of this CN from the labels of --shapes (none:
// every reference of the CN). With labelsOfAnyCn (a survey) the labels may
// name shapes of any CN and the centre takes those of its own; false when
// none is. Otherwise every label must be one of the CN: false with the
// message "unknown shape for CN 4: XX (SP-4, T-4, SS-4, vTBPY-4)".
bool ChooseCentreShapes(int cn, const std::vector<std::string>& labels, bool labelsOfAnyCn,
                        std::vector<const TShapeReference*>& references, std::string& error);

// Ends the run through Fatal when a label is the label of no reference of
// CN 2 to 8 (checked before a survey reads its first file).
void CheckShapeLabelsExist(const std::vector<std::string>& labels);

// What the section needs of the centre.
struct TPolyhedronInput {
  const TStructure& Model;
  int CentralAtom = -1;
  const TLigArray& Ligands;
  // beta and alpha (CN 4 and 5): the two largest angles with the su of the
  // angle list; nullptr for other CNs.
  const TAngleRec* Beta = nullptr;
  const TAngleRec* Alpha = nullptr;
  bool SuAvailable = false;
  const TCovSource* Matrix = nullptr;
};

// The section's figures for the centre and its ligands (CN 2 to 8) against
// the references of its CN.
TPolyhedronResult AnalysePolyhedron(const TPolyhedronInput& input,
                                    const std::vector<const TShapeReference*>& references);

// The "not meaningful" warning of an octahedron far from any octahedron,
// with its reasons; "" when it is near one.
std::string OctahedronWarning(const TOctahedronFigures& octahedron);
