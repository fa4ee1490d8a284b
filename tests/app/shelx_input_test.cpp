#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "output/capture.h"
#include "model/from_shelx.h"
#include "model/structure.h"
#include "support/test_support.h"
#include "base/text.h"
#include "output/report.h"

namespace {

// A slightly distorted square-planar Ni complex in P1 (10 A cubic cell) and
// its matrix (N4's z is fixed, so no matrix parameter); square_n1_moved.res
// has N1.x at 0.701 instead of 0.7, square_damaged.mat only 7 coefficients.
std::string SquareFile(const std::string& folder, const std::string& name, const std::string& data) {
  return WriteScratchFile(folder + "/" + name, ReadWholeFile(TestDataFile("shelx/" + data)));
}

std::string FatalMessageOf(const std::string& path) {
  TStructure model;
  TShelxInput shelx;
  try {
    LoadShelxInput(path, model, shelx);
  } catch (const TFatalError& error) {
    return error.Message;
  }
  return "";
}

}  // namespace

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
  const std::string path = SquareFile("good", "sq.res", "square.res");
  SquareFile("good", "sq.mat", "square.mat");
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

TEST(ShelxInput, FailuresEndTheRunWithTheirMessages) {
  const std::string mismatch =
      " - 1 coordinate(s) differ from the matrix file; the largest is N1.x by 0.00100, i.e. 5 esd.";
  const std::string insPath = SquareFile("ins", "sq.ins", "square_n1_moved.res");
  SquareFile("ins", "sq.mat", "square.mat");
  EXPECT_EQ(FatalMessageOf(insPath),
            "sq.mat does not belong to sq.ins" + mismatch +
                " An .ins is the input of a refinement, while the .mat is written by it; the two "
                "only match if the .ins is a copy of that run's .res. Use the .res, or remove the "
                ".mat to get the result without su.");
  const std::string resPath = SquareFile("res", "SQ.RES", "square_n1_moved.res");
  SquareFile("res", "SQ.mat", "square.mat");
  EXPECT_EQ(FatalMessageOf(resPath),
            "SQ.mat does not belong to SQ.RES" + mismatch +
                " Both files must come from the same refinement run; remove the .mat to get the "
                "result without su.");
  const std::string damaged = SquareFile("damaged", "sq.res", "square.res");
  const std::string damagedMat = SquareFile("damaged", "sq.mat", "square_damaged.mat");
  EXPECT_EQ(FatalMessageOf(damaged),
            damagedMat + ": expected 120 correlation elements, found 7.");
  const std::string noCell = WriteScratchFile("nocell/x.res", "SFAC C\nC1 1 0 0 0\n");
  EXPECT_EQ(FatalMessageOf(noCell), "no CELL card found in " + noCell + ".");
}

TEST(ShelxNotes, WarningBlockAndMatrixLine) {
  std::ostringstream console;
  {
    TReport report(console);
    TInputSummary input;
    input.Kind = TInputKind::Shelx;
    input.InputPath = "/data/run/abc.ins";
    PrintSuSourceLines(report, input);
    input.MatrixLoaded = true;
    input.MatrixFileName = "abc.mat";
    input.MatrixParamCount = 297;
    PrintSuSourceLines(report, input);
  }
  const std::string e(kLineEnd);
  EXPECT_EQ(console.str(),
            e + "*** WARNING - no standard uncertainties ***" + e +
                "The geometry was taken from a SHELX INS file. Such files store" + e +
                "only the refined parameters themselves, not their standard" + e +
                "uncertainties: the su of the coordinates come from the inverse" + e +
                "least-squares matrix, which SHELXL writes to the .lst file and to" + e +
                "the CIF, but not to res/ins. Only the cell esds (ZERR) are present," + e +
                "and they contribute so little to a bond angle that propagating them" + e +
                "alone would understate the true uncertainty by orders of magnitude." + e +
                "All values below are therefore given without su. To get them, put the" + e +
                "SHELXL matrix file abc.mat beside this one - it holds the full" + e +
                "variance-covariance matrix - or run Vexorin on the CIF instead." + e +
                "Matrix file  : abc.mat  (297 refined parameters)" + e);
}
