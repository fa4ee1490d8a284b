// The model an XYZ file gives (its messages and notes are whole-run cases).
#include <gtest/gtest.h>

#include <string>

#include "model/from_xyz.h"
#include "support/test_support.h"

TEST(XyzInput, ModelIsACubicPlaceholderCellWithoutSu) {
  const std::string path = WriteScratchFile("load.xyz", "2\n  Ni(CO)  \nNi 0 0 0\nC 1.5 -2 2500\n");
  TStructure model;
  model.CifAngles.resize(3);
  TXyzInput xyz;
  LoadXyzInput(path, TXyzNaming::Position, model, xyz);
  EXPECT_EQ(model.Cell.B, 10000.0);
  EXPECT_EQ(model.Cell.Gamma, 90.0);
  ASSERT_EQ(model.SymOps.size(), 1u);
  EXPECT_EQ(model.SymOps[0].Code, "1_555");
  EXPECT_TRUE(model.CifAngles.empty());
  ASSERT_EQ(model.Atoms.size(), 2u);
  const TAtom& c = model.Atoms[1];
  EXPECT_EQ(c.Label, "C2");
  EXPECT_EQ(c.Element, "C");
  EXPECT_DOUBLE_EQ(c.Z, 0.25);
  EXPECT_EQ(c.Occ, 1.0);
  ASSERT_EQ(model.FracSu.size(), 2u);
  EXPECT_DOUBLE_EQ(model.FracCoords[1][0], 1.5e-4);
  EXPECT_EQ(model.FracSu[1][2], 0.0);
  EXPECT_EQ(xyz.Comment, "Ni(CO)");
  EXPECT_EQ(xyz.StructureCount, 1);
  EXPECT_EQ(xyz.AtomCount, 2);
}
