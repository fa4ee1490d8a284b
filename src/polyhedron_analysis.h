// What --shapes adds to the analysis of a centre of CN 2 to 8: the
// continuous shape measures of its coordination polyhedron against the
// chosen reference polyhedra, with su from the same coordinates and
// covariances as the angles.
#pragma once

#include <string>
#include <vector>

#include "coordination.h"
#include "shape_analysis.h"
#include "shape_references.h"
#include "structure.h"

struct TPolyhedronResult {
  TShapeAnalysis Shapes;
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

// The section's figures for the centre and its ligands (CN 2 to 8) against
// the references of its CN.
TPolyhedronResult AnalysePolyhedron(const TStructure& model, int centralAtom,
                                    const TLigArray& ligands,
                                    const std::vector<const TShapeReference*>& references,
                                    bool suAvailable, const TCovSource* matrix);
