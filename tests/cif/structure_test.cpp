#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/fail.h"
#include "model/structure.h"
#include "support/test_support.h"
#include "io/cif.h"

namespace {

TCifFile Loaded(std::string text) {
  TCifFile file;
  file.LoadFromText(std::move(text));
  return file;
}

// A block with a cell and the given atom labels.
std::string StructureBlock(const std::string& name, const std::string& labels) {
  std::string text = "data_" + name + "\n_cell_length_a 10\nloop_\n_atom_site_label\n_atom_site_fract_x\n"
                     "_atom_site_fract_y\n_atom_site_fract_z\n";
  for (char label : labels) text += std::string(1, label) + "1 0.1 0.2 0.3\n";
  return text;
}

std::string FatalMessage(const std::function<void()>& step) {
  try {
    step();
  } catch (const TFatalError& e) {
    return e.Message;
  }
  return "(no error)";
}

std::string ChosenName(const TCifFile& file, const std::string& blockName, const std::string& centre) {
  return std::string(ChooseBlock(file, blockName, centre).Name());
}

TEST(StructureBlocks, StripOlexSuffixCutsFromTheFirstMarker) {
  bool removed = false;
  EXPECT_EQ(StripOlexSuffix("Ni1_$2", removed), "Ni1");
  EXPECT_TRUE(removed);
  EXPECT_EQ(StripOlexSuffix("O1_$1_$2", removed), "O1");
  EXPECT_EQ(StripOlexSuffix("O1_2$", removed), "O1_2$");
  EXPECT_FALSE(removed);
}

TEST(StructureBlocks, HasStructureNeedsCellLengthAAndAtomSiteLabels) {
  const TCifFile file = Loaded(StructureBlock("ok", "C") + "data_null\n_cell_length_a ?\nloop_ _atom_site_label C1\n" +
                               "data_nocell\nloop_ _atom_site_label C1\ndata_noatoms\n_cell_length_a 5\n" +
                               "data_textb\n_cell_length_a abc\nloop_ _atom_site_label C1\n");
  EXPECT_TRUE(HasStructure(*file.FindBlock("ok")));
  EXPECT_FALSE(HasStructure(*file.FindBlock("null")));
  EXPECT_FALSE(HasStructure(*file.FindBlock("nocell")));
  EXPECT_FALSE(HasStructure(*file.FindBlock("noatoms")));
  EXPECT_TRUE(HasStructure(*file.FindBlock("textb")));  // presence only, not a number
  EXPECT_EQ(StructureBlockList(file), "ok, textb");
}

TEST(StructureBlocks, BlockChoiceFollowsTheCentralAtom) {
  const TCifFile file = Loaded("data_publ\n_publ_section_title 'x'\n" + StructureBlock("first", "C") +
                               StructureBlock("second", "NO"));
  EXPECT_EQ(ChosenName(file, "", "c1"), "first");
  EXPECT_EQ(ChosenName(file, "", "Ni1"), "first");  // in no block: the first with a structure
  EXPECT_EQ(ChosenName(file, "", "N1"), "second");
  EXPECT_EQ(ChosenName(file, "", "O1_$2"), "second");
  EXPECT_EQ(ChosenName(file, "SECOND", "C1"), "second");
}

TEST(StructureBlocks, BlockChoiceMessages) {
  const TCifFile withStructure = Loaded("data_publ\n_a 1\n" + StructureBlock("s1", "C") + StructureBlock("s2", "C"));
  const TCifFile withoutStructure = Loaded("data_publ\n_a 1\n");
  const TCifFile empty = Loaded("# only a comment\n");
  EXPECT_EQ(FatalMessage([&] { ChooseBlock(empty, "", "C1"); }), "no data block found in the CIF.");
  EXPECT_EQ(FatalMessage([&] { ChooseBlock(withStructure, "nope", "C1"); }),
            "data block \"nope\" not found. Available: s1, s2");
  EXPECT_EQ(FatalMessage([&] { ChooseBlock(withStructure, "Publ", "C1"); }),
            "data block \"Publ\" contains no cell parameters and atom sites. Blocks with a structure: s1, s2");
  EXPECT_EQ(FatalMessage([&] { ChooseBlock(withoutStructure, "publ", "C1"); }),
            "data block \"publ\" contains no cell parameters and atom sites. Blocks with a structure: ");
  EXPECT_EQ(FatalMessage([&] { ChooseBlock(withoutStructure, "", "C1"); }),
            "no data block with cell parameters and atom sites found.");
}

TEST(StructureCell, CellReadsValuesSuAndDefaults) {
  const TCifFile file = Loaded("data_x\n_cell_length_a 10.5(2)\n_cell_length_b 11\n_cell_length_c 12.25(13)\n"
                               "_cell_angle_beta 101.5(3)\n_cell_angle_gamma ?\n");
  TStructure model;
  ReadCell(file.Block(0), model);
  EXPECT_DOUBLE_EQ(model.Cell.A, 10.5);
  EXPECT_NEAR(model.Cell.SuA, 0.2, 1e-12);
  EXPECT_NEAR(model.Cell.SuC, 0.13, 1e-12);
  EXPECT_EQ(model.Cell.SuB, 0);
  EXPECT_DOUBLE_EQ(model.Cell.Alpha, 90);
  EXPECT_DOUBLE_EQ(model.Cell.Beta, 101.5);
  EXPECT_DOUBLE_EQ(model.Cell.Gamma, 90);
  EXPECT_EQ(model.Cell.SuGamma, 0);
}

TEST(StructureCell, UnusableCellEndsTheRun) {
  const char* cells[] = {
      "_cell_length_a 10\n_cell_length_b ?\n_cell_length_c 5\n",
      "_cell_length_a 10\n_cell_length_b 5\n",
      "_cell_length_a -1\n_cell_length_b 5\n_cell_length_c 5\n",
      "_cell_length_a 10\n_cell_length_b 5\n_cell_length_c 5,5\n",
      // angles that close no cell: sin(gamma) = 0, or a flat cell
      "_cell_length_a 10\n_cell_length_b 5\n_cell_length_c 5\n_cell_angle_gamma 180\n",
      "_cell_length_a 10\n_cell_length_b 5\n_cell_length_c 5\n_cell_angle_alpha 0\n",
      "_cell_length_a 10\n_cell_length_b 5\n_cell_length_c 5\n_cell_angle_alpha 120\n"
      "_cell_angle_beta 120\n_cell_angle_gamma 120\n",
  };
  for (const char* cell : cells) {
    const TCifFile file = Loaded(std::string("data_x\n") + cell);
    TStructure model;
    EXPECT_EQ(FatalMessage([&] { ReadCell(file.Block(0), model); }), "cell parameters are missing or unusable.")
        << cell;
  }
}

TEST(StructureSymmetry, OperatorsAreNumberedWithoutGaps) {
  const TCifFile file = Loaded("data_x\nloop_\n_symmetry_equiv_pos_as_xyz\n'x,y,z'\nloop_\n_space_group_symop_id\n"
                               "_space_group_symop_operation_xyz\n1 'x, y, z'\n2 ?\n3 'x+1/0,y,z'\n4 '-x+1/2,y,-z'\n");
  TStructure model;
  EXPECT_TRUE(ReadSymmetry(file.Block(0), model));
  ASSERT_EQ(model.SymOps.size(), 2u);  // the later loop: its tag is preferred
  EXPECT_EQ(model.SymOps[1].OpNum, 2);
  EXPECT_EQ(model.SymOps[1].Code, "2_555");
  EXPECT_EQ(model.SymOps[1].Rot[0][0], -1);
  EXPECT_DOUBLE_EQ(model.SymOps[1].Trans[0], 0.5);
}

TEST(StructureSymmetry, NoUsableOperatorGivesTheIdentity) {
  for (const char* text : {"data_x\n_a 1\n", "data_x\nloop_ _symmetry_equiv_pos_as_xyz ? .\n",
                           "data_x\nloop_ _space_group_symop.operation_xyz 'x+1/0,y,z'\n"}) {
    TStructure model;
    EXPECT_FALSE(ReadSymmetry(Loaded(text).Block(0), model)) << text;
    ASSERT_EQ(model.SymOps.size(), 1u);
    EXPECT_EQ(model.SymOps[0].Code, "1_555");
  }
}

TEST(StructureSymmetry, SpaceGroupNameIsTheFirstGivenTrimmed) {
  EXPECT_EQ(SpaceGroupName(Loaded("data_x\n_space_group_name_H-M_alt ?\n_symmetry_space_group_name_Hall"
                                  " '  -C 2yc '\n_space_group.name_Hall 'P 1'\n").Block(0)),
            "-C 2yc");
  EXPECT_EQ(SpaceGroupName(Loaded("data_x\n_cell_length_a 1\n").Block(0)), "");
}

TEST(StructureAtoms, RowsGiveAtomsWithElementsAndOccupancies) {
  const TCifFile file = Loaded(
      "data_x\nloop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
      "_atom_site_fract_z\n_atom_site_occupancy\n"
      "Cu1 Cu1+ 0.1(2) 0.2 0.3(1) 0.5(2)\n"
      "O1 O ? 0.2 0.3 1\n"
      "CL3 . .5 0.5 0.5 x\n"
      "N1 2N 0.25 0.25 0.25 .\n");
  TStructure model;
  ReadAtomSites(file.Block(0), model);
  ASSERT_EQ(model.Atoms.size(), 3u);
  EXPECT_EQ(model.Atoms[0].Element, "Cu");
  EXPECT_NEAR(model.Atoms[0].SuX, 0.2, 1e-12);
  EXPECT_NEAR(model.Atoms[0].SuZ, 0.1, 1e-12);
  EXPECT_DOUBLE_EQ(model.Atoms[0].Occ, 0.5);
  EXPECT_EQ(model.Atoms[1].Label, "CL3");
  EXPECT_EQ(model.Atoms[1].Element, "CL");
  EXPECT_DOUBLE_EQ(model.Atoms[1].Occ, 1.0);
  EXPECT_EQ(model.Atoms[2].Element, "N");
  ASSERT_EQ(model.FracCoords.size(), 3u);
  EXPECT_DOUBLE_EQ(model.FracCoords[1][0], 0.5);
  EXPECT_NEAR(model.FracSu[0][2], 0.1, 1e-12);
}

TEST(StructureAtoms, AtomSiteMessages) {
  const std::pair<const char*, const char*> cases[] = {
      {"data_x\n_cell_length_a 1\n", "no _atom_site loop found in the CIF."},
      {"data_x\nloop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y C1 0 0\n",
       "fractional coordinates are missing in the _atom_site loop."},
      {"data_x\nloop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y _atom_site_fract_z C1 ? 0 0\n",
       "no atoms with coordinates found."},
  };
  for (const auto& [text, message] : cases) {
    TStructure model;
    const TCifFile file = Loaded(text);
    EXPECT_EQ(FatalMessage([&] { ReadAtomSites(file.Block(0), model); }), message);
  }
}

TEST(StructureAtoms, RealCifWithoutLeadingZerosReadsItsAtoms) {
  const std::string path = RealDataFile("cif/cod2001508_Cu_primes.cif");
  if (path.empty()) GTEST_SKIP() << "no real data";
  TCifFile file;
  std::string error;
  ASSERT_TRUE(file.LoadFromFile(path, error)) << error;
  const TCifBlock& block = ChooseBlock(file, "", "Cu");
  TStructure model;
  ReadCell(block, model);
  EXPECT_FALSE(ReadSymmetry(block, model));
  EXPECT_EQ(SpaceGroupName(block), "C 1 2/c 1");
  ReadAtomSites(block, model);
  EXPECT_GT(model.Atoms.size(), 5u);
}

}  // namespace
