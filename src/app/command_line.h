// The command line: splitting the raw command line, the options with their
// bare forms, the positional arguments and the help text.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/named_centre.h"
#include "analysis/options.h"
#include "base/version.h"
#include "output/records.h"  // TOutputFormat

// The options of a run: the analysis options and what the run writes where.
struct TRunOptions : TAnalysisOptions {
  std::string outFile;
  std::string htmlFile;
  bool brief = false;
  bool surveyAll = false;  // --all: every metal centre of every input file
  TOutputFormat format = TOutputFormat::Text;
  std::vector<int> surveyElements;  // atomic numbers of --elements; empty: the metals
  bool elementsGiven = false;        // --elements was given (it needs --all)
};

struct TCommandLine {
  TRunOptions Options;
  std::string InputPath;                // the first positional argument
  std::vector<std::string> InputPaths;  // --all: every positional argument
  std::string CentralName;
  std::vector<std::string> LigandNames;  // empty: automatic ligand search
};

// The centre the command line names: the input file, the central atom and
// the ligands.
inline TCentreQuery CentreQuery(const TCommandLine& command) {
  return {command.InputPath, command.CentralName, command.LigandNames};
}

enum class TCommandOutcome {
  Run,         // a complete command line
  HelpAsked,   // --help, -h or /?: help shown, status 0
  VersionAsked,  // --version: the version line shown, status 0
  TooFew,      // too few arguments or no atom name (no file with --all): help shown, status 1
};

// Splits a raw command line (program name first) into arguments.
std::vector<std::string> SplitCommandLine(std::string_view raw);

// The value of --tol, --occ or --max; ends the run through Fatal when it is
// not a number.
double ParseOptionValue(std::string_view text, std::string_view optionName);

// Reads the arguments (program name not included). Prints the help to the
// console where asked or where arguments are missing; ends the run through
// Fatal on a bad option.
TCommandOutcome ParseCommandLine(const std::vector<std::string>& args, std::ostream& console,
                                 TCommandLine& result);

// The atomic numbers of a list of element symbols separated by commas (ASCII
// case ignored, blanks around a symbol allowed); ends the run through Fatal
// with "unknown element in --elements: " on a symbol that is no element.
std::vector<int> ParseElementList(std::string_view text);

// The labels of --shapes: "all" (ASCII case ignored) gives none, i.e. every
// shape; otherwise the labels separated by commas, blanks around them
// removed. Ends the run through Fatal when no label is given.
std::vector<std::string> ParseShapeLabels(std::string_view text);

void PrintHelp(std::ostream& console);
// The one line "vexorin <version>" that --version prints.
void PrintVersion(std::ostream& console);
