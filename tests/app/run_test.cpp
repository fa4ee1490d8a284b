// Whole runs: input resolution, block choice, the central atom, the
// coordination-number check and the ligand messages, as the user sees them.
#include <gtest/gtest.h>

#include "run_support.h"
#include "test_support.h"

namespace {

const std::string kE(kLineEnd);

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// An octahedral CuCl6 unit in a cubic P1 cell.
const char* kOctahedronCif =
    "data_octahedron\n"
    "_cell_length_a 10.0\n_cell_length_b 10.0\n_cell_length_c 10.0\n"
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "Cu1 0.5 0.5 0.5\nCl1 0.73 0.5 0.5\nCl2 0.27 0.5 0.5\nCl3 0.5 0.73 0.5\n"
    "Cl4 0.5 0.27 0.5\nCl5 0.5 0.5 0.73\nCl6 0.5 0.5 0.27\n";

std::string Block(const std::string& name, const std::string& atoms) {
  return "data_" + name +
         "\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n"
         "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n" +
         atoms;
}

const char* kTetrahedron =
    "Zn1 0.5 0.5 0.5\nCl1 0.6291 0.6291 0.6291\nCl2 0.3709 0.3709 0.6291\n"
    "Cl3 0.3709 0.6291 0.3709\nCl4 0.6291 0.3709 0.3709\n";

}  // namespace

TEST(Program, WithoutArgumentsShowsTheHelpAndEndsWithStatusOne) {
  const TRunResult run = RunProgram({});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Console.find("Vexorin 1.0 - geometry index tau4 / tau4' / tau5 from CIF data" + kE),
            0u);
  EXPECT_EQ(RunProgram({"--help"}).Status, 0);
}

