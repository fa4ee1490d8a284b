// Structures and helpers of the shape-section tests: coordination polyhedra
// written as CIF text, whole runs with their report lines and records, and
// the lines of the report's sections.
#pragma once

#include <nlohmann/json.hpp>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/run_support.h"
#include "support/survey_structures.h"
#include "geometry/shape_references.h"
#include "support/test_support.h"
#include "base/format.h"
#include "crystal/cell.h"
#include "crystal/vector.h"
#include "base/text.h"

// A metal at the middle of a cubic P1 cell of 20 A with ligands (elements
// given, labels element + number) at the Cartesian offsets (A) from it;
// every coordinate with an su of 0.00002 (0.0004 A).
inline std::string PolyhedronCif(const std::string& metal, const std::vector<TVec3>& offsets,
                                 const std::vector<std::string>& elements) {
  const double edge = 20;
  const auto site = [&](const std::string& label, const std::string& element, const TVec3& at) {
    std::string line = label + " " + element;
    for (double x : at) line.append(" ").append(FormatFixed(0.5 + x / edge, 5)).append("(2)");
    return line + "\n";
  };
  std::string cif =
      "data_polyhedron\n_cell_length_a 20.0000(10)\n_cell_length_b 20.0000(10)\n"
      "_cell_length_c 20.0000(10)\n_cell_angle_alpha 90\n_cell_angle_beta 90\n"
      "_cell_angle_gamma 90\nloop_\n_atom_site_label\n_atom_site_type_symbol\n"
      "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";
  cif += site(metal + "1", metal, {0, 0, 0});
  for (size_t i = 0; i < offsets.size(); ++i) {
    const std::string& element = elements[i % elements.size()];
    cif += site(element + std::to_string(i + 1), element, offsets[i]);
  }
  return cif;
}

// The vertices of a reference polyhedron as offsets from its centre, scaled
// to bonds of about `bond` A.
inline std::vector<TVec3> ReferenceOffsets(const TShapeReference& reference, double bond = 2.0) {
  const TVec3& centre = reference.Points.back();
  std::vector<TVec3> offsets;
  for (size_t i = 0; i + 1 < reference.Points.size(); ++i) {
    TVec3 v{};
    for (size_t k = 0; k < 3; ++k) v[k] = reference.Points[i][k] - centre[k];
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (double& x : v) x *= bond / length;
    offsets.push_back(v);
  }
  return offsets;
}

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
