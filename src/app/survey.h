// The survey (--all): every metal centre of many input files, file after
// file, block after block, atom after atom, each written as a line or a
// record as soon as it is known; a failing file, block or centre gives its
// error record and the survey goes on. Also the set of centre elements and
// the progress line on a terminal.
#pragma once

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "base/text.h"

struct TCommandLine;
struct TStructure;
class TReport;

// The elements that are centres: those of --elements, or else every element
// of the table except H, He, B, C, N, O, F, Ne, Si, P, S, Cl, Ar, Ge, As, Se,
// Br, Kr, Sb, Te, I, Xe, At and Rn. Indexed by atomic number (0: unknown).
using TElementSet = std::array<bool, 97>;
TElementSet SurveyElements(const std::vector<int>& chosen);

// The atoms of the model whose element is in the set, in atom order.
std::vector<int> SurveyCentres(const TStructure& model, const TElementSet& elements);

// A positional argument after the first one that names no file (nor one of
// its stem alternatives) and looks like atom names - a blank, tab or comma
// in it, or neither a directory nor an extension - ends the run through
// Fatal: "--all takes input files only; leave it out to name a central
// atom". A missing file that looks like a file is left to the survey, which
// gives its error record.
void CheckSurveyArguments(const TFileSource& files, const TCommandLine& command);

// Where the progress line goes while more than one file is surveyed.
struct TProgressOutput {
  std::ostream* Stream = nullptr;  // null: no progress line
  // The records go to the same terminal, so the line is taken away before
  // each record is written and drawn again after the file.
  bool SharesTerminalWithConsole = false;
  // Seconds on a steady clock; the program's own clock when empty.
  std::function<double()> Seconds;
};

// Standard error when it is a terminal, otherwise no progress line.
TProgressOutput TerminalProgress();

// The line of the progress: files done of the total, centres found and the
// time elapsed, as in "vexorin: 3 of 40 files, 12 centres, 0:07".
std::string ProgressText(size_t filesDone, size_t fileCount, size_t centres, double seconds);

// Surveys the input files of the command line into output (the survey's
// text lines, or its JSON Lines or CSV records). Returns 2 when any record
// holds an error, else 0.
int RunSurvey(const TCommandLine& command, const TFileSource& files, TReport& output,
              const TProgressOutput& progress);
