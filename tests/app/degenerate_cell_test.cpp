// Cells that no crystal has: SHELX cells are refused as CIF cells are, and
// absurd but valid cells give their report or error without running for
// minutes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_support.h"
#include "model/structure.h"
#include "test_support.h"

namespace {

std::string TwoCarbonRes(const std::string& cellCard) {
  return "TITL two carbons\n" + cellCard +
         "\nLATT -1\nSFAC C\nC1 1 0.1 0.2 0.3 11 0.05\nC2 1 0.2 0.2 0.3 11 0.05\nHKLF 4\nEND\n";
}

std::string TwoCarbonCif(const std::string& a, const std::string& b, const std::string& c,
                         const std::string& alpha, const std::string& beta,
                         const std::string& gamma) {
  return "data_two\n_cell_length_a " + a + "\n_cell_length_b " + b + "\n_cell_length_c " + c +
         "\n_cell_angle_alpha " + alpha + "\n_cell_angle_beta " + beta +
         "\n_cell_angle_gamma " + gamma +
         "\nloop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n"
         "_atom_site_fract_z\nC1 0.1 0.2 0.3\nC2 0.2 0.2 0.3\n";
}

std::string LastLine(const std::string& console) {
  std::vector<std::string_view> lines = SplitLines(console);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines.empty() ? std::string() : std::string(lines.back());
}

struct TCellCase {
  const char* What;
  const char* Edges[3];
  const char* Angles[3];
};

}  // namespace

TEST(DegenerateCell, ShelxCellsThatCannotCloseAreRefusedWithTheCifMessage) {
  const std::vector<TCellCase> cases = {
      {"angles that cannot close (CELL 0.71 73 0.6876 ...)", {"73", "0.6876", "11.516"},
       {"0.0196", "0.0193", "0.0187"}},
      {"negative angles", {"10", "10", "10"}, {"-90", "-90", "-90"}},
      {"reflex angles", {"10", "10", "10"}, {"270", "270", "270"}},
      {"angles whose cosines leave no volume", {"10", "10", "10"}, {"60", "60", "150"}},
      {"angles beyond a full turn", {"10", "10", "10"}, {"450", "450", "450"}},
  };
  for (const TCellCase& c : cases) {
    const std::string card = std::string("CELL 0.71 ") + c.Edges[0] + " " + c.Edges[1] + " " +
                             c.Edges[2] + " " + c.Angles[0] + " " + c.Angles[1] + " " +
                             c.Angles[2];
    const std::string res = WriteScratchFile("cell_case.res", TwoCarbonRes(card));
    const TRunResult shelx = RunProgram({res, "C1"});
    EXPECT_EQ(shelx.Status, 2) << c.What;
    EXPECT_EQ(LastLine(shelx.Console), "Error: " + std::string(kUnusableCellMessage)) << c.What;
    const std::string cif =
        WriteScratchFile("cell_case.cif", TwoCarbonCif(c.Edges[0], c.Edges[1], c.Edges[2],
                                                       c.Angles[0], c.Angles[1], c.Angles[2]));
    EXPECT_EQ(LastLine(RunProgram({cif, "C1"}).Console), LastLine(shelx.Console)) << c.What;
  }
}

TEST(DegenerateCell, ShelxCellWithUsableAnglesStillRuns) {
  const std::string res =
      WriteScratchFile("cell_usable.res", TwoCarbonRes("CELL 0.71 10 10 10 90 90 90"));
  const TRunResult run = RunProgram({res, "C1"});
  EXPECT_NE(run.Console.find("coordination number 1 "), std::string::npos) << run.Console;
}

namespace {

// A cell edge of 0.00314 A puts about 2000 lattice translations inside the
// search sphere along a. The SHELX file: 192 SYMM cards that differ by tiny
// translations, with the inversion of LATT 1 (385 operations), 3681 carbon
// atoms on one site and the central atom listed last.
std::string ShortEdgeRes(const std::string& centralSite) {
  std::string text = "TITL short edge\nCELL 0.71073 0.00314 10 10 90 90 90\nLATT 1\n";
  for (int k = 1; k <= 192; ++k) {
    const std::string digits = std::to_string(k);
    text += "SYMM X,Y,Z+0.";
    text.append(5 - digits.size(), '0');
    text += digits;
    text += "\n";
  }
  text += "SFAC C NI\n";
  for (int k = 1; k <= 3681; ++k) {
    text += 'C';
    text += std::to_string(k);
    text += " 1 .1 .2 .3 11\n";
  }
  return text + "NI1 2 " + centralSite + " 11\nHKLF 4\nEND\n";
}

// The CIF: the same cell, x,y,z written 1350 times, 620 atoms.
std::string ShortEdgeCif(const std::string& centralSite) {
  std::string text =
      "data_short\n_cell_length_a 0.00314\n_cell_length_b 10\n_cell_length_c 10\n"
      "loop_\n_space_group_symop_operation_xyz\n";
  for (int k = 0; k < 1350; ++k) text += "x,y,z\n";
  text += "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";
  for (int k = 1; k <= 619; ++k) {
    text += 'C';
    text += std::to_string(k);
    text += " .1 .2 .3\n";
  }
  return text + "Ni1 " + centralSite + "\n";
}

struct TShortEdgeCase {
  const char* What;
  std::string Text;
  const char* Extension;
  const char* Expected;  // the last line, as the search has always ended
};

}  // namespace

TEST(DegenerateCell, ShortCellEdgesEndWithTheErrorTheyAlwaysGave) {
  const std::vector<TShortEdgeCase> cases = {
      {"res, atoms on the central site", ShortEdgeRes(".1 .2 .3"), ".res",
       "coordination number 16175 "},
      {"res, atoms near the central site", ShortEdgeRes(".1 .42 .52"), ".res",
       "coordination number 6167 "},
      {"cif, atoms on the central site", ShortEdgeCif(".1 .2 .3"), ".cif",
       "coordination number 16175 "},
      {"cif, atoms elsewhere", ShortEdgeCif(".1 .6 .7"), ".cif", "coordination number 1580 "},
  };
  for (const TShortEdgeCase& c : cases) {
    const std::string path = WriteScratchFile(std::string("short_edge") + c.Extension, c.Text);
    // The bond rule alone: the chemical sphere takes atoms on the centre's
    // own site for coincident with it.
    const TRunResult run = RunProgram({path, "NI1", "--sphere=radii"});
    EXPECT_EQ(run.Status, 2) << c.What;
    EXPECT_NE(run.Console.find(std::string("Error: ") + c.Expected), std::string::npos)
        << c.What << "\n" << run.Console.substr(0, 2000);
  }
}
