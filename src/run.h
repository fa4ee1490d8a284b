// One run of the program, from the arguments to the exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// args: the arguments without the program name. Everything the run prints
// goes to console. Returns the exit status (0 report or help, 1 too few
// arguments, 2 error).
int RunVexorin(const std::vector<std::string>& args, std::ostream& console);
