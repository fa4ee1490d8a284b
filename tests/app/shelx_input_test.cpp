#include <gtest/gtest.h>

#include <string>

#include "model/from_shelx.h"
#include "model/structure.h"
#include "support/test_support.h"

TEST(ShelxInput, ModelMappingAndChemicalOccupancy) {
  const std::string path = WriteScratchFile("occ/model.res",
                                            "TITL occupancy\n"
                                            "CELL 0.71073 10 11 12 90 90 90\n"
                                            "ZERR 1 0.001 0.002 0.003 0 0 0\n"
                                            "LATT 1\nSYMM -X,Y,-Z\nSYMM -X,Y,-Z\n"
                                            "SFAC C FE\nFVAR 1.0 0.6\n"
                                            "Fe1 2 0 0 0 10.25\n"   // 2/m: order 4
                                            "C1 1 0.1 0.5 0.3 10.5\n"  // mirror: order 2
                                            "C2 1 0.1 0.2 0.3 21.0\n");
  TStructure model;
  model.CifAngles.resize(2);
  TShelxInput shelx;
  LoadShelxInput(path, model, shelx);
  EXPECT_EQ(shelx.Title, "occupancy");
  EXPECT_FALSE(shelx.SuAvailable);
  EXPECT_FALSE(shelx.MatrixLoaded);
  EXPECT_EQ(shelx.MatrixFileName, "model.mat");
  EXPECT_EQ(model.Cell.SuC, 0.003);
  ASSERT_EQ(model.SymOps.size(), 6u);  // the repeated SYMM card stays in the list
  EXPECT_EQ(model.SymOps[5].Code, "6_555");
  EXPECT_TRUE(model.CifAngles.empty());
  ASSERT_EQ(model.Atoms.size(), 3u);
  EXPECT_EQ(model.Atoms[0].Label, "Fe1");
  EXPECT_EQ(model.Atoms[0].Element, "Fe");
  EXPECT_DOUBLE_EQ(model.Atoms[0].Occ, 1.0);
  EXPECT_DOUBLE_EQ(model.Atoms[1].Occ, 1.0);
  EXPECT_DOUBLE_EQ(model.Atoms[2].Occ, 0.6);
  EXPECT_DOUBLE_EQ(model.Atoms[1].Y, 0.5);
  ASSERT_EQ(model.FracCoords.size(), 3u);
  EXPECT_DOUBLE_EQ(model.FracCoords[2][1], 0.2);
  ASSERT_EQ(model.FracSu.size(), 3u);
  EXPECT_EQ(model.FracSu[2][0], 0.0);
}

TEST(ShelxInput, MatrixIsLoadedWhenItBelongs) {
  // The square-planar Ni complex of the whole-run cases; N4's z is fixed.
  const std::string path = TestDataFile("runs/ShelxReport/mat/sq.res");
  TStructure model;
  TShelxInput shelx;
  LoadShelxInput(path, model, shelx);
  EXPECT_TRUE(shelx.SuAvailable);
  EXPECT_TRUE(shelx.MatrixLoaded);
  EXPECT_EQ(shelx.ParamCount, 15);
  ASSERT_NE(shelx.Matrix, nullptr);
  EXPECT_EQ(shelx.Matrix->ParamIndex(4, 2), -1);
  EXPECT_EQ(shelx.Matrix->ParamIndex(4, 1), 14);
}
