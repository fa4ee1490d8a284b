// How a centre is analysed: the bond rule of the automatic ligands, the
// sphere's rules, the angle source, the XYZ naming and the shape section.
#pragma once

#include <string>
#include <vector>

#include "io/xyz.h"  // TXyzNaming

// How the automatic ligands are found: the structure as the file means it
// (one configuration of a disordered structure, alternative positions and
// coincident atoms once), or the bond rule alone.
enum class TSphereRule { Chemical, Radii };

struct TAnalysisOptions {
  double tolerance = 0.4;
  double minOccupancy = 0.5;
  double maxRadius = -1.0;  // used only when > 0
  std::string blockName;    // --block: the CIF data block; "" to choose automatically
  bool forceCalc = false;
  TXyzNaming xyzNaming = TXyzNaming::Olex;
  bool shapes = false;                  // --shapes: the shape section of the report
  std::vector<std::string> shapeLabels;  // the labels of --shapes, as typed; empty: all
  TSphereRule sphere = TSphereRule::Chemical;  // --sphere
};
