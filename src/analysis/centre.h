// The analysis of central atoms: finding and loading the input file into a
// structure model (for a CIF, one data block), the search structures that
// every centre of one model shares, and the analysis of one centre from its
// ligands to its indices. Nothing here prints: a centre's analysis returns a
// TCentreResult, from which output/ writes the report and the records.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "analysis/centre_result.h"
#include "analysis/options.h"
#include "model/coordination.h"
#include "model/from_shelx.h"
#include "model/from_xyz.h"
#include "model/input.h"
#include "model/structure.h"

class TCifFile;
class TCifBlock;

// The named file, or else a .res, .ins or .xyz of the same stem. Returns
// false when none exists.
bool FindInputFile(const TFileSource& files, const std::string& typedPath, std::string& path,
                   TInputKind& kind);
// FindInputFile, or the end of the run through Fatal with the "file not
// found" message.
void ResolveInputFile(const TFileSource& files, const std::string& typedPath, std::string& path,
                      TInputKind& kind);

// One structure model with what the report says about its input: a SHELX
// or XYZ file, or one data block of a CIF.
struct TLoadedInput {
  TInputSummary Input;
  TStructure Model;
  TShelxInput Shelx;
  TXyzInput Xyz;
  const TCifBlock* CifBlock = nullptr;  // the block of a CIF model, for its angle table
};

// The lines that a "not found" message adds for the input: the XYZ naming
// note, or "".
std::string NotFoundNote(const TLoadedInput& loaded);

// Fills the model of a SHELX or XYZ file (Input.InputPath and Input.Kind
// set); ends the run through Fatal with the reader's message.
void LoadStructureFile(const TAnalysisOptions& options, const TFileSource& files, TLoadedInput& loaded);

// Reads the CIF; ends the run through Fatal when it cannot be read.
void LoadCifFile(const std::string& path, const TFileSource& files, TCifFile& cif);
// Fills the model from one data block of the CIF (Input.InputPath set);
// ends the run through Fatal when the block's cell or atom sites are
// unusable. The angle table is read by ReadAnglesAt once the centres are
// known.
void LoadCifBlock(const TCifFile& cif, const TCifBlock& block, TLoadedInput& loaded);
// The CIF angle rows at these central atoms, before the model's search is
// built: the table of a large structure holds millions of rows that no
// centre looks up. Nothing for SHELX and XYZ input.
void ReadAnglesAt(TLoadedInput& loaded, const std::vector<int>& centralAtoms);

// What every centre of one model is searched with, built once per model:
// the largest covalent radius, the neighbour search and the CIF angle rows
// by their apex atom. Takes the model's angle table over.
class TModelSearch {
 public:
  // centreCount: how many centres will be searched. For many, the
  // neighbours come from an index built once; for a few, each query
  // searches every image, which costs less than building the index.
  explicit TModelSearch(TStructure& model, size_t centreCount = 1);

  const TStructure& Model() const { return ModelRef; }
  double LargestRadius() const { return Largest; }
  // FindNeighbours of the central atom within the radius.
  TLigArray Neighbours(int centralAtom, double radius) const;
  // The angle rows whose apex atom has this label (ASCII case ignored).
  const std::vector<TCifAngle>& AnglesAt(const std::string& label) const;

 private:
  const TStructure& ModelRef;
  std::optional<TNeighbourIndex> Index;
  double Largest = 0;
  std::unordered_map<std::string, std::vector<TCifAngle>> AnglesByApex;
};

// How one centre is analysed.
struct TCentreRequest {
  const TAnalysisOptions& Options;
  const std::vector<std::string>& LigandNames;  // empty: automatic ligands
  bool SuffixRemoved = false;                   // an Olex2 suffix was cut off the centre's name
  // A coordination number other than 4 or 5 found automatically ends the
  // run (the text report) or is a result without indices (a record). With
  // --shapes, CN 2 to 8 is no error.
  bool OtherCnIsError = true;
  // The labels of --shapes may name shapes of any CN; a centre takes those
  // of its own (a survey). Otherwise a label of another CN is an error.
  bool ShapeLabelsOfAnyCn = false;
};

// Analyses the central atom: the ligands, the angles, the indices and the
// shape section, with the header facts, notes and warnings that the report
// shows. A failure leaves its message in Error and the stage where it
// stopped, with what was found until then.
TCentreResult AnalyseCentre(const TLoadedInput& loaded, const TModelSearch& search,
                            int centralAtom, const TCentreRequest& request);

// The warning for a data block that names a space group but lists no
// symmetry operators.
std::string MissingSymmetryWarning(const std::string& spaceGroup);
// "2 atom site(s) skipped, coordinates missing or not numbers: A, B." (five
// labels at most, then "...").
std::string SkippedSitesWarning(const std::vector<std::string>& labels);
inline constexpr std::string_view kSuffixRemovedNote =
    "Olex2 symmetry suffixes (_$n) removed; the nearest symmetry image was used in each case.";
