#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "io/shelx.h"

namespace {

const char* const kHeader =
    "TITL test in P-1\n"
    "CELL 0.71073 10.0 11.0 12.0 90 100 90\n"
    "ZERR 2 0.001 0.002 0.003 0 0.01 0\n"
    "SFAC C N FE\n";

struct TReadResult {
  bool Ok = false;
  TShelxData Data;
  std::string Error;
};

}  // namespace

TEST(ShelxDecode, FreeVariableCoding) {
  const std::vector<double> fv{1.0, 0.6};
  struct TCase {
    double Written;
    double Decoded;
  };
  const TCase cases[] = {
      {0.25, 0.25},  {-4.99, -4.99}, {10.5, 0.5}, {-11.0, -1.0}, {11.0, 1.0}, {21.0, 0.6},
      {-21.0, 0.4},  {20.5, 0.3},    {31.0, 1.0}, {-31.0, -1.0},  {10.25, 0.25},
      {-5.0, -5.0},  // m = 0 names no free variable: kept as written
      {5.0, -5.0},   // m = 1: fixed value 5 - 10
  };
  for (const TCase& c : cases)
    EXPECT_NEAR(DecodeShelxValue(c.Written, fv), c.Decoded, 1e-12) << c.Written;
}

TEST(ShelxDecode, HugeValuesNeverIndexTheFreeVariables) {
  const std::vector<double> fv{1.0, 0.5};
  EXPECT_TRUE(std::isfinite(DecodeShelxValue(1e300, fv)));
  EXPECT_TRUE(std::isfinite(DecodeShelxValue(-1e300, fv)));
  EXPECT_TRUE(std::isfinite(DecodeShelxValue(2.5e10, fv)));
}

TEST(ShelxWrap, TranslationsReduceIntoTheUnitInterval) {
  EXPECT_EQ(WrapTranslation(1.25), 0.25);
  EXPECT_EQ(WrapTranslation(-0.25), 0.75);
  EXPECT_EQ(WrapTranslation(-1.5), 0.5);
  EXPECT_EQ(WrapTranslation(1.0), 0.0);
  EXPECT_EQ(WrapTranslation(-1e-12), 0.0);
  EXPECT_EQ(WrapTranslation(0.9999999999), 0.0);
}

TEST(ShelxSfac, ElementSymbolsAreNormalised) {
  EXPECT_EQ(SfacElement("fe"), "Fe");
  EXPECT_EQ(SfacElement("Fe2+"), "Fe");
  EXPECT_EQ(SfacElement("2H"), "");
}

namespace {

// What a read gives, a line each: title, cell, its su, the number of
// operations, then "name element x y z occupancy" for each atom.
std::vector<std::string> ReadDump(const std::string& text) {
  TShelxData d;
  std::string error;
  if (!ReadShelxText(text, "F", d, error)) return {error};
  const TCell& c = d.Cell;
  std::vector<std::string> dump{"TITL " + d.Title};
  std::string cell = "CELL", zerr = "ZERR";
  for (double v : {c.A, c.B, c.C, c.Alpha, c.Beta, c.Gamma}) cell.append(" ").append(ShortestText(v));
  for (double v : {c.SuA, c.SuB, c.SuC, c.SuAlpha, c.SuBeta, c.SuGamma}) zerr.append(" ").append(ShortestText(v));
  dump.push_back(cell);
  dump.push_back(zerr);
  dump.push_back(std::to_string(d.SymOps.size()) + " operations");
  for (const TShelxAtom& atom : d.Atoms) {
    std::string line = atom.Name + " " + atom.Element;
    for (double v : {atom.Frac[0], atom.Frac[1], atom.Frac[2], atom.Occ}) line.append(" ").append(ShortestText(v));
    dump.push_back(line);
  }
  return dump;
}

}  // namespace

