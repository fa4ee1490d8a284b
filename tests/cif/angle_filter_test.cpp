// The angle table read for chosen centres only: the same rows as the whole
// table holds for those centres, in the same order, so that every angle
// lookup at them gives what it gave before.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "model/structure.h"
#include "support/test_support.h"
#include "io/cif.h"
#include "base/text.h"
#include "base/format.h"

namespace {

std::vector<std::string> RowTexts(const std::vector<TCifAngle>& table) {
  std::vector<std::string> rows;
  for (const TCifAngle& a : table)
    rows.push_back(a.Label1 + "#" + a.Sym1 + " " + a.Label2 + "#" + a.Sym2 + " " + a.Label3 + "#" +
                   a.Sym3 + " " + FormatFixed(a.Angle, 6) + " " + FormatFixed(a.Su, 6) +
                   (a.HasSu ? " su" : ""));
  return rows;
}

// The rows of the whole table whose apex is one of the labels.
std::vector<std::string> FullRowsAt(const std::vector<TCifAngle>& full,
                                    const std::vector<std::string>& apexes) {
  std::vector<TCifAngle> rows;
  for (const TCifAngle& row : full)
    for (const std::string& apex : apexes)
      if (SameTextIgnoringCase(row.Label2, apex)) {
        rows.push_back(row);
        break;
      }
  return RowTexts(rows);
}

std::vector<std::string> FilteredRows(const TCifBlock& block, const std::vector<std::string>& apexes) {
  TStructure model;
  model.CifAngles.push_back(TCifAngle{});  // emptied by the reader
  ReadAngleTable(block, model, apexes);
  return RowTexts(model.CifAngles);
}

std::vector<TCifAngle> FullTable(const TCifBlock& block) {
  TStructure model;
  ReadAngleTable(block, model);
  return model.CifAngles;
}

TCifFile Loaded(const std::string& text) {
  TCifFile file;
  file.LoadFromText(text);
  return file;
}

const std::string kLongLabel(300, 'X');

std::string AngleLoop() {
  return "data_x\nloop_\n_geom_angle_atom_site_label_1\n_geom_angle_atom_site_label_2\n"
         "_geom_angle_atom_site_label_3\n_geom_angle\n_geom_angle_site_symmetry_1\n"
         "_geom_angle_site_symmetry_3\n"
         "P1 Ni1 P2 92.5(1) . 2_655\n"
         "Ni1 P1 C1 110.1(2) . .\n"
         "C1 NI1 C2 ? . .\n"
         "O1 ni1 O2 88.8(3) 3 .\n"
         "O1 'Ni1' O3 89.9(3) . .\n"
         "C3 Ni10 C4 101.0(5) . .\n"
         "C3 Mi1 C4 102.0(5) . .\n"
         "C5 " + kLongLabel + " C6 103.0(5) . .\n"
         "C5 " + kLongLabel + "Y C6 104.0(5) . .\n"
         "C7 \xC3\x91i1 C8 105.0(5) . .\n"
         "C9 Cu1 C9 179.0(1) . 2_665\n";
}

TEST(CifAngleFilter, KeepsTheRowsOfTheWantedApexesInFileOrder) {
  const TCifFile file = Loaded(AngleLoop());
  const TCifBlock& block = file.Block(0);
  const std::vector<TCifAngle> full = FullTable(block);
  const struct {
    std::vector<std::string> Apexes;
    std::vector<std::string> Expected;  // the apexes of the kept rows
  } cases[] = {
      {{"Ni1"}, {"Ni1", "ni1", "Ni1"}},  // case ignored, quotes are no part of a label
      {{"NI1"}, {"Ni1", "ni1", "Ni1"}},
      {{"Ni10"}, {"Ni10"}},
      {{kLongLabel}, {kLongLabel}},  // long labels share a length class, not a match
      {{"\xC3\x91I1"}, {"\xC3\x91i1"}},
      {{"\xC3\xB1i1"}, {}},  // only ASCII letters fold their case
      {{"Cu1", "Ni1"}, {"Ni1", "ni1", "Ni1", "Cu1"}},
      {{"P1"}, {"P1"}},
      {{"Zn1"}, {}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    TStructure model;
    ReadAngleTable(block, model, c.Apexes);
    std::vector<std::string> apexes;
    for (const TCifAngle& row : model.CifAngles) apexes.push_back(row.Label2);
    EXPECT_EQ(apexes, c.Expected) << (c.Apexes.empty() ? "(none)" : c.Apexes[0]);
  }
}

TEST(CifAngleFilter, ManyApexesAtOnceKeepEveryRowOfThem) {
  const TCifFile file = Loaded(AngleLoop());
  const TCifBlock& block = file.Block(0);
  std::vector<std::string> apexes;
  for (int i = 1; i <= 2000; ++i) apexes.push_back("Ni" + std::to_string(i));
  apexes.push_back(kLongLabel);
  const std::vector<std::string> rows = FilteredRows(block, apexes);
  EXPECT_EQ(rows, FullRowsAt(FullTable(block), apexes));
  EXPECT_EQ(rows.size(), 5u);  // Ni1 three times, Ni10, the long label
}

TEST(CifAngleFilter, ALookupAtTheCentreFindsWhatTheWholeTableGives) {
  const TCifFile file = Loaded(AngleLoop());
  const TCifBlock& block = file.Block(0);
  TStructure filtered;
  ReadAngleTable(block, filtered, {"ni1"});
  const std::vector<TCifAngle> full = FullTable(block);
  const char* const ligands[][2] = {{"P1", "1_555"}, {"P2", "2_655"}, {"O1", "3_555"},
                                    {"O2", "1_555"}, {"O3", "1_555"}, {"C1", "1_555"},
                                    {"C2", "1_555"}};
  for (const auto& a : ligands)
    for (const auto& b : ligands) {
      double fullAngle = 0, fullSu = 0, angle = 0, su = 0;
      const bool inFull =
          FindCifAngle(full, "Ni1", "1_555", a[0], a[1], b[0], b[1], fullAngle, fullSu);
      EXPECT_EQ(FindCifAngle(filtered.CifAngles, "Ni1", "1_555", a[0], a[1], b[0], b[1], angle, su),
                inFull)
          << a[0] << " " << b[0];
      EXPECT_EQ(angle, fullAngle);
      EXPECT_EQ(su, fullSu);
    }
}

TEST(CifAngleFilter, EveryRealCifKeepsTheSameRowsForEachApex) {
  const std::string dir = RealDataFile("cif");
  if (dir.empty()) GTEST_SKIP() << "no real data";
  int tables = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".cif") continue;
    TCifFile file;
    std::string error;
    ASSERT_TRUE(file.LoadFromFile(entry.path().string(), error)) << error;
    for (int b = 0; b < file.BlockCount(); ++b) {
      const TCifBlock& block = file.Block(b);
      const std::vector<TCifAngle> full = FullTable(block);
      if (full.empty()) continue;
      ++tables;
      std::set<std::string> apexes;
      for (const TCifAngle& row : full) apexes.insert(AsciiUpperCopy(row.Label2));
      for (const std::string& apex : apexes)
        EXPECT_EQ(FilteredRows(block, {apex}), FullRowsAt(full, {apex}))
            << entry.path() << " " << apex;
      EXPECT_EQ(FilteredRows(block, {apexes.begin(), apexes.end()}), RowTexts(full)) << entry.path();
    }
  }
  EXPECT_GT(tables, 10);
}

}  // namespace
