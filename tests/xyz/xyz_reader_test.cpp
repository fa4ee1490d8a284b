#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/test_support.h"
#include "io/xyz.h"

namespace {

// What a read gives, a line each: the comment, the structure count, whether
// the file has labels, then "label element x y z line" for each atom; or the
// message of a failure, the file named F.
std::vector<std::string> ReadDump(std::string_view text, TXyzNaming naming = TXyzNaming::Olex) {
  TXyzData d;
  std::string error;
  if (!ReadXyzText(text, "F", naming, d, error)) return {error};
  std::vector<std::string> dump{"comment: " + d.Comment, std::to_string(d.StructureCount) + " structures",
                                d.HasLabels ? "labels" : "no labels"};
  for (const TXyzAtom& a : d.Atoms)
    dump.push_back(std::string(a.Label).append(" ").append(a.Element).append(" ").append(ShortestText(a.X)).append(" ")
                       .append(ShortestText(a.Y)).append(" ").append(ShortestText(a.Z)).append(" line ").append(std::to_string(a.Line)));
  return dump;
}

using TLabels = std::vector<std::string>;

}  // namespace

TEST(XyzRead, ReadsWhatTheFileMeans) {
  const char chhc[] = "4\nmethane fragment\nC 0 0 0\nH 0 0 1.09\n1 1 0 0\nC 2 0 0\n";
  const char mixed[] = "5\nmixed\n26 0 0 0\nN1 0 0 2\nN2 0 2 0\nO 2 0 0\no 0 0 -2\n";
  const TLabels mixedDump{"comment: mixed",          "1 structures",           "labels",
                          "Fe Fe 0 0 0 line 2",      "N1 N 0 0 2 line 3",      "N2 N 0 2 0 line 4",
                          "O5 O 2 0 0 line 5",       "O6 O 0 0 -2 line 6"};
  const std::tuple<std::string, TXyzNaming, TLabels> cases[] = {
      // Bare elements are named by the scheme.
      {chhc, TXyzNaming::Olex, {"comment: methane fragment", "1 structures", "no labels", "C2 C 0 0 0 line 2",
                                "H3 H 0 0 1.09 line 3", "H4 H 1 0 0 line 4", "C5 C 2 0 0 line 5"}},
      {chhc, TXyzNaming::Position, {"comment: methane fragment", "1 structures", "no labels", "C1 C 0 0 0 line 2",
                                    "H2 H 0 0 1.09 line 3", "H3 H 1 0 0 line 4", "C4 C 2 0 0 line 5"}},
      {chhc, TXyzNaming::Element, {"comment: methane fragment", "1 structures", "no labels", "C1 C 0 0 0 line 2",
                                   "H1 H 0 0 1.09 line 3", "H2 H 1 0 0 line 4", "C2 C 2 0 0 line 5"}},
      // Labels from the file are kept as written.
      {"3\n\nFe1 0 0 0\nN2 0 0 2\nCA1 2 0 0\n", TXyzNaming::Element,
       {"comment: ", "1 structures", "labels", "Fe1 Fe 0 0 0 line 2", "N2 N 0 0 2 line 3", "CA1 Ca 2 0 0 line 4"}},
      // A mixed file names its single unlabelled atom by the element, whatever the scheme.
      {mixed, TXyzNaming::Olex, mixedDump},
      {mixed, TXyzNaming::Position, mixedDump},
      {mixed, TXyzNaming::Element, mixedDump},
      // Blank lines before the count shift the indexes; blank atom lines are counted.
      {"\r\n \t\r\n2\r\n\r\nSi 0 0 0\r\n\r\n,\rO 0 0 1.6\r\n", TXyzNaming::Olex,
       {"comment: ", "1 structures", "no labels", "Si4 Si 0 0 0 line 4", "O7 O 0 0 1.6 line 7"}},
      {"\n\n1\n\nSi 0 0\n", TXyzNaming::Olex, {"F, line 5: expected \"element x y z\", found \"Si 0 0\"."}},
      // Coordinates, comment and line forms as written.
      {"\xEF\xBB\xBF" "2 atoms\n  3 D,d ,\t\nC,1.5D-1,1.5d-1,-3e-05 extra\nH 0 0 1\n", TXyzNaming::Olex,
       {"comment: 3 D,d ,", "1 structures", "no labels", "C2 C 0.15 0.15 -3e-05 line 2", "H3 H 0 0 1 line 3"}},
      // Later frames are counted, only the first is read.
      {"1\nframe 1\nNi 0 0 0\n1\nframe 2\nnot an atom line\n1 extra\n01\n\nNi 9 9 9\n", TXyzNaming::Olex,
       {"comment: frame 1", "3 structures", "no labels", "Ni2 Ni 0 0 0 line 2"}},
  };
  for (const auto& [text, naming, dump] : cases) EXPECT_EQ(ReadDump(text, naming), dump) << text;
}

