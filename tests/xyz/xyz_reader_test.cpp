#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "io/xyz.h"

namespace {

struct TRead {
  bool Ok = false;
  std::string Path;
  TXyzData Data;
  std::string Error;
};

TRead ReadText(std::string_view content, TXyzNaming naming = TXyzNaming::Olex) {
  static int serial = 0;
  TRead read;
  read.Path = WriteScratchFile("reader" + std::to_string(++serial) + ".xyz", content);
  read.Ok = ReadXyzFile(read.Path, naming, read.Data, read.Error);
  EXPECT_EQ(read.Ok, read.Error.empty());
  return read;
}

std::vector<std::string> Labels(const TXyzData& data) {
  std::vector<std::string> labels;
  for (const TXyzAtom& atom : data.Atoms) labels.push_back(atom.Label);
  return labels;
}

using TLabels = std::vector<std::string>;
const char kCHHC[] = "4\nmethane fragment\nC 0 0 0\nH 0 0 1.09\n1 1 0 0\nC 2 0 0\n";

}  // namespace

TEST(XyzNaming, BareElementsAreNamedByTheScheme) {
  EXPECT_EQ(Labels(ReadText(kCHHC, TXyzNaming::Olex).Data), (TLabels{"C2", "H3", "H4", "C5"}));
  EXPECT_EQ(Labels(ReadText(kCHHC, TXyzNaming::Position).Data),
            (TLabels{"C1", "H2", "H3", "C4"}));
  EXPECT_EQ(Labels(ReadText(kCHHC, TXyzNaming::Element).Data),
            (TLabels{"C1", "H1", "H2", "C2"}));
  EXPECT_FALSE(ReadText(kCHHC).Data.HasLabels);
}

TEST(XyzNaming, LabelsFromTheFileAreKeptAsWritten) {
  const TRead read = ReadText("3\n\nFe1 0 0 0\nN2 0 0 2\nCA1 2 0 0\n", TXyzNaming::Element);
  EXPECT_TRUE(read.Data.HasLabels);
  EXPECT_EQ(Labels(read.Data), (TLabels{"Fe1", "N2", "CA1"}));
  EXPECT_EQ(read.Data.Atoms[2].Element, "Ca");
}

TEST(XyzNaming, MixedFileNamesSingleUnlabelledAtomByElement) {
  const char text[] = "5\nmixed\n26 0 0 0\nN1 0 0 2\nN2 0 2 0\nO 2 0 0\no 0 0 -2\n";
  for (TXyzNaming naming : {TXyzNaming::Olex, TXyzNaming::Position, TXyzNaming::Element})
    EXPECT_EQ(Labels(ReadText(text, naming).Data), (TLabels{"Fe", "N1", "N2", "O5", "O6"}));
}

TEST(XyzLines, BlankLinesBeforeTheCountShiftIndexesAndBlankAtomLinesAreCounted) {
  const TRead read = ReadText("\r\n \t\r\n2\r\n\r\nSi 0 0 0\r\n\r\n,\rO 0 0 1.6\r\n");
  ASSERT_TRUE(read.Ok) << read.Error;
  EXPECT_EQ(read.Data.Atoms[0].Line, 4);
  EXPECT_EQ(Labels(read.Data), (TLabels{"Si4", "O7"}));
  const TRead bad = ReadText("\n\n1\n\nSi 0 0\n");
  EXPECT_EQ(bad.Error, bad.Path + ", line 5: expected \"element x y z\", found \"Si 0 0\".");
}

TEST(XyzRead, CoordinatesCommentAndLineFormsAreReadAsWritten) {
  const TRead read =
      ReadText("\xEF\xBB\xBF" "2 atoms\n  3 D,d ,\t\nC,1.5D-1,1.5d-1,-3e-05 extra\nH 0 0 1\n");
  ASSERT_TRUE(read.Ok) << read.Error;
  EXPECT_EQ(read.Data.Comment, "3 D,d ,");
  const TXyzAtom& c = read.Data.Atoms[0];
  EXPECT_EQ(c.Element, "C");
  EXPECT_DOUBLE_EQ(c.X, 0.15);
  EXPECT_DOUBLE_EQ(c.Y, 0.15);
  EXPECT_DOUBLE_EQ(c.Z, -3e-05);
  EXPECT_EQ(read.Data.StructureCount, 1);
}

TEST(XyzRead, LaterFramesAreCountedButOnlyTheFirstIsRead) {
  const TRead read = ReadText(
      "1\nframe 1\nNi 0 0 0\n1\nframe 2\nnot an atom line\n1 extra\n01\n\nNi 9 9 9\n");
  ASSERT_TRUE(read.Ok) << read.Error;
  EXPECT_EQ(read.Data.StructureCount, 3);
  ASSERT_EQ(read.Data.Atoms.size(), 1u);
  EXPECT_EQ(read.Data.Atoms[0].X, 0.0);
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
  for (const TCase& c : cases) {
    const TRead read = ReadText(c.Text);
    EXPECT_FALSE(read.Ok) << c.Text;
    EXPECT_EQ(read.Error, read.Path + c.Tail);
  }
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
  EXPECT_EQ(Labels(data), (TLabels{"Ni2", "C3", "C4", "C5", "C6", "O7", "O8", "O9", "O10"}));
}
