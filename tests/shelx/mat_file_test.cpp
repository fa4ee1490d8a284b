#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "io/shelx_matrix.h"
#include "io/shelx.h"

namespace {

// One coefficient right-aligned in its 8 columns, as SHELXL writes them.
std::string Field(double value) {
  std::string text = PrintfFixed(value, 5);
  return std::string(text.size() < 8 ? 8 - text.size() : 0, ' ') + text;
}

std::string IdentityCorrelation(int n) {
  std::string text;
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) text += Field(i == j ? 1.0 : 0.0);
  return text + "\n";
}

std::string MatText(int n, const std::string& list, const std::string& corr) {
  return "\n title line\n\n    " + std::to_string(n) + " Parameters refined in final cycle\n\n" +
         list + "\n  " + std::to_string(n * (n + 1) / 2) +
         " Correlation matrix elements follow as upper triangular matrix\n\n" + corr;
}

// What a load gives: the parameter count, each coordinate parameter as
// "atom.axis pN value esd", and the correlation coefficients (their count
// beyond six); or the message of a failure, the file named F.
std::vector<std::string> LoadDump(const std::string& text) {
  TMatFile mat;
  std::string error;
  if (!mat.LoadText(text, "F", error)) return {error};
  std::vector<std::string> dump{std::to_string(mat.ParamCount) + " parameters"};
  for (int k = 0; k < mat.CoordCount; ++k) {
    const int p = mat.CoordParam[k];
    dump.push_back(std::string(mat.CoordAtom[k]).append(".").append(1, "xyz"[mat.CoordAxis[k]]).append(" p")
                       .append(std::to_string(p)).append(" ").append(ShortestText(mat.ParamValue(p))).append(" esd ")
                       .append(ShortestText(mat.ParamEsd(p))));
  }
  std::string corr = "correlation";
  if (mat.Corr.size() > 6) corr.append(" ").append(std::to_string(mat.Corr.size())).append(" coefficients");
  else
    for (float c : mat.Corr) corr.append(" ").append(ShortestText(c));
  dump.push_back(corr);
  return dump;
}

TMatFile LoadText(const std::string& text) {
  TMatFile mat;
  std::string error;
  EXPECT_TRUE(mat.LoadText(text, "F", error)) << error;
  return mat;
}

}  // namespace

