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
#include "ugeom.h"

// Where the su of the numbers come from.
enum class TSuSource { Cif, Matrix, None };

struct TCentreResult {
  std::string File;                   // the input file as given
  std::optional<std::string> Block;   // "" for SHELX and XYZ; unset when the file failed
  std::optional<std::string> Centre;  // the label; unset when the file or block failed
  std::string Element;
  TLigArray Ligands;             // nearest first, with distances and su
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

// One record as a JSON object on one line (without the line end). Strings
// are written by nlohmann-json; bytes that are no valid UTF-8 become U+FFFD.
std::string JsonRecord(const TCentreResult& result);

// The CSV header line and one row (RFC 4180 quoting; without the line end).
std::string CsvHeader();
std::string CsvRecord(const TCentreResult& result);

// CSV records whose columns follow from the records held: those of every
// result, then the columns of the shape fields that the records have (with
// --shapes the references and paths of the CNs present, in the order of the
// reference table, and the other shape fields), then "error". The header is
// known only after the last record, so the rows are held until then.
class TCsvTable {
 public:
  void Add(const TCentreResult& result);
  // The header line, then one line per record (without line ends).
  std::vector<std::string> Lines() const;

 private:
  using TCsvRow = std::map<std::string, std::string, std::less<>>;
  std::vector<TCsvRow> Rows;
};

// JsonRecord or CsvRecord, as the format asks (json or csv).
std::string RecordLine(TOutputFormat format, const TCentreResult& result);
