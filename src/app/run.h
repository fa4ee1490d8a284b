// One run of the program, from the arguments to the exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/survey.h"
#include "base/text.h"

// args: the arguments without the program name. Everything the run prints
// goes to console; a survey's progress line goes to stderr when that is a
// terminal. Returns the exit status (0 report or help, 1 too few arguments,
// 2 error; for records and surveys 2 when any record holds an error).
int RunVexorin(const std::vector<std::string>& args, std::ostream& console);
// The same with the input files read from the given source (the report
// files of --out and --html, and the temporary capture file, are always
// written to the disk).
int RunVexorin(const std::vector<std::string>& args, std::ostream& console,
               const TFileSource& files);
// The same with the survey's progress line sent where progress says.
int RunVexorin(const std::vector<std::string>& args, std::ostream& console,
               const TFileSource& files, const TProgressOutput& progress);
