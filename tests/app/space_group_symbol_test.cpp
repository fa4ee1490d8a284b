// A data block that names its space group but lists no operators: the
// operators come from the Hall symbol, the Hermann-Mauguin symbol or the
// number, and the report is the one of the same block with its operator
// loop, but for the note that says so.
#include <gtest/gtest.h>

#include <gemmi/symmetry.hpp>

#include "support/run_support.h"
#include "support/survey_structures.h"
#include "support/test_support.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct TGroupCase {
  const char* Name;
  const char* Setting;  // gemmi's full symbol of the setting meant
  const char* Cell;     // a b c alpha beta gamma
  const char* Atoms;    // rows label x y z
  const char* Centre;
  const char* Suffix;  // what the note says of the setting chosen from the H-M symbol or number
};

const TGroupCase kCases[] = {
    {"monoclinic C 2/c", "C 1 2/c 1", "10 12 14 90 95 90",
     "Cu1 0 0.3 0.25\nCl1 0.2 0.3 0.30\nN1 0.05 0.45 0.20\n", "Cu1", ""},
    {"spinel, origin choice 2", "F d -3 m:2", "8.08 8.08 8.08 90 90 90",
     "Mg1 0.125 0.125 0.125\nAl1 0.5 0.5 0.5\nO1 0.2624 0.2624 0.2624\n", "Mg1", " (origin choice 2)"},
    {"R -3 on hexagonal axes", "R -3:H", "10 10 12 90 90 120",
     "Fe1 0 0 0.2\nO1 0 0 0.38\nO2 0.2 0.05 0.15\n", "Fe1", " (hexagonal axes)"},
    {"R -3 on rhombohedral axes", "R -3:R", "7 7 7 75 75 75",
     "Fe1 0.2 0.2 0.2\nO1 0.38 0.38 0.38\nO2 0.35 0.2 0.1\n", "Fe1", " (rhombohedral axes)"},
};

std::string Block(const TGroupCase& c, const std::string& symmetryItems) {
  double a, b, cc, alpha, beta, gamma;
  std::istringstream(c.Cell) >> a >> b >> cc >> alpha >> beta >> gamma;
  std::ostringstream cif;
  cif << "data_test\n_cell_length_a " << a << "\n_cell_length_b " << b << "\n_cell_length_c " << cc
      << "\n_cell_angle_alpha " << alpha << "\n_cell_angle_beta " << beta
      << "\n_cell_angle_gamma " << gamma << "\n"
      << symmetryItems
      << "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
      << c.Atoms;
  return cif.str();
}

// The report without its note line.
std::string WithoutNote(const std::string& report) {
  std::string kept;
  for (const std::string& line : OutputLines(report))
    if (!StartsWith(line, "Note         : ")) kept += line + "\n";
  return kept;
}

}  // namespace

TEST(SpaceGroupSymbol, OperatorsFromTheHallOrHMSymbolOrTheNumberGiveTheReportOfTheOperatorLoop) {
  for (const TGroupCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    const gemmi::SpaceGroup& group = gemmi::get_spacegroup_by_name(c.Setting);
    std::string loop = "loop_\n_space_group_symop_operation_xyz\n";
    for (gemmi::Op op : group.operations()) loop.append("'").append(op.triplet()).append("'\n");
    const std::string hall(TrimControl(group.hall));
    std::string hm(group.hm);
    const std::string number = std::to_string(group.number);

    const std::vector<std::string> options = {c.Centre, "--shapes=all", "--tol=0.6"};
    const auto run = [&](const std::string& items, const std::string& name) {
      std::vector<std::string> args = {WriteScratchFile(name, Block(c, items))};
      args.insert(args.end(), options.begin(), options.end());
      return RunProgram(args).Console;
    };
    const std::string listed = run(loop, "group.cif");
    // The symmetry matters: a ligand is a symmetry image.
    ASSERT_TRUE(Contains(listed, "#")) << listed;
    const std::string count = std::to_string(group.operations().order());
    const std::string note = "Note         : no symmetry operators in the data block; the " + count +
                             " operators of " + group.xhm() + " (Hall: " + hall +
                             ") were generated from its ";
    const struct {
      std::string Items, Kind;
    } variants[] = {
        {"_space_group_name_Hall '" + hall + "'\n", "Hall symbol."},
        {"_symmetry_space_group_name_H-M '" + hm + "'\n", "Hermann-Mauguin symbol" + std::string(c.Suffix) + "."},
        {"_space_group_IT_number " + number + "\n", "number" + std::string(c.Suffix) + "."},
    };
    for (const auto& variant : variants) {
      const std::string generated = run(variant.Items, "group.cif");
      EXPECT_TRUE(Contains(generated, note + variant.Kind)) << generated;
      EXPECT_EQ(WithoutNote(generated), WithoutNote(listed)) << variant.Items;
    }
  }
}

