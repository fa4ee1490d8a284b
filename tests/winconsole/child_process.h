// Starting the program as a Windows process with a raw command line, the
// way cmd.exe and Olex2's exec macro start it.
#pragma once

#include <string>

struct TChildRun {
  int Status = -1;
  std::string Console;  // standard output and standard error, as bytes
};

// The full Windows path of the program built alongside the tests.
std::string ProgramPath();

// Runs the program with the command line `"<program>" ` + arguments, exactly
// as written (no quoting added), in the current directory, and waits for it.
TChildRun RunWithCommandLine(const std::string& arguments);