TEST(MatFile, LoadsWhatTheFileMeans) {
  const std::string list =
      "  1  0.5000 0.0100 0.0 OSF\n"
      "  2  0.1000 0.0010 0.0 X Fe1\n"  // X is a parameter but not a coordinate
      "  3  0.0200 0.0030 0.0 U11 Fe1\n"
      "  4  0.3000 0.0040 0.0\n"        // four tokens: not a list line
      "  5  0.4000 x 0.0 y C1^a\n"      // the esd token does not parse
      "  12 0.2345 0.0003 0.1 x Fe1\n"
      "  12 0.2345 0.0003 0.1 z\n";
  const std::string line = Field(1.0) + Field(0.1234) + Field(-0.0567);
  const std::string corr = " Correlation matrix\n" + Field(1.0) + "\n";
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {MatText(12, list, IdentityCorrelation(12)),
       {"12 parameters", "C1.y p4 0.4 esd 0", "Fe1.x p11 0.2345 esd 0.0003", "correlation 78 coefficients"}},
      // A coordinate parameter beyond the announced count is not one.
      {MatText(11, list, IdentityCorrelation(11)), {"11 parameters", "C1.y p4 0.4 esd 0", "correlation 66 coefficients"}},
      // Correlation fields are eight columns wide; fields beyond the count are ignored, even malformed ones.
      {MatText(2, "", line + "\n"), {"2 parameters", "correlation 1 0.1234 -0.0567"}},
      {MatText(2, "", line + " garbage\n garbage\n"), {"2 parameters", "correlation 1 0.1234 -0.0567"}},
      {MatText(2, "", line.substr(0, 20) + "\n"), {"F: expected 3 correlation elements, found 2."}},
      // A malformed field stops the read.
      {MatText(2, "", Field(1.0) + "        " + Field(1.0) + "\n"), {"malformed correlation value \"\" in F."}},
      {MatText(2, "", Field(1.0) + " 1.0e999" + Field(1.0) + "\n"), {"malformed correlation value \"1.0e999\" in F."}},
      // A second count line and coordinates beyond the count are ignored.
      {MatText(2, " 1 0.1 0.01 0 x A\n   7 Parameters refined\n 2 0.2 0.01 0 y A\n 2 0.2 0.01 0 z A\n",
               IdentityCorrelation(2)),
       {"2 parameters", "A.x p0 0.1 esd 0.01", "A.y p1 0.2 esd 0.01", "correlation 1 0 1"}},
      {"\xEF\xBB\xBF    1 Parameters refined\n Correlation matrix\n" + Field(1.0) + "\r\n", {"1 parameters", "correlation 1"}},
      {"nothing here\n" + corr, {"F contains no parameter list."}},
      {corr + "    1 Parameters refined\n", {"F contains no parameter list."}},
      {"    x Parameters refined\n" + corr, {"cannot read the parameter count from F."}},
      {"Parameters refined\n" + corr, {"cannot read the parameter count from F."}},
      {"    0 Parameters refined\n" + corr, {"cannot read the parameter count from F."}},
      {"  3e10 Parameters refined\n" + corr, {"cannot read the parameter count from F."}},
      {"    1 Parameters refined\n", {"F contains no correlation matrix."}},
      {MatText(3, "", Field(1.0) + Field(0) + Field(0) + Field(1) + Field(0) + "\n"),
       {"F: expected 6 correlation elements, found 5."}},
      // A huge announced count needs no memory and counts in 64 bits.
      {"  1000000000 Parameters refined\n Correlation matrix\n" + Field(1.0) + "\n",
       {"F: expected 500000000500000000 correlation elements, found 1."}},
      {"  65536 Parameters refined\n 1 0.5 0.1 0 x C1\n Correlation matrix\n" + Field(1.0) + "\n",
       {"F: expected 2147516416 correlation elements, found 1."}},
  };
  for (const auto& [text, dump] : cases) EXPECT_EQ(LoadDump(text), dump) << text;
  const TMatFile mat = LoadText(MatText(12, list, IdentityCorrelation(12)));
  EXPECT_EQ(mat.ParamEsd(1), 0.001);
  EXPECT_EQ(mat.ParamValue(3), 0.0);
}

TEST(MatFile, MissingFileIsNamed) {
  TMatFile mat;
  std::string error;
  EXPECT_FALSE(mat.Load(ScratchDir() + "/none.mat", error));
  EXPECT_EQ(error, "matrix file not found: " + ScratchDir() + "/none.mat");
}

TEST(MatCovariance, PackedUpperTriangleScaledByTheEsds) {
  const std::string list =
      " 1 0.1 0.1 0 x A\n"
      " 2 0.2 0.2 0 y A\n"
      " 3 0.3 0.5 0 z A\n";
  // (1,1) (1,2) (1,3) (2,2) (2,3) (3,3)
  const std::string corr = Field(1) + Field(0.2) + Field(0.3) + Field(1) + Field(0.5) + Field(1);
  const TMatFile mat = LoadText(MatText(3, list, corr + "\n"));
  EXPECT_EQ(PackedIndex(2, 0, 3), 2);
  EXPECT_EQ(PackedIndex(1, 2, 3), 4);
  EXPECT_DOUBLE_EQ(mat.Covariance(2, 0), double(0.3f) * 0.5 * 0.1);
  EXPECT_DOUBLE_EQ(mat.Covariance(0, 2), mat.Covariance(2, 0));
  EXPECT_DOUBLE_EQ(mat.Covariance(1, 2), double(0.5f) * 0.2 * 0.5);
  EXPECT_DOUBLE_EQ(mat.Covariance(2, 2), 0.25);
  EXPECT_EQ(mat.Covariance(-1, 0), 0.0);
  EXPECT_EQ(mat.Covariance(0, 3), 0.0);
  EXPECT_EQ(PackedIndex(65535, 65535, 65536), 2147516415);
}

