// Benchmark of the neighbour search on a large structure: a P21/c CIF of
// N atoms (default 100000, every 50th a Ni) at the density of organic
// crystals, written to a temporary file. Measures, in one run:
//   single  reading the CIF into the model plus one search (build + query),
//           as a run for one centre does;
//   survey  reading plus one index and a query for every Ni centre;
// and prints survey/single, and the per-query cost against the build.
//
//   vexorin_neighbour_bench [ATOMS] [DIR]
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "model/coordination.h"
#include "model/structure.h"
#include "io/cif.h"

namespace {

class TSequence {
 public:
  double Fraction() {
    State = State * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(State >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t State = 88172645463325252ULL;
};

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.5f", value);
  return text;
}

// 11 A^3 per atom image, four operations.
std::string LargeCif(int atoms) {
  const double edge = std::cbrt(atoms * 4 * 11.0 / std::sin(101.2 * 0.017453292519943295));
  std::string cif = "data_large\n_cell_length_a " + Fixed(edge * 0.9) + "\n_cell_length_b " +
                    Fixed(edge) + "\n_cell_length_c " + Fixed(edge * 1.1) +
                    "\n_cell_angle_beta 101.2\nloop_\n_space_group_symop_operation_xyz\n"
                    "'x, y, z'\n'-x, y+1/2, -z+1/2'\n'-x, -y, -z'\n'x, -y-1/2, z-1/2'\n"
                    "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                    "_atom_site_fract_y\n_atom_site_fract_z\n";
  TSequence seq;
  for (int i = 1; i <= atoms; ++i) {
    const bool metal = i % 50 == 0;
    cif += (metal ? "Ni" : "C") + std::to_string(i) + (metal ? " Ni " : " C ");
    for (int axis = 0; axis < 3; ++axis) cif += Fixed(seq.Fraction()) + (axis < 2 ? " " : "\n");
  }
  return cif;
}

TStructure ReadModel(const std::string& path) {
  TCifFile file;
  std::string error;
  if (!file.LoadFromFile(path, error)) {
    std::cerr << error << "\n";
    std::exit(1);
  }
  TStructure model;
  ReadCell(file.Block(0), model);
  ReadSymmetry(file.Block(0), model);
  ReadAtomSites(file.Block(0), model);
  return model;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int atoms = argc > 1 ? std::stoi(argv[1]) : 100000;
  const std::string dir = argc > 2 ? argv[2] : "/tmp";
  const std::string path = dir + "/neighbour_bench_" + std::to_string(atoms) + ".cif";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << LargeCif(atoms);
  }
  constexpr double kRadius = 1.24 + 1.24 + 0.4;  // Ni, the largest radius here, tolerance
  size_t listed = 0;
  double single = 1e9, survey = 1e9, build = 1e9, queries = 1e9;
  int centres = 0;
  for (int repeat = 0; repeat < 3; ++repeat) {
    auto start = std::chrono::steady_clock::now();
    {
      const TStructure model = ReadModel(path);
      listed = FindNeighbours(model, 49, kRadius).size();
    }
    single = std::min(single, Seconds(start));

    start = std::chrono::steady_clock::now();
    const TStructure model = ReadModel(path);
    const auto indexStart = std::chrono::steady_clock::now();
    const TNeighbourIndex index(model);
    build = std::min(build, Seconds(indexStart));
    const auto queryStart = std::chrono::steady_clock::now();
    centres = 0;
    for (size_t atom = 49; atom < model.Atoms.size(); atom += 50, ++centres)
      listed += index.Find(static_cast<int>(atom), kRadius).size() > 0 ? 0 : 0;
    queries = std::min(queries, Seconds(queryStart));
    survey = std::min(survey, Seconds(start));
  }
  std::remove(path.c_str());
  std::printf("atoms=%d centres=%d neighbours_of_first=%zu\n", atoms, centres, listed);
  std::printf("single_s=%.4f survey_s=%.4f survey/single=%.3f\n", single, survey, survey / single);
  std::printf("index_build_s=%.4f queries_s=%.4f per_query_us=%.2f query/build=%.4f\n", build,
              queries, 1e6 * queries / centres, queries / centres / build);
  return 0;
}