TEST(ShelxReader, ReadsWhatTheFileMeans) {
  const std::string header = kHeader;
  const std::vector<std::string> headerDump{"TITL test in P-1", "CELL 10 11 12 90 100 90",
                                            "ZERR 0.001 0.002 0.003 0 0.01 0", "2 operations"};
  const std::string unit = "CELL 0.7 10 10 10 90 90 90\n";
  const std::vector<std::string> unitDump{"TITL ", "CELL 10 10 10 90 90 90", "ZERR 0 0 0 0 0 0", "2 operations"};
  auto with = [](std::vector<std::string> dump, const std::vector<std::string>& atoms) {
    dump.insert(dump.end(), atoms.begin(), atoms.end());
    return dump;
  };
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      // Free variables, fixed values and a negative occupancy.
      {header + "FVAR 1.0 0.6\nC1 1 10.25 0.5 0.12345 11.0 0.05\nN1 2 0.1 0.2 0.3 21.0 0.05\n"
                "N2 2 0.1 0.2 0.3 -21.0\nN3 2 0.1 0.2 0.3 31.0\nFe1 3 0.0 0.0 0.0 -10.5\nHKLF 4\nEND\n",
       with(headerDump, {"C1 C 0.25 0.5 0.12345 1", "N1 N 0.1 0.2 0.3 0.6", "N2 N 0.1 0.2 0.3 0.4",
                         "N3 N 0.1 0.2 0.3 1", "Fe1 Fe 0 0 0 0"})},
      // Atom lines that fail a condition are skipped; an overflowing sof does not parse.
      {header + "Q1 1 0.1 0.2 0.3 11.0 0.05\nQA1 1 0.1 0.2 0.3 11.0 0.05\nq12 1 0.1 0.2 0.3\nQ 1 0.1 0.2 0.3\n"
                "Q1A 1 0.1 0.2 0.3\nZero 0 0.1 0.2 0.3\nFour 4 0.1 0.2 0.3\nHuge 3e10 0.1 0.2 0.3\n"
                "Short 1 0.1 0.2\nBad 1 0.1 y 0.3\nTITLE 1 0.1 0.2 0.3\nAfix 1 0.1 0.2 0.3\nOk 3 0.1 0.2 0.3 1e999\n",
       with(headerDump, {"QA1 C 0.1 0.2 0.3 1", "Q C 0.1 0.2 0.3 1", "Q1A C 0.1 0.2 0.3 1",
                         "TITLE C 0.1 0.2 0.3 1", "Ok Fe 0.1 0.2 0.3 1"})},
      // SFAC must precede the atoms and accumulates.
      {unit + "Early 1 0.1 0.2 0.3\nSFAC C H\nSFAC CL 2.3 1.2 3.4 5.6\nCl1 3 0.1 0.2 0.3\nH1 2 0.1 0.2 0.3\n",
       with(unitDump, {"Cl1 Cl 0.1 0.2 0.3 1", "H1 H 0.1 0.2 0.3 1"})},
      // Continuation lines join, and a final one is still read.
      {"CELL 0.7 10 10 10 =\n   90 90 90\nSFAC C\nREM swallows the next line =\nLost 1 0.1 0.2 0.3\n"
       "C1 1 0.1 =\r\n 0.2 0.3 =",
       with(unitDump, {"C1 C 0.1 0.2 0.3 1"})},
      // Nothing after HKLF or END is read.
      {header + "C1 1 0.1 0.2 0.3\nHKLF 4\nC2 1 0.1 0.2 0.3\nTITL later\n", with(headerDump, {"C1 C 0.1 0.2 0.3 1"})},
      {header + "C1 1 0.1 0.2 0.3\nend\nC2 1 0.1 0.2 0.3\nTITL later\n", with(headerDump, {"C1 C 0.1 0.2 0.3 1"})},
      // A byte order mark is skipped.
      {"\xEF\xBB\xBF" + unit + "SFAC C\nC1 1 0.1 0.2 0.3\n", with(unitDump, {"C1 C 0.1 0.2 0.3 1"})},
      // LATT numbers out of range are ignored; -2147483648 is a 32-bit
      // number: acentric, and no centring beyond 7.
      {header + "LATT 3e10\nC1 1 0.1 0.2 0.3\n", with(headerDump, {"C1 C 0.1 0.2 0.3 1"})},
      {header + "LATT x\nC1 1 0.1 0.2 0.3\n", with(headerDump, {"C1 C 0.1 0.2 0.3 1"})},
      {header + "LATT -2147483648\nC1 1 0.1 0.2 0.3\n",
       {"TITL test in P-1", "CELL 10 11 12 90 100 90", "ZERR 0.001 0.002 0.003 0 0.01 0", "1 operations",
        "C1 C 0.1 0.2 0.3 1"}},
  };
  for (const auto& [text, dump] : cases) EXPECT_EQ(ReadDump(text), dump) << text;
}

