#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "output/capture.h"
#include "model/from_xyz.h"
#include "support/test_support.h"
#include "base/text.h"
#include "output/report.h"

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

TEST(XyzInput, ReaderFailureEndsTheRunWithItsMessage) {
  const std::string path = WriteScratchFile("short.xyz", "3\n\nC 0 0 0\n");
  TStructure model;
  TXyzInput xyz;
  try {
    LoadXyzInput(path, TXyzNaming::Olex, model, xyz);
    FAIL() << "no error";
  } catch (const TFatalError& error) {
    EXPECT_EQ(error.Message, path + ": 3 atoms announced, only 1 found.");
  }
}

TEST(XyzNamingNote, UsesThePlatformLineEndAndNamesOtherSchemesOnlyForUnlabelledFiles) {
  const std::string e(kLineEnd);
  TXyzInput xyz;
  EXPECT_EQ(XyzNamingNote(xyz), "");
  xyz.StructureCount = 1;
  xyz.Naming = TXyzNaming::Element;
  EXPECT_EQ(XyzNamingNote(xyz),
            e + "       XYZ atom names: element + number per element (C1, H1, H2, ...)." + e +
                "       Other schemes: xyznames=olex (as Olex2), xyznames=position" + e +
                "       (first atom = 1), xyznames=element (C1, H1, H2, ...).");
  xyz.HasLabels = true;
  EXPECT_EQ(XyzNamingNote(xyz), e + "       XYZ atom names: as given in the file.");
}

TEST(XyzNamingText, DefaultIsTheOlexScheme) {
  EXPECT_EQ(XyzNamingText(TXyzInput{}),
            "element + line in the file counted from 0, as in Olex2 (first atom = line 2)");
}

TEST(XyzWarning, EmptyLineThenFiveLines) {
  std::ostringstream console;
  {
    TReport report(console);
    TInputSummary input;
    input.Kind = TInputKind::Xyz;
    PrintSuSourceLines(report, input);
  }
  const std::string e(kLineEnd);
  EXPECT_EQ(console.str(),
            e + "*** WARNING - no standard uncertainties ***" + e +
                "The geometry was taken from an XYZ file. Such a file holds Cartesian" + e +
                "coordinates only - no cell, no symmetry and no standard uncertainties" + e +
                "(a calculated structure has none in the crystallographic sense)." + e +
                "All values below are therefore given without su." + e);
}
