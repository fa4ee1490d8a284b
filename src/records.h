// The result of one central atom, computed once and read by the text report,
// the brief line, the survey's text line and the machine-readable records;
// and the writers of those records as JSON Lines and CSV.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "coordination.h"
#include "polyhedron_analysis.h"
#include "sphere_rules.h"
#include "ugeom.h"

// Where the su of the numbers come from.
enum class TSuSource { Cif, Matrix, None };

struct TCentreResult {
  std::string File;                   // the input file as given
  std::optional<std::string> Input;   // the file read (a .res for a missing .cif); unset when none was
  std::optional<std::string> Block;   // "" for SHELX and XYZ; unset when the file failed
  std::optional<std::string> Centre;  // the label; unset when the file or block failed
  std::string Element;
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
  std::string BriefLine;              // the one result line of the report
  std::string Error;                  // the message without "Error: "; empty when it succeeded
};

bool Failed(const TCentreResult& result);

// The error message on one line: the continuation lines of a message that
// spans lines are joined to it with one blank.
std::string OneLineMessage(std::string_view message);

// The shortest decimal text that reads back as the same double, with "."
// whatever the locale; "null" for infinity and NaN.
std::string ShortestNumberText(double value);

// Text as valid UTF-8: a byte that is no part of a valid UTF-8 sequence (a
// Latin-1 label or file name) is read as the Latin-1 character of its code,
// so that different bytes stay different characters.
std::string ValidUtf8(std::string_view text);

// One record as a JSON object on one line (without the line end). Strings
// are written as ValidUtf8 gives them.
std::string JsonRecord(const TCentreResult& result);

// The CSV header line and one row (RFC 4180 quoting; without the line end).
// The columns follow from the options alone: with --shapes (shapes true)
// every shape column of CN 2 to 8, empty where a centre has no such figure,
// so that the rows can be written as the centres finish and the CSV of two
// runs with the same options can be joined.
std::string CsvHeader(bool shapes);
std::string CsvRecord(const TCentreResult& result, bool shapes);

// JsonRecord or CsvRecord, as the format asks (json or csv).
std::string RecordLine(TOutputFormat format, bool shapes, const TCentreResult& result);