TEST(ShelxReader, ValidationMessages) {
  const std::string atoms = "SFAC C\nC1 1 0.1 0.2 0.3\n";
  std::string manySymm = "CELL 0.7 10 10 10 90 90 90\nLATT 4\n" + atoms;
  for (int k = 0; k <= kMaxSymmCards; ++k) manySymm += "SYMM X,Y,Z\n";
  const std::pair<std::string, std::string> cases[] = {
      {"CELL 0.71073 10.1 11.2\n" + atoms, "no CELL card found in F."},
      {"CELL 0.71073 x 11.2 12.3 90 90 90\n" + atoms, "cell parameters in F are unusable."},
      {"CELL 0.71073 10 -1 12.3 90 90 90\n" + atoms, "cell parameters in F are unusable."},
      {"CELL 0.71073 10 11 12 90 90 90\nSFAC C\nQ1 1 0.1 0.2 0.3\n", "no atoms found in F."},
      // Too many SYMM cards are refused, not expanded.
      {manySymm, "too many SYMM cards in F."},
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(ReadDump(text), std::vector<std::string>{error});
}

TEST(ShelxReader, MissingFileIsACannotReadMessage) {
  const std::string path = ScratchDir() + "/absent.res";
  TShelxData data;
  std::string error;
  EXPECT_FALSE(ReadShelxFile(path, data, error));
  EXPECT_EQ(error.rfind("cannot read " + path + ": ", 0), 0u) << error;
}

TEST(ShelxSymmetry, LatticeExpansionCounts) {
  struct TCase {
    int Latt;
    std::vector<std::string> Symm;
    size_t Count;
  };
  const TCase cases[] = {
      {-1, {}, 1}, {1, {}, 2},          {2, {"-X,Y,-Z"}, 8}, {-4, {}, 4},
      {3, {}, 6},  {-7, {"-X,Y,-Z"}, 4}, {9, {}, 2},        {1, {"1/0+X,Y,Z"}, 2},
  };
  for (const TCase& c : cases) {
    const std::vector<TSymOp> ops = ExpandShelxSymmetry(c.Symm, c.Latt);
    ASSERT_EQ(ops.size(), c.Count) << c.Latt;
    for (size_t k = 0; k < ops.size(); ++k) {
      EXPECT_EQ(ops[k].OpNum, static_cast<int>(k + 1));
      EXPECT_EQ(ops[k].Code, std::to_string(k + 1) + "_555");
    }
  }
}

TEST(ShelxSymmetry, BodyCentredCopiesFollowTheInvertedList) {
  const std::vector<TSymOp> ops = ExpandShelxSymmetry({"-X,Y,-Z"}, 2);
  ASSERT_EQ(ops.size(), 8u);
  EXPECT_EQ(ops[2].Rot[0][0], -1.0);  // inversion of the identity
  EXPECT_EQ(ops[3].Rot[1][1], -1.0);  // inversion of -X,Y,-Z is X,-Y,Z
  EXPECT_EQ(ops[3].Rot[0][0], 1.0);
  for (size_t k = 0; k < 4; ++k) {
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) EXPECT_EQ(ops[k + 4].Rot[i][j], ops[k].Rot[i][j]);
      EXPECT_DOUBLE_EQ(ops[k + 4].Trans[i], WrapTranslation(ops[k].Trans[i] + 0.5));
    }
  }
}

TEST(ShelxSymmetry, RepeatedBaseOperationStaysButCentredDuplicatesDoNot) {
  // The second identity is a base operation and is kept; its C-centred copy
  // equals the identity's copy and is not added.
  const std::vector<TSymOp> ops = ExpandShelxSymmetry({"X,Y,Z"}, -7);
  EXPECT_EQ(ops.size(), 3u);
}

TEST(ShelxSymmetry, EqualityIgnoresWholeCellTranslationsInBothDirections) {
  TSymOp a = IdentityOp(), b = IdentityOp();
  a.Trans = {0.5, 0, 0};
  b.Trans = {0.5 + 5e-7, 0, 0};
  EXPECT_TRUE(SameSymOp(a, b));
  EXPECT_TRUE(SameSymOp(b, a));
  b.Trans = {0.5, 0, 0.9999995};
  EXPECT_TRUE(SameSymOp(a, b));
  b.Trans = {0.5, 0.001, 0};
  EXPECT_FALSE(SameSymOp(a, b));
  b = a;
  b.Rot[2][2] = -1;
  EXPECT_FALSE(SameSymOp(a, b));
}

