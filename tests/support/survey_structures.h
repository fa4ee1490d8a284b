// Structures and helpers shared by the survey and record tests.
#pragma once

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_support.h"
#include "base/text.h"

// Three metal centres far apart in a cubic P1 cell of 30 A: a ZnCl4
// tetrahedron (CN 4, one angle from the _geom_angle loop), a CuN4O square
// pyramid with one basal N pulled up (CN 5) and a CoO6 octahedron (CN 6).
inline const char* kThreeCentresCif =
    "data_three_centres\n"
    "_cell_length_a 30.000(3)\n_cell_length_b 30.000(3)\n_cell_length_c 30.000(3)\n"
    "loop_\n_atom_site_label\n_atom_site_type_symbol\n"
    "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "Zn1 Zn 0.2000(1) 0.2000(1) 0.2000(1)\n"
    "Cl1 Cl 0.2433(2) 0.2433(2) 0.2433(2)\n"
    "Cl2 Cl 0.1567(2) 0.1567(2) 0.2433(2)\n"
    "Cl3 Cl 0.1567(2) 0.2433(2) 0.1567(2)\n"
    "Cl4 Cl 0.2433(2) 0.1567(2) 0.1567(2)\n"
    "Cu1 Cu 0.5000(1) 0.5000(1) 0.5000(1)\n"
    "N1 N 0.5667(3) 0.5000(3) 0.5100(3)\n"
    "N2 N 0.4333(3) 0.5000(3) 0.5000(3)\n"
    "N3 N 0.5000(3) 0.5667(3) 0.5000(3)\n"
    "N4 N 0.5000(3) 0.4333(3) 0.5000(3)\n"
    "O1 O 0.5000(3) 0.5000(3) 0.5733(3)\n"
    "Co1 Co 0.8000(1) 0.8000(1) 0.8000(1)\n"
    "O2 O 0.8700(3) 0.8000(3) 0.8000(3)\n"
    "O3 O 0.7300(3) 0.8000(3) 0.8000(3)\n"
    "O4 O 0.8000(3) 0.8700(3) 0.8000(3)\n"
    "O5 O 0.8000(3) 0.7300(3) 0.8000(3)\n"
    "O6 O 0.8000(3) 0.8000(3) 0.8700(3)\n"
    "O7 O 0.8000(3) 0.8000(3) 0.7300(3)\n"
    "loop_\n_geom_angle_atom_site_label_1\n_geom_angle_atom_site_label_2\n"
    "_geom_angle_atom_site_label_3\n_geom_angle\n"
    "Cl1 Zn1 Cl2 109.61(4)\n";

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