TEST(MatCovariance, ParamIndexComesFromTheCoordinateCheck) {
  TMatFile mat = LoadText(MatText(2, " 1 0.1 0.01 0 x A\n 2 0.2 0.01 0 z A\n", IdentityCorrelation(2)));
  EXPECT_EQ(mat.ParamIndex(0, 0), -1);  // not checked yet
  int matched = 0;
  std::string error;
  ASSERT_TRUE(mat.CheckCoordinates({"B", "a"}, {{0, 0, 0}, {0.1, 0.5, 0.2}}, matched, error))
      << error;
  EXPECT_EQ(matched, 1);
  EXPECT_EQ(mat.ParamIndex(1, 0), 0);
  EXPECT_EQ(mat.ParamIndex(1, 1), -1);
  EXPECT_EQ(mat.ParamIndex(1, 2), 1);
  EXPECT_EQ(mat.ParamIndex(0, 0), -1);
  EXPECT_EQ(mat.ParamIndex(1, 3), -1);
  EXPECT_EQ(mat.ParamIndex(2, 0), -1);
  EXPECT_EQ(mat.ParamIndex(-1, 0), -1);
}

namespace {

// Fe1 x, y, z and C1 x, y with known values and esds.
TMatFile CheckedMatrix(double fe1xEsd) {
  const std::string list =
      " 1 0.5000 0.01 0 OSF\n"
      " 2 0.1000 " + PrintfFixed(fe1xEsd, 5) + " 0 x FE1\n"
      " 3 0.2000 0.0002 0 y FE1\n"
      " 4 0.3000 0.0002 0 z FE1\n"
      " 5 0.4000 0.0002 0 x C1^a\n"
      " 6 0.5000 0.0002 0 y C1^a\n";
  return LoadText(MatText(6, list, IdentityCorrelation(6)));
}

struct TCheck {
  bool Ok;
  int Matched;
  std::string Error;
};

TCheck Check(TMatFile mat, const std::vector<std::string>& labels, const std::vector<TVec3>& xyz) {
  TCheck result{false, -1, ""};
  result.Ok = mat.CheckCoordinates(labels, xyz, result.Matched, result.Error);
  return result;
}

}  // namespace

TEST(MatCheck, CoordinatesThatAgreePass) {
  const TMatFile mat = CheckedMatrix(0.0001);
  // Deviations of 0.0001 or less do not count; H1 has no parameters.
  TCheck c = Check(mat, {"Fe1", "C1", "H1"},
                   {{0.1001, 0.2, 0.2999}, {0.4, 0.5, 0.77}, {0.9, 0.9, 0.9}});
  EXPECT_TRUE(c.Ok) << c.Error;
  EXPECT_EQ(c.Matched, 2);
  c = Check(mat, {"C1", "c1"}, {{0.4, 0.5, 0}, {0.4, 0.5, 0}});  // both get C1's parameters
  EXPECT_TRUE(c.Ok) << c.Error;
  EXPECT_EQ(c.Matched, 2);
  c = Check(mat, {"N1", "O1"}, {{0, 0, 0}, {0, 0, 0}});
  EXPECT_FALSE(c.Ok);
  EXPECT_EQ(c.Matched, 0);
  EXPECT_EQ(c.Error, "no atom of the structure appears in the matrix file.");
}

TEST(MatCheck, LargestDeviationIsNamedWithItsEsd) {
  const std::vector<TVec3> xyz{{0.1012, 0.2008, 0.3}, {0.4, 0.5004, 0}};
  TCheck c = Check(CheckedMatrix(0.0001), {"Fe1", "C1"}, xyz);
  EXPECT_FALSE(c.Ok);
  EXPECT_EQ(c.Error,
            "3 coordinate(s) differ from the matrix file; the largest is Fe1.x by 0.00120, "
            "i.e. 12 esd.");
  c = Check(CheckedMatrix(0), {"Fe1", "C1"}, xyz);
  EXPECT_EQ(c.Error, "3 coordinate(s) differ from the matrix file; the largest is Fe1.x by 0.00120.");
  // Equal deviations: the first in atom and axis order is named.
  c = Check(CheckedMatrix(0.0001), {"c1", "C1"}, {{0.4, 0.503, 0}, {0.4, 0.503, 0}});
  EXPECT_EQ(c.Error,
            "2 coordinate(s) differ from the matrix file; the largest is c1.y by 0.00300, "
            "i.e. 15 esd.");
}