TEST(ShelxSiteSymmetry, OrderOfTheSiteCountsDistinctOperations) {
  const std::vector<TSymOp> p2m = ExpandShelxSymmetry({"-X,Y,-Z"}, 1);  // P2/m
  EXPECT_EQ(SiteSymmetryOrder({0.1, 0.2, 0.3}, p2m), 1);
  EXPECT_EQ(SiteSymmetryOrder({0.1, 0.5, 0.3}, p2m), 2);         // on the mirror
  EXPECT_EQ(SiteSymmetryOrder({0.0, 0.2, 0.5}, p2m), 2);         // on the twofold axis
  EXPECT_EQ(SiteSymmetryOrder({0.0, 0.5, 1.0}, p2m), 4);         // 2/m, by a lattice translation
  EXPECT_EQ(SiteSymmetryOrder({0.0004, 0.5, 0.9996}, p2m), 4);   // within 0.001
  EXPECT_EQ(SiteSymmetryOrder({0.0015, 0.5, 0.0}, p2m), 2);
  // A SYMM card that repeats the identity counts once.
  const std::vector<TSymOp> repeated = ExpandShelxSymmetry({"X,Y,Z"}, -1);
  EXPECT_EQ(SiteSymmetryOrder({0.1, 0.2, 0.3}, repeated), 1);
  // Centring translations are not site symmetry.
  EXPECT_EQ(SiteSymmetryOrder({0, 0, 0}, ExpandShelxSymmetry({}, -4)), 1);
}

namespace {

// Copies a real SHELX file into the scratch folder (alone, so that no
// matrix or CIF of the same stem is found next to it) and reads it.
TReadResult ReadRealFile(const std::string& name) {
  TReadResult result;
  const std::string source = RealDataFile("shelx/" + name);
  if (source.empty()) return result;
  const std::string copy = WriteScratchFile("real/" + name, ReadWholeFile(source));
  result.Ok = ReadShelxFile(copy, result.Data, result.Error);
  return result;
}

}  // namespace

TEST(ShelxRealFiles, SymmetryAndAtomsOfPublishedStructures) {
  struct TCase {
    std::string Name;
    size_t Ops;
  };
  const TCase cases[] = {{"dom1_mC.res", 8},   {"I-43d.res", 48},  {"NaCl.res", 192},
                         {"2240189.res", 36},  {"p21c.res", 4},    {"sucrose.res", 2}};
  if (RealDataFile("shelx/NaCl.res").empty()) GTEST_SKIP() << "no real data";
  for (const TCase& c : cases) {
    // The files whose licence keeps them out of the project need the shared folder.
    if (RealDataFile("shelx/" + c.Name).empty()) continue;
    const TReadResult r = ReadRealFile(c.Name);
    ASSERT_TRUE(r.Ok) << c.Name << ": " << r.Error;
    EXPECT_EQ(r.Data.SymOps.size(), c.Ops) << c.Name;
    EXPECT_FALSE(r.Data.Atoms.empty());
  }
}

TEST(ShelxRealFiles, SpecialPositionOccupanciesAsWritten) {
  const TReadResult r = ReadRealFile("dom1_mC.res");
  if (!r.Ok && r.Error.empty()) GTEST_SKIP() << "no real data";
  ASSERT_TRUE(r.Ok) << r.Error;
  ASSERT_EQ(r.Data.Atoms.size(), 6u);  // the peaks after END are not read
  EXPECT_EQ(r.Data.Atoms[0].Name, "FE01");
  EXPECT_EQ(r.Data.Atoms[0].Element, "Fe");
  EXPECT_DOUBLE_EQ(r.Data.Atoms[0].Occ, 0.25);
  EXPECT_EQ(SiteSymmetryOrder(r.Data.Atoms[0].Frac, r.Data.SymOps), 4);
  EXPECT_DOUBLE_EQ(r.Data.Atoms[1].Occ, 0.5);
  EXPECT_EQ(SiteSymmetryOrder(r.Data.Atoms[1].Frac, r.Data.SymOps), 2);
}
