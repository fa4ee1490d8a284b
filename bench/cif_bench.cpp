// Benchmark of the CIF reader: writes CIFs of the sizes and shapes met in
// practice, and reads one file, reporting time, speed and peak memory.
//
//   vexorin_bench generate DIR   writes atoms_100k.cif, blocks_2000.cif,
//                                textfield_25mb.cif, typical_20k.cif and
//                                nickel_100k.cif, nickel_1m.cif (10^5 and
//                                10^6 atoms with a Ni centre in every 50)
//   vexorin_bench read FILE [N]  loads FILE N times (default 1); prints the
//                                best time and the peak memory
#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "bench_support.h"
#include "metal_structure.h"
#include "io/cif.h"

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace {

// 0.ddddd(s): a fractional coordinate as SHELXL writes it.
void PutFraction(std::string& out, TSequence& seq) {
  Put(out, "0.", Padded(seq.Next(100000), 5), "(", Number(1 + seq.Next(30)), ")");
}

void PutAngle(std::string& out, TSequence& seq) {
  Put(out, Number(85 + seq.Next(95)), ".", Number(seq.Next(10)), "(", Number(1 + seq.Next(9)), ")");
}

void AppendHeader(std::string& cif, const std::string& name) {
  Put(cif, "data_", name, "\n");
  cif += "_audit_creation_method            'SHELXL-2018/3'\n";
  cif += "_chemical_name_systematic         ?\n";
  cif += "_chemical_formula_sum             'C36 H30 Cl2 N4 Ni P2'\n";
  cif += "_chemical_formula_weight          742.19\n";
  for (const char* tag : {"_exptl_crystal_colour", "_exptl_crystal_description",
                          "_diffrn_measurement_device_type", "_diffrn_radiation_type",
                          "_computing_structure_solution", "_computing_structure_refinement",
                          "_refine_ls_structure_factor_coef", "_refine_ls_matrix_type",
                          "_refine_ls_weighting_scheme", "_atom_sites_solution_primary"})
    Put(cif, tag, "   'text of the item'\n");
  cif += "_space_group_crystal_system       monoclinic\n";
  cif += "_space_group_name_H-M_alt         'P 21/c'\n";
  cif += "loop_\n _space_group_symop_operation_xyz\n 'x, y, z'\n '-x, y+1/2, -z+1/2'\n"
         " '-x, -y, -z'\n 'x, -y-1/2, z-1/2'\n";
  cif += "_cell_length_a                    10.2345(6)\n_cell_length_b                    "
         "15.4321(9)\n_cell_length_c                    18.7654(11)\n";
  cif += "_cell_angle_alpha                 90\n_cell_angle_beta                  "
         "101.234(2)\n_cell_angle_gamma                 90\n";
  cif += "_publ_section_references\n;\nSheldrick, G. M. (2015). Acta Cryst. C71, 3-8.\n"
         "Dolomanov, O. V. et al. (2009). J. Appl. Cryst. 42, 339-341.\n;\n";
}

void AppendAtomSites(std::string& cif, TSequence& seq, int atoms) {
  cif += "loop_\n _atom_site_label\n _atom_site_type_symbol\n _atom_site_fract_x\n"
         " _atom_site_fract_y\n _atom_site_fract_z\n _atom_site_U_iso_or_equiv\n"
         " _atom_site_adp_type\n _atom_site_occupancy\n _atom_site_site_symmetry_order\n"
         " _atom_site_calc_flag\n _atom_site_refinement_flags_posn\n"
         " _atom_site_disorder_assembly\n _atom_site_disorder_group\n";
  for (int i = 1; i <= atoms; ++i) {
    Put(cif, "C", Number(i), " C ");
    for (int axis = 0; axis < 3; ++axis) {
      PutFraction(cif, seq);
      cif += ' ';
    }
    Put(cif, "0.0", Padded(seq.Next(1000), 3), "(", Number(1 + seq.Next(9)), ") Uani 1 1 d . . .\n");
  }
}

void AppendAnisotropic(std::string& cif, TSequence& seq, int atoms) {
  cif += "loop_\n _atom_site_aniso_label\n _atom_site_aniso_U_11\n _atom_site_aniso_U_22\n"
         " _atom_site_aniso_U_33\n _atom_site_aniso_U_23\n _atom_site_aniso_U_13\n"
         " _atom_site_aniso_U_12\n";
  for (int i = 1; i <= atoms; ++i) {
    Put(cif, "C", Number(i));
    for (int u = 0; u < 6; ++u) Put(cif, " 0.0", Padded(seq.Next(1000), 3), "(", Number(1 + seq.Next(9)), ")");
    cif += '\n';
  }
}

void AppendAngleRow(std::string& cif, TSequence& seq, int atoms) {
  Put(cif, "C", Number(1 + seq.Next(atoms)), " C", Number(1 + seq.Next(atoms)), " C",
      Number(1 + seq.Next(atoms)), " ");
  PutAngle(cif, seq);
  cif += " . . ?\n";
}

void AppendAngleHeader(std::string& cif) {
  cif += "loop_\n _geom_angle_atom_site_label_1\n _geom_angle_atom_site_label_2\n"
         " _geom_angle_atom_site_label_3\n _geom_angle\n _geom_angle_site_symmetry_1\n"
         " _geom_angle_site_symmetry_3\n _geom_angle_publ_flag\n";
}

std::string TypicalBlock(TSequence& seq, const std::string& name, int atoms, int angles) {
  std::string cif;
  AppendHeader(cif, name);
  AppendAtomSites(cif, seq, atoms);
  AppendAnisotropic(cif, seq, atoms);
  cif += "loop_\n _geom_bond_atom_site_label_1\n _geom_bond_atom_site_label_2\n _geom_bond_distance\n"
         " _geom_bond_site_symmetry_2\n _geom_bond_publ_flag\n";
  for (int i = 1; i < atoms; ++i)
    Put(cif, "C", Number(i), " C", Number(i + 1), " 1.", Padded(seq.Next(1000), 3), "(",
        Number(1 + seq.Next(9)), ") . ?\n");
  AppendAngleHeader(cif);
  for (int i = 0; i < angles; ++i) AppendAngleRow(cif, seq, atoms);
  return cif;
}

std::string AtomsFile(TSequence& seq) {
  std::string cif;
  AppendHeader(cif, "big_structure");
  AppendAtomSites(cif, seq, 100000);
  AppendAngleHeader(cif);
  while (cif.size() < (30u << 20)) AppendAngleRow(cif, seq, 100000);
  return cif;
}

std::string BlocksFile(TSequence& seq) {
  std::string cif;
  for (int i = 1; i <= 2000; ++i) cif += TypicalBlock(seq, "entry_" + Number(i), 60, 120);
  return cif;
}

std::string TextFieldFile(TSequence& seq) {
  std::string cif = TypicalBlock(seq, "shelxl", 60, 150);
  cif += "_shelx_hkl_file\n;\n";
  while (cif.size() < (26u << 20)) {
    Put(cif, "   ", Number(seq.Next(40) - 20), "   ", Number(seq.Next(40) - 20), "   ",
        Number(seq.Next(40) - 20), "   ", Number(seq.Next(20000)), ".00    ", Number(1 + seq.Next(99)),
        ".00   1\n");
  }
  cif += "   0   0   0    0.00    0.00   0\n;\n";
  cif += "loop_\n _refln_index_h\n _refln_index_k\n _refln_index_l\n _refln_F_squared_calc\n"
         " _refln_F_squared_meas\n _refln_F_squared_sigma\n _refln_observed_status\n";
  while (cif.size() < (30u << 20))
    Put(cif, Number(seq.Next(40) - 20), " ", Number(seq.Next(40) - 20), " ", Number(seq.Next(40) - 20),
        " ", Number(seq.Next(20000)), " ", Number(seq.Next(20000)), " ", Number(1 + seq.Next(99)),
        " o\n");
  return cif;
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(out);
}

int Generate(const std::string& dir) {
  TSequence seq;
  // Written one at a time: the largest is 190 MB.
  const std::pair<const char*, std::function<std::string()>> files[] = {
      {"atoms_100k.cif", [&seq] { return AtomsFile(seq); }},
      {"blocks_2000.cif", [&seq] { return BlocksFile(seq); }},
      {"textfield_25mb.cif", [&seq] { return TextFieldFile(seq); }},
      {"typical_20k.cif", [&seq] { return TypicalBlock(seq, "typical", 60, 300); }},
      {"nickel_100k.cif", [] { return MetalStructureCif(100000); }},
      {"nickel_1m.cif", [] { return MetalStructureCif(1000000); }},
  };
  for (const auto& [name, make] : files) {
    const std::string path = dir + "/" + name;
    const std::string text = make();
    if (!WriteFile(path, text)) {
      std::cerr << "cannot write " << path << "\n";
      return 2;
    }
    std::cout << path << " " << text.size() << "\n";
  }
  return 0;
}

long PeakKilobytes() {
#if defined(__unix__) || defined(__APPLE__)
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
#if defined(__APPLE__)
  return usage.ru_maxrss / 1024;
#else
  return usage.ru_maxrss;
#endif
#else
  return -1;
#endif
}

// Touches every value once, as the structure reader would.
std::size_t ValueBytes(const TCifFile& file) {
  std::size_t bytes = 0;
  for (int b = 0; b < file.BlockCount(); ++b) {
    const TCifBlock& block = file.Block(b);
    for (std::string_view value : block.ItemValues()) bytes += value.size();
    for (const TCifLoop& loop : block.Loops())
      for (std::string_view value : loop.Values()) bytes += value.size();
  }
  return bytes;
}

int Read(const std::string& path, int loads) {
  double best = 1e300;
  std::size_t bytes = 0;
  int blocks = 0;
  for (int run = 0; run < loads; ++run) {
    TCifFile file;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    if (!file.LoadFromFile(path, error)) {
      std::cerr << error << "\n";
      return 2;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds < best) best = seconds;
    bytes = ValueBytes(file);
    blocks = file.BlockCount();
  }
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const double megabytes = static_cast<double>(in.tellg()) / (1024.0 * 1024.0);
  std::cout << "read_s=" << best << " mb_s=" << megabytes / best << " peak_kb=" << PeakKilobytes()
            << " blocks=" << blocks << " value_bytes=" << bytes << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (argc == 3 && command == "generate") return Generate(argv[2]);
  if ((argc == 3 || argc == 4) && command == "read") {
    const int loads = argc == 4 ? std::atoi(argv[3]) : 1;
    return Read(argv[2], loads > 0 ? loads : 1);
  }
  std::cerr << "usage: vexorin_bench generate DIR | vexorin_bench read FILE [LOADS]\n";
  return 1;
}
