// The survey (--all) as the program runs it: the arguments checked, each
// centre's result written as a line or a record as soon as it is known, and
// the progress line on a terminal.
#pragma once

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/survey.h"
#include "base/text.h"

struct TCommandLine;
class TReport;

// A positional argument after the first one that names no file (nor one of
// its stem alternatives) and looks like atom names - a blank, tab or comma
// in it, or neither a directory nor an extension - ends the run through
// Fatal: "--all takes input files only; leave it out to name a central
// atom". A missing file that looks like a file is left to the survey, which
// gives its error record. So does a --shapes label of no reference of CN 2
// to 8. Both are checked before the first file is read.
void CheckSurveyCommand(const TFileSource& files, const TCommandLine& command);

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