TEST(MatNumbers, FixedDecimalsAsPrintfWritesThem) {
  EXPECT_EQ(PrintfFixed(0.5, 0), "0");
  EXPECT_EQ(PrintfFixed(1.5, 0), "2");
  EXPECT_EQ(PrintfFixed(2.5, 0), "2");
  EXPECT_EQ(PrintfFixed(12.4999, 0), "12");
  EXPECT_EQ(PrintfFixed(0.0012, 5), "0.00120");
  EXPECT_EQ(PrintfFixed(0.000015, 5), "0.00002");  // binary value lies above the half
  EXPECT_EQ(PrintfFixed(1e20, 0), "100000000000000000000");
}

TEST(MatRealFiles, GenuineMatrixFilesLoadAndCheck) {
  const std::string mat = RealDataFile("mat/dom1_mC.mat");
  const std::string res = RealDataFile("shelx/dom1_mC.res");
  if (mat.empty() || res.empty()) GTEST_SKIP() << "no real data";
  TMatFile matrix;
  std::string error;
  ASSERT_TRUE(matrix.Load(mat, error)) << error;
  EXPECT_EQ(matrix.ParamCount, 35);
  EXPECT_EQ(matrix.Corr.size(), 630u);
  EXPECT_EQ(matrix.CoordCount, 10);
  EXPECT_NEAR(matrix.Covariance(0, 0), 0.01969 * 0.01969, 1e-12);

  for (const char* name : {"dom1_mC.res", "dom1_mC.ins"}) {
    TShelxData data;
    ASSERT_TRUE(ReadShelxFile(RealDataFile(std::string("shelx/") + name), data, error)) << error;
    std::vector<std::string> labels;
    std::vector<TVec3> xyz;
    for (const TShelxAtom& atom : data.Atoms) {
      labels.push_back(atom.Name);
      xyz.push_back(atom.Frac);
    }
    int matched = 0;
    const bool ok = matrix.CheckCoordinates(labels, xyz, matched, error);
    if (std::string(name) == "dom1_mC.res") {
      EXPECT_TRUE(ok) << error;
      EXPECT_EQ(matched, 5);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(error,
                "9 coordinate(s) differ from the matrix file; the largest is Cl03.z by 0.00066, "
                "i.e. 1 esd.");
    }
  }
}

TEST(MatRealFiles, LargeMatrixOfAnotherRefinement) {
  const std::string mat = RealDataFile("mat/sucrose.mat");
  const std::string res = RealDataFile("shelx/sucrose.res");
  if (mat.empty() || res.empty()) GTEST_SKIP() << "no real data";
  TMatFile matrix;
  std::string error;
  ASSERT_TRUE(matrix.Load(mat, error)) << error;
  EXPECT_EQ(matrix.ParamCount, 297);
  EXPECT_EQ(matrix.Corr.size(), 44253u);
  TShelxData data;
  ASSERT_TRUE(ReadShelxFile(res, data, error)) << error;
  std::vector<std::string> labels;
  std::vector<TVec3> xyz;
  for (const TShelxAtom& atom : data.Atoms) {
    labels.push_back(atom.Name);
    xyz.push_back(atom.Frac);
  }
  int matched = 0;
  EXPECT_FALSE(matrix.CheckCoordinates(labels, xyz, matched, error));
  EXPECT_EQ(error,
            "126 coordinate(s) differ from the matrix file; the largest is H00B.y by 0.02207, "
            "i.e. 4 esd.");
}
