// Helpers of the shape-section tests: whole runs with their report lines and
// records, and the lines of the report's sections. (Their structures are
// files under tests/data/runs.)
#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/run_support.h"
#include "support/survey_structures.h"
#include "geometry/shape_references.h"
#include "support/test_support.h"
#include "base/text.h"

inline const TShapeReference& Reference(std::string_view label) {
  for (const TShapeReference& reference : AllShapeReferences())
    if (reference.Label == label) return reference;
  throw std::invalid_argument("no reference " + std::string(label));
}

// The lines of the report from the line that starts with `title` down to
// the next empty line that is followed by a line starting in column 0 (the
// section's end), the title line included.
inline std::vector<std::string> SectionOf(const std::string& console, const std::string& title) {
  const std::vector<std::string> lines = OutputLines(console);
  std::vector<std::string> section;
  size_t i = 0;
  while (i < lines.size() && !StartsWith(lines[i], title)) ++i;
  for (; i < lines.size(); ++i) {
    if (lines[i].empty() && (i + 1 == lines.size() || !StartsWith(lines[i + 1], " "))) break;
    section.push_back(lines[i]);
  }
  return section;
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The cells of one CSV line (quotes removed; a doubled quote is not undone).
inline std::vector<std::string> CsvCells(const std::string& line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (c == ',' && !quoted)
      cells.emplace_back();
    else
      cells.back() += c;
  }
  return cells;
}
