// The result of one central atom, computed once and read by the text report,
// the brief line, the survey's text line and the machine-readable records.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/options.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "geometry/polyhedron_analysis.h"
#include "model/coordination.h"
#include "model/input.h"
#include "model/sphere_rules.h"

// How far the analysis of a centre went, and so how far its report goes:
// a failure leaves the stage where it stopped.
enum class TCentreStage {
  Started,         // nothing to report yet (the search radius was refused)
  Header,          // the header, the input's notes and the ligand line
  LigandsChosen,   // ... and the note on removed Olex2 suffixes
  NeighbourTable,  // a coordination number without indices or shapes: the neighbours found
  Measured,        // the coordination-number line and everything after it
};

// A line of the report header that the records carry as a warning:
// "Warning      : text" or "Note         : text".
struct TInputNote {
  bool Warning = true;
  std::string Text;
};

// Where the su of the numbers come from.
enum class TSuSource { Cif, Matrix, None };

struct TCentreResult {
  std::string File;                   // the input file as given
  std::optional<std::string> Input;   // the file read (a .res for a missing .cif); unset when none was
  std::optional<std::string> Block;   // "" for SHELX and XYZ; unset when the file failed
  std::optional<std::string> Centre;  // the label; unset when the file or block failed
  std::string Element;
  // What the report header shows beside the centre: the input, the model's
  // cell and size, the notes on the input (after the symmetry line) and the
  // elements the formula lacks (after the su notes); each of these notes is
  // also in Warnings.
  TInputSummary Source;
  TCell Cell;
  size_t AtomCount = 0;
  size_t OperationCount = 0;
  std::vector<TInputNote> InputNotes;
  std::vector<std::string> ElementWarnings;
  // The ligand line: how many ligands were named (0: automatic, by the bond
  // rule with these values), and whether Olex2 suffixes were cut off names.
  size_t NamedLigandCount = 0;
  double Tolerance = 0;
  double MinOccupancy = 0;
  bool SuffixRemoved = false;
  TCentreStage Stage = TCentreStage::Started;
  TLigArray Ligands;             // nearest first, with distances and su
  TSphereRule Sphere = TSphereRule::Chemical;
  // What the chemical sphere left out of the bond rule's ligands (nearest
  // first, with distances and su), and the disorder groups it chose.
  std::vector<TExcludedAtom> Excluded;
  std::vector<TDisorderChoice> Configuration;
  // The pi-bonded groups of the chemical sphere; each is one ligand of
  // Ligands, at its centroid, under its label (Cg1, Cg2, ... by distance).
  struct TCentroid {
    std::string Label;
    TLigArray Members;  // nearest first
  };
  std::vector<TCentroid> Centroids;
  std::vector<TAngleRec> Angles;  // every L-M-L angle, largest first (CN 4 and 5, or with a shape section)
  int NonFreeCount = 0;          // coordinates of the angles that are no matrix parameter
  // CN 4 and 5: the two largest angles and the indices with su.
  bool HasIndices = false;
  TAngleRec Beta, Alpha;
  std::optional<TValueSu> Tau4, Tau4Prime, Tau5;
  std::string Shape;                              // the classification phrase
  std::optional<std::array<double, 3>> Weights;   // CN 4, in the order of kShapeNames4
  std::string WeightsText;                        // CN 4, as the report prints the weights
  TSuSource SuSource = TSuSource::Cif;
  // --shapes was given: the records carry the shape fields (null where the
  // centre has no shape section).
  bool ShapesAsked = false;
  // The shape section of a centre of CN 2 to 8 with shapes of its CN to
  // measure.
  std::optional<TPolyhedronResult> Polyhedron;
  std::vector<std::string> Warnings;  // every warning the text report of this centre prints
  // The message without "Error: ", as the report prints it (continuation
  // lines joined by kLineEnd); empty when it succeeded.
  std::string Error;
};

inline bool Failed(const TCentreResult& result) { return !result.Error.empty(); }