TEST(Program, BadOptionValueEndsWithStatusTwoBeforeAnyFileIsRead) {
  const TRunResult run = RunProgram({"x.cif", "Ni1", "tol=abc"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Console, "Error: invalid value for --tol: abc" + kE);
}

TEST(InputFile, MissingFileWithoutStemAlternativesNamesTheStem) {
  const std::string path = ScratchDir() + "/nothing_here.cif";
  const TRunResult run = RunProgram({path, "Ni1"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Console, "Error: file not found: " + path +
                             " - and no nothing_here.res, .ins or .xyz in the same directory." + kE);
}

TEST(InputFile, MissingCifFallsBackToTheXyzOfTheSameStem) {
  const std::string xyz =
      WriteScratchFile("fallback.xyz", ReadWholeFile(ExampleFile("fe_trigonal_bipyramid.xyz")));
  const TRunResult run = RunProgram({ScratchDir() + "/fallback.cif", "Fe2", "--brief"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console, "Fe2: CN 5, tau5 = 0.902  [C4 C3 C7 C6 C5]  (no su - from XYZ)" + kE);
}

TEST(InputFile, PathWithoutExtensionIsReadAsCif) {
  const std::string path = WriteScratchFile("no_extension", Block("plain", kTetrahedron));
  const TRunResult run = RunProgram({path, "Zn1", "--brief"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_TRUE(Contains(run.Console, "Zn1: CN 4")) << run.Console;
}

TEST(DataBlock, CentralAtomChoosesTheBlockThatHoldsIt) {
  const std::string path = WriteScratchFile(
      "three_blocks.cif", "data_publication\n_journal_name_full 'Some Journal'\n" +
                              Block("other", "Ni1 0.1 0.1 0.1\n") + Block("wanted", kTetrahedron));
  const TRunResult run = RunProgram({path, "Zn1"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_TRUE(Contains(run.Console, "Data block   : wanted  (of 3 blocks; select with --block=)" + kE));
  const TRunResult wrong = RunProgram({path, "Zn1", "block=OTHER"});
  EXPECT_EQ(wrong.Status, 2);
  EXPECT_TRUE(Contains(wrong.Console, "Error: central atom \"Zn1\" not found in data block "
                                      "\"other\". Blocks with a structure: other, wanted" + kE));
  const TRunResult missing = RunProgram({path, "Zn1", "--block=nope"});
  EXPECT_EQ(missing.Console,
            "Error: data block \"nope\" not found. Available: other, wanted" + kE);
}

TEST(DataBlock, AnUnknownSpaceGroupWithoutOperatorsIsWarnedAbout) {
  const std::string path = WriteScratchFile(
      "no_symops.cif", Block("old", kTetrahedron) + "_symmetry_space_group_name_H-M  'X 21/c'\n");
  const TRunResult run = RunProgram({path, "Zn1"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_TRUE(Contains(run.Console,
                       "Symmetry     : 1 operation(s), 5 atom sites" + kE +
                           "Warning      : no symmetry operators in the data block (space group "
                           "X 21/c); only x,y,z is used." + kE +
                           "Central atom : Zn1 (Zn)"));
  const std::string p1 = WriteScratchFile(
      "p1_no_symops.cif", Block("p1", kTetrahedron) + "_space_group_name_H-M_alt ' p 1 '\n");
  EXPECT_FALSE(Contains(RunProgram({p1, "Zn1"}).Console, "Warning"));
}

TEST(CentralAtom, OlexSuffixIsRemovedAndNoted) {
  const TRunResult run = RunProgram({ExampleFile("ni_square_planar.cif"), "Ni1_$1"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_TRUE(Contains(run.Console,
                       "Ligands      : automatic (d <= r1 + r2 + 0.40 A, occupancy >= 0.50)" + kE +
                           "Note         : Olex2 symmetry suffixes (_$n) removed; the nearest "
                           "symmetry image was used in each case." + kE +
                           "Coordination number: 4"));
}

TEST(CentralAtom, UnknownLabelIsAnErrorBeforeTheHeader) {
  const TRunResult run = RunProgram({ExampleFile("ni_square_planar.cif"), "Co9", "--brief"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Console, "Error: central atom \"Co9\" not found in data block "
                         "\"ni_square_planar\". Blocks with a structure: ni_square_planar" + kE);
  const TRunResult xyz = RunProgram({ExampleFile("fe_trigonal_bipyramid.xyz"), "Fe1"});
  EXPECT_EQ(xyz.Console,
            "Error: central atom \"Fe1\" not found in fe_trigonal_bipyramid.xyz." + kE +
                "       XYZ atom names: element + line in the file counted from 0, as in Olex2 "
                "(first atom = line 2)." + kE +
                "       Other schemes: xyznames=olex (as Olex2), xyznames=position" + kE +
                "       (first atom = 1), xyznames=element (C1, H1, H2, ...)." + kE);
}

TEST(CoordinationNumber, ThreeAutomaticLigandsListTheNeighboursAndSuggestRemedies) {
  const TRunResult run = RunProgram({ExampleFile("ni_square_planar.cif"), "Ni1", "tol=-0.085"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_TRUE(Contains(run.Console,
                       "Ligands      : automatic (d <= r1 + r2 + -0.09 A, occupancy >= 0.50)" + kE +
                           kE + "Neighbours found (3):" + kE +
                           "   1  Cl2             1_555       2.1655(10)" + kE +
                           "   2  Cl1             1_555       2.1712(10)" + kE +
                           "   3  P1              1_555       2.2214(9)" + kE + kE +
                           "Error: coordination number 3 - tau4/tau5 are defined for CN 4 and 5 "
                           "only." + kE +
                           "       Adjust the tolerance (--tol=) or specify the ligands "
                           "explicitly." + kE))
      << run.Console;
  const TRunResult brief =
      RunProgram({ExampleFile("ni_square_planar.cif"), "Ni1", "tol=-0.085", "--brief"});
  EXPECT_EQ(brief.Console,
            "Error: coordination number 3 - tau4/tau5 are defined for CN 4 and 5 only." + kE +
                "       Adjust the tolerance (--tol=) or specify the ligands explicitly." + kE);
}

TEST(CoordinationNumber, SixAutomaticLigandsAndSixNamedOnesAreErrors) {
  const std::string path = WriteScratchFile("octahedron.cif", kOctahedronCif);
  const TRunResult automatic = RunProgram({path, "Cu1"});
  EXPECT_EQ(automatic.Status, 2);
  EXPECT_TRUE(Contains(automatic.Console, "Neighbours found (6):" + kE));
  EXPECT_TRUE(Contains(automatic.Console, "Error: coordination number 6 - "));
  const TRunResult named = RunProgram({path, "Cu1 Cl1 Cl2 Cl3 Cl4 Cl5 Cl6"});
  EXPECT_EQ(named.Status, 2);
  EXPECT_TRUE(Contains(named.Console, "Ligands      : specified (6 atoms)" + kE + kE +
                                          "Neighbours found (6):" + kE));
  EXPECT_TRUE(Contains(named.Console,
                       "Error: exactly 4 (tau4) or 5 (tau5) ligands must be specified." + kE));
}

TEST(NamedLigands, EveryLigandErrorReachesTheUser) {
  const std::string zn = ExampleFile("zn_tetrahedral.cif");
  const struct {
    std::vector<std::string> Args;
    std::string Message;
  } cases[] = {
      {{zn, "Zn1", "Cl1", "Br1"}, "ligand \"Br1\" not found in zn_tetrahedral.cif."},
      {{zn, "Zn1", "Cl1#9_555"},
       "symmetry code \"9_555\" in \"Cl1#9_555\" is not valid for this CIF (8 operations, format "
       "n_klm)."},
      {{zn, "Zn1", "Zn1#1_555"}, "ligand \"Zn1#1_555\" is the central atom itself."},
      {{zn, "Zn1", "Cl1#1_655"},
       "ligand \"Cl1\" with symmetry code 1_655 is not within the search radius (8.00 A). "
       "Increase --max= if required."},
      {{zn, "Zn1", "N1 N1 N1", "max=2.1"}, "ligand \"N1\" was given more than once."},
      {{zn, "Zn1", "N1", "Cl1", "max=2.1"},
       "ligand \"Cl1\" is not within the search radius (2.10 A). Increase --max= if required."},
  };
  for (const auto& c : cases) {
    const TRunResult run = RunProgram(c.Args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Console, "Error: " + c.Message + kE)) << run.Console;
  }
}

TEST(NamedLigands, CodedAndUncodedNamesOfOneAtomGiveBothImages) {
  const TRunResult run =
      RunProgram({ExampleFile("zn_tetrahedral.cif"), "Zn1", "Cl1#2", "Cl1 N1#2_555", "N1", "--brief"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console, "Zn1: CN 4, tau4 = 0.9381(6), tau4' = 0.9309(5)  "
                         "[N1#2_555 N1 Cl1#2_555 Cl1]" + kE);
}

TEST(SearchRadius, RadiusOfMoreThanAThousandCellSpacingsIsRefused) {
  const TRunResult run = RunProgram({ExampleFile("ni_square_planar.cif"), "Ni1", "--max=1e6"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Console, "Error: search radius 1000000.00 A is too large for this structure (more "
                         "than 1000 cell spacings)." + kE);
}

TEST(Program, VersionPrintsOneLineAndEndsWithStatusZero) {
  const TRunResult run = RunProgram({"--version"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console, "vexorin 1.0" + kE);
}