TEST(XyzMessages, EachFailureHasItsMessage) {
  struct TCase { const char* Text; const char* Tail; };
  const TCase cases[] = {
      {"", " is empty."},
      {" \n\t\r\n", " is empty."},
      {"three\n\nC 0 0 0\n", ": the first line must contain the number of atoms."},
      {",,\n", ": the first line must contain the number of atoms."},
      {"0\n", ": the first line must contain the number of atoms."},
      {"-1\n", ": the first line must contain the number of atoms."},
      {"3.0\n", ": the first line must contain the number of atoms."},
      {"99999999999\n\nC 0 0 0\n", ": the first line must contain the number of atoms."},
      {"1\n\nC 0 0 x\n", ", line 3: expected \"element x y z\", found \"C 0 0 x\"."},
      {"1\n\n\tC 0 1e999 0 \r\n", ", line 3: expected \"element x y z\", found \"C 0 1e999 0\"."},
      {"1\n\nXx 0 0 0\n", ", line 3: unknown element \"Xx\"."},
      {"1\n\n0 0 0 0\n", ", line 3: unknown element \"0\"."},
      {"1\n\n120 0 0 0\n", ", line 3: unknown element \"120\"."},
      {"5\n\nC 0 0 0\nC 0 0 1\nC 0 0 2\nC 0 0 3\n", ": 5 atoms announced, only 4 found."},
      {"1\n", ": 1 atoms announced, only 0 found."},
      {"2147483647\n\nC 0 0 0\n", ": 2147483647 atoms announced, only 1 found."},
  };
  for (const TCase& c : cases) EXPECT_EQ(ReadDump(c.Text), TLabels{std::string("F").append(c.Tail)}) << c.Text;
  TXyzData data;
  std::string error;
  const std::string missing = ScratchDir() + "/none.xyz";
  EXPECT_FALSE(ReadXyzFile(missing, TXyzNaming::Olex, data, error));
  EXPECT_EQ(error, "file not found: " + missing);
}

TEST(XyzRealFiles, EveryCollectedFileReads) {
  const char* names[] = {"olex2_Co110", "orca_NiCO4", "orca_NiCO4_trj_7frames", "orca_PdOAc2_PBE0",
                         "orca_PdOAc2_norbornene_exo", "orca_TiCl4", "tmQMg_ABAFOZ_Pd",
                         "tmQMg_ABGTCU_Cu", "tmQMg_ABOMAI_Ni", "tmQMg_ACPYZN_Zn",
                         "tmQMg_AFATAE_Mn"};
  if (RealDataFile("xyz").empty()) GTEST_SKIP() << "no real data folder";
  for (const char* name : names) {
    const std::string path = RealDataFile(std::string("xyz/") + name + ".xyz");
    TXyzData data;
    std::string error;
    EXPECT_TRUE(ReadXyzFile(path, TXyzNaming::Olex, data, error)) << error;
    const bool trajectory = std::string(name).find("7frames") != std::string::npos;
    EXPECT_EQ(data.StructureCount, trajectory ? 7 : 1) << name;
  }
  TXyzData data;
  std::string error;
  ASSERT_TRUE(ReadXyzFile(RealDataFile("xyz/orca_NiCO4.xyz"), TXyzNaming::Olex, data, error));
  TLabels labels;
  for (const TXyzAtom& atom : data.Atoms) labels.push_back(atom.Label);
  EXPECT_EQ(labels, (TLabels{"Ni2", "C3", "C4", "C5", "C6", "O7", "O8", "O9", "O10"}));
}
