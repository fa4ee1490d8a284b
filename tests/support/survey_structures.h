// Helpers shared by the survey and record tests (their structure is
// tests/data/runs/Survey/three_centres.cif).
#pragma once

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_support.h"
#include "base/text.h"

inline std::vector<std::string> OutputLines(const std::string& console) {
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(console)) lines.emplace_back(line);
  return lines;
}

inline std::vector<nlohmann::json> JsonLines(const std::string& console) {
  std::vector<nlohmann::json> records;
  for (const std::string& line : OutputLines(console)) records.push_back(nlohmann::json::parse(line));
  return records;
}

inline TRunResult RunWithProgress(const std::vector<std::string>& args,
                                  const TProgressOutput& progress) {
  std::ostringstream console;
  TRunResult result;
  result.Status = RunVexorin(args, console, DiskFiles(), progress);
  result.Console = console.str();
  return result;
}
