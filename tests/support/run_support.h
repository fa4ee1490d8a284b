// Runs the whole program in-process and collects what it prints.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/run.h"
#include "base/text.h"

struct TRunResult {
  int Status = -1;
  std::string Console;
};

inline TRunResult RunProgram(const std::vector<std::string>& args) {
  std::ostringstream console;
  TRunResult result;
  result.Status = RunVexorin(args, console);
  result.Console = console.str();
  return result;
}

// Joins lines with the platform's line end, each line ended by one.
inline std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += kLineEnd;
  }
  return text;
}

inline std::string ExampleFile(const std::string& name) {
  return std::string(VEXORIN_SOURCE_DIR) + "/examples/" + name;
}
