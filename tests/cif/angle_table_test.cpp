#include <gtest/gtest.h>

#include <string>

#include "model/structure.h"
#include "io/cif.h"

namespace {

std::vector<TCifAngle> AngleTable(const std::string& loop) {
  TCifFile file;
  file.LoadFromText("data_x\n" + loop);
  TStructure model;
  model.CifAngles.push_back(TCifAngle{});  // emptied by the reader
  ReadAngleTable(file.Block(0), model);
  return model.CifAngles;
}

const char* const kWithCodes =
    "loop_\n_geom_angle_atom_site_label_1\n_geom_angle_atom_site_label_2\n_geom_angle_atom_site_label_3\n"
    "_geom_angle\n_geom_angle_site_symmetry_1\n_geom_angle_site_symmetry_3\n_geom_angle_site_symmetry_2\n"
    "P1 Ni1 P2 92.5(1) . . .\n"
    "O1 Ni1 O1 180.0 . 2_665 ?\n"
    "Cl1 Ni1 Cl2 ? . . .\n"
    "N1 Ni1 N2 88.1(3) 3 ' 4 ' .\n"
    "N1 Ni1 N2 77.7(1) 1_555 1_555 1_555\n"
    "N2 Ni1 N1 99.9(1) . . .\n";

struct TLookup {
  const char* A;
  const char* CodeA;
  const char* B;
  const char* CodeB;
  bool Found;
  double Angle;
};

TEST(CifAngleTable, RowsAreReadWithNormalisedCodes) {
  const std::vector<TCifAngle> table = AngleTable(kWithCodes);
  ASSERT_EQ(table.size(), 5u);  // the "?" angle is no row
  EXPECT_EQ(table[0].Sym1, "1_555");
  EXPECT_NEAR(table[0].Su, 0.1, 1e-12);
  EXPECT_TRUE(table[0].HasSu);
  EXPECT_FALSE(table[1].HasSu);
  EXPECT_EQ(table[1].Sym2, "1_555");
  EXPECT_EQ(table[1].Sym3, "2_665");
  EXPECT_EQ(table[2].Sym1, "3_555");
  EXPECT_EQ(table[2].Sym3, "4_555");
}

TEST(CifAngleTable, LookupMatchesLabelsIgnoringCaseAndCodesExactly) {
  const std::vector<TCifAngle> table = AngleTable(kWithCodes);
  const TLookup cases[] = {
      {"P1", "1_555", "P2", "1_555", true, 92.5},
      {"p2", "1_555", "P1", "1_555", true, 92.5},       // reverse sense, any case
      {"O1", "1_555", "O1", "2_665", true, 180.0},
      {"O1", "2_665", "O1", "1_555", true, 180.0},
      {"O1", "1_555", "O1", "1_555", false, 0},
      {"Cl1", "1_555", "Cl2", "1_555", false, 0},      // its angle was "?"
      {"N1", "3_555", "N2", "4_555", true, 88.1},
      {"N1", "1_555", "N2", "1_555", true, 77.7},      // first matching row wins
      {"P1", "1_555", "P2", "1_556", false, 0},
  };
  for (const TLookup& c : cases) {
    double angle = -1, su = -1;
    EXPECT_EQ(FindCifAngle(table, "NI1", "1_555", c.A, c.CodeA, c.B, c.CodeB, angle, su), c.Found)
        << c.A << " " << c.CodeA << " " << c.B << " " << c.CodeB;
    EXPECT_DOUBLE_EQ(angle, c.Angle);
    if (!c.Found) {
      EXPECT_EQ(su, 0);
    }
  }
  double angle = 0, su = 0;
  EXPECT_FALSE(FindCifAngle(table, "Ni1", "2_555", "N1", "1_555", "N2", "1_555", angle, su));
}

TEST(CifAngleTable, MissingSiteColumnsMeanTheIdentitySite) {
  const std::vector<TCifAngle> table = AngleTable(
      "loop_ _geom_angle_atom_site_label_1 _geom_angle_atom_site_label_2 _geom_angle_atom_site_label_3"
      " _geom_angle\nO1 Cu1 O2 90.1(2)\n");
  ASSERT_EQ(table.size(), 1u);
  double angle = 0, su = 0;
  EXPECT_TRUE(FindCifAngle(table, "Cu1", "1_555", "O2", "1_555", "O1", "1_555", angle, su));
  EXPECT_FALSE(FindCifAngle(table, "Cu1", "1_555", "O2", "2_555", "O1", "1_555", angle, su));
}

TEST(CifAngleTable, AMissingLabelOrValueColumnGivesAnEmptyTable) {
  EXPECT_TRUE(AngleTable("loop_ _geom_angle_atom_site_label_1 _geom_angle_atom_site_label_2 _geom_angle"
                         " O1 Cu1 90\n").empty());
  EXPECT_TRUE(AngleTable("loop_ _geom_angle_atom_site_label_1 _geom_angle_atom_site_label_2"
                         " _geom_angle_atom_site_label_3 O1 Cu1 O2\n").empty());
  EXPECT_TRUE(AngleTable("_a 1\n").empty());
}

}  // namespace
