// The default sphere reads the structure as the file means it: one
// configuration of a disordered structure, alternative positions and
// coincident atoms once, deuterium as hydrogen; --sphere=radii is the bond
// rule alone. Each case: a small structure, its centre, the ligands and the
// atoms left out with their reasons.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <regex>
#include <sstream>

#include "app/run_support.h"
#include "app/survey_structures.h"
#include "test_support.h"

namespace {

using json = nlohmann::json;

struct TSite {
  std::string Label, Type;
  double X, Y, Z;  // Angstrom from the cell origin (cubic P1, 20 A)
  double Occ = 1;
  std::string Assembly = ".", Group = ".";
};

std::string SiteCif(const std::vector<TSite>& sites) {
  std::ostringstream cif;
  cif << "data_sites\n_cell_length_a 20\n_cell_length_b 20\n_cell_length_c 20\n"
         "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
         "_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_occupancy\n"
         "_atom_site_disorder_assembly\n_atom_site_disorder_group\n";
  for (const TSite& s : sites)
    cif << s.Label << ' ' << s.Type << ' ' << s.X / 20 << ' ' << s.Y / 20 << ' ' << s.Z / 20 << ' '
        << s.Occ << ' ' << s.Assembly << ' ' << s.Group << '\n';
  return cif.str();
}

// A square of four O at 2 A around a metal at (10, 10, 10), plus the sites given.
std::vector<TSite> Square(const std::string& metal, std::vector<TSite> more) {
  std::vector<TSite> sites = {{metal + "1", metal, 10, 10, 10},
                              {"O1", "O", 12, 10, 10},
                              {"O2", "O", 8, 10, 10},
                              {"O3", "O", 10, 12, 10},
                              {"O4", "O", 10, 8, 10}};
  sites.insert(sites.end(), more.begin(), more.end());
  return sites;
}

std::string Joined(std::vector<std::string> items) {
  std::sort(items.begin(), items.end());
  std::string text;
  for (const std::string& item : items) {
    if (!text.empty()) text += ' ';
    text += item;
  }
  return text;
}

// The display names (with the reasons of atoms left out), sorted: atoms at
// equal distances come in no particular order.
std::string Names(const json& list) {
  std::vector<std::string> items;
  for (const json& item : list) {
    std::string name = item["label"].get<std::string>();
    if (item["code"] != "1_555") name.append("#").append(item["code"].get<std::string>());
    if (item.contains("reason"))
      name.append(" (").append(item["reason"].get<std::string>()).append(")");
    items.push_back(name);
  }
  return Joined(items);
}

// The expected "A B (reason) C" in the same order.
std::string Sorted(const std::string& expected) {
  static const std::regex kItem(R"(\S+( \([^)]*\))?)");
  std::vector<std::string> items;
  for (auto it = std::sregex_iterator(expected.begin(), expected.end(), kItem);
       it != std::sregex_iterator(); ++it)
    items.push_back(it->str());
  return Joined(items);
}

struct TSphereCase {
  const char* Name;
  std::string File;  // written as given; ".cif" or ".res"
  std::string Text;
  const char* Centre;
  const char* Ligands;   // nearest first
  const char* Excluded;  // "label (reason)", nearest first
  const char* RadiiLigands;
};

std::string ShelxRes(const std::string& atoms, const std::string& symm = "") {
  return "TITL sphere\nCELL 0.71073 20 20 20 90 90 90\nZERR 1 0 0 0 0 0 0\nLATT -1\n" + symm +
         "SFAC C O NI\nUNIT 1 1 1\nFVAR 1.0\n" + atoms + "HKLF 4\nEND\n";
}

// Both spheres of one case.
void CheckSphere(const TSphereCase& c) {
  const std::string path = WriteScratchFile(c.File, c.Text);
  const json chemical = JsonLines(RunProgram({path, c.Centre, "--format=json"}).Console).at(0);
  ASSERT_FALSE(chemical.contains("error")) << chemical;
  EXPECT_EQ(Names(chemical["ligands"]), Sorted(c.Ligands));
  EXPECT_EQ(Names(chemical["excluded"]), Sorted(c.Excluded));
  EXPECT_EQ(chemical["sphere"], "chemical");
  const json radii =
      JsonLines(RunProgram({path, c.Centre, "--format=json", "sphere=radii"}).Console).at(0);
  EXPECT_EQ(Names(radii["ligands"]), Sorted(c.RadiiLigands));
  EXPECT_TRUE(radii["excluded"].empty());
}

}  // namespace

// Every rule of the chemical sphere on a structure made for it: the file's
// configuration, then the chemistry (metals, H, atoms behind, centroids,
// ionic contacts).
TEST(ChemicalSphere, EachRuleLeavesOutWhatItShouldAndTheBondRuleTakesItAll) {
  // A kappa2-carboxylate: O5 and O6 at 2.05 A, their C at 2.37 A behind
  // them (angle Ni-O-C 88 deg).
  const std::vector<TSite> carboxylate = {{"O5", "O", 10, 11.1, 11.72},
                                          {"O6", "O", 10, 8.9, 11.73},
                                          {"C5", "C", 10, 10, 12.365}};
  const std::vector<TSphereCase> cases = {
      {"deuterium is hydrogen", "d.cif", SiteCif(Square("Ni", {{"D1", "D", 10, 10, 12.3}})), "Ni1",
       "O1 O2 O3 O4", "", "O1 O2 O3 O4"},
      {"of two disorder groups of equal occupancy the first", "groups.cif",
       SiteCif(Square("Ni", {{"O5A", "O", 10, 10, 12.1, 0.5, "A", "1"},
                             {"O5B", "O", 10.6, 10, 12.0, 0.5, "A", "2"}})),
       "Ni1", "O1 O2 O3 O4 O5A", "O5B (other disorder group)", "O1 O2 O3 O4 O5B O5A"},
      {"the chosen group counts below the occupancy limit", "low.cif",
       SiteCif(Square("Ni", {{"O5A", "O", 10, 10, 12.1, 0.4, ".", "1"},
                             {"O5B", "O", 10.6, 10, 12.0, 0.3, ".", "2"},
                             {"O5C", "O", 9.4, 10, 12.0, 0.3, ".", "3"}})),
       "Ni1", "O1 O2 O3 O4 O5A", "", "O1 O2 O3 O4"},
      {"independent disorder sites choose apart", "sites.cif",
       SiteCif(Square("Ni", {{"O5A", "O", 10, 10, 12.1, 0.45, ".", "1"},
                             {"O5B", "O", 10.6, 10, 12.0, 0.55, ".", "2"},
                             {"O6A", "O", 10, 10, 7.9, 0.7, ".", "1"},
                             {"O6B", "O", 10.6, 10, 8.0, 0.3, ".", "2"}})),
       "Ni1", "O1 O2 O3 O4 O5B O6A", "", "O1 O2 O3 O4 O5B O6A"},
      {"a disordered centre takes its own group", "centre.cif",
       SiteCif({{"Ni1", "Ni", 10, 10, 10, 0.4, ".", "2"},
                {"Ni2", "Ni", 10.4, 10, 10.2, 0.6, ".", "1"},
                {"O1", "O", 12, 10, 10}, {"O2", "O", 8, 10, 10},
                {"O5A", "O", 10.4, 10, 12.2, 0.6, ".", "1"},
                {"O5B", "O", 10, 10, 12.1, 0.4, ".", "2"}}),
       "Ni1", "O1 O2 O5B", "Ni2 (other disorder group) O5A (other disorder group)", "Ni2 O1 O2 O5A"},
      {"alternative positions without markup: the larger occupancy", "alt.cif",
       SiteCif(Square("Ni", {{"O5A", "O", 10, 10, 12.1, 0.5}, {"O5B", "O", 10.6, 10, 12.0, 0.5}})),
       "Ni1", "O1 O2 O3 O4 O5A", "O5B (alternative position)", "O1 O2 O3 O4 O5B O5A"},
      // A mixed site (Fe1/Ni1) is the centre's own: closer than 0.4 A, no
      // neighbour at all.
      {"coincident atoms are one site", "same.cif",
       SiteCif(Square("Fe", {{"Ni1", "Ni", 10.05, 10, 10, 0.5}, {"O1X", "O", 12.02, 10, 10}})),
       "Fe1", "O1 O2 O3 O4", "O1X (coincident with O1)", "O1 O2 O3 O4 O1X"},
      {"SHELX PART", "part.res",
       ShelxRes("NI1 3 0.5 0.5 0.5 11.0\nO1 2 0.6 0.5 0.5 11.0\nO2 2 0.4 0.5 0.5 11.0\n"
                "PART 1\nO5A 2 0.5 0.5 0.605 10.5\nPART 2\nO5B 2 0.53 0.5 0.6 10.5\nPART 0\n"),
       "NI1", "O1 O2 O5A", "O5B (other disorder group)", "O1 O2 O5B O5A"},
      {"PART -1: one image of a group about a special position", "special.res",
       ShelxRes("NI1 3 0 0 0 10.5\nO1 2 0.1 0 0 11.0\nPART -1\nO9 2 0.03 0 0.1 10.5\nPART 0\n",
                "SYMM -X, -Y, Z\n"),
       "NI1", "O1 O1#2_555 O9", "O9#2_555 (other disorder group)", "O1 O1#2_555 O9#2_555 O9"},
      {"a metal neighbour is a metal contact", "metal.cif",
       SiteCif(Square("Ni", {{"Ni2", "Ni", 10, 10, 12.7}})), "Ni1", "O1 O2 O3 O4",
       "Ni2 (metal contact)", "O1 O2 O3 O4 Ni2"},
      {"a metal among metals alone keeps them", "alloy.cif",
       SiteCif({{"Cu1", "Cu", 10, 10, 10}, {"Zn1", "Zn", 12.5, 10, 10}, {"Zn2", "Zn", 7.4, 10, 10}}),
       "Cu1", "Zn1 Zn2", "", "Zn1 Zn2"},
      {"the H of a water ligand", "water.cif",
       SiteCif(Square("Ni", {{"O5", "O", 10, 10, 12.1}, {"H5", "H", 10.8, 10, 11.6}})), "Ni1",
       "O1 O2 O3 O4 O5", "H5 (H of O5)", "O1 O2 O3 O4 O5 H5"},
      {"a hydride bonded to metals only stays", "hydride.cif",
       SiteCif(Square("Ni", {{"H5", "H", 10, 10, 11.5}})), "Ni1", "H5 O1 O2 O3 O4", "",
       "H5 O1 O2 O3 O4"},
      {"the C of a chelating carboxylate is behind its O", "chelate.cif",
       SiteCif(Square("Ni", carboxylate)), "Ni1", "O1 O2 O3 O4 O5 O6", "C5 (behind O5)",
       "O1 O2 O3 O4 O5 O6 C5"},
      {"a side-on alkene is one ligand at its centroid", "alkene.cif",
       SiteCif({{"Pt1", "Pt", 10, 10, 10}, {"Cl1", "Cl", 12.3, 10, 10}, {"Cl2", "Cl", 10, 12.3, 10},
                {"C1", "C", 8.6, 9.3, 10}, {"C2", "C", 8.6, 10.7, 10}}),
       "Pt1", "Cg1 Cl1 Cl2", "", "C1 C2 Cl1 Cl2"},
      {"a slipped Cp ring stays whole", "slipped.cif",
       SiteCif({{"Fe1", "Fe", 10, 10, 10}, {"Cl1", "Cl", 12.3, 10, 10},
                {"C1", "C", 10.0, 11.21, 11.7}, {"C2", "C", 11.15, 10.37, 11.7},
                {"C3", "C", 10.71, 9.02, 11.85}, {"C4", "C", 9.29, 9.02, 11.85},
                {"C5", "C", 8.85, 10.37, 11.7}}),
       "Fe1", "Cg1 Cl1", "", "C1 C2 C3 C4 C5 Cl1"},
      // A sulfate chelating Ca: O5 and O6 at 2.45 A, their S at 2.98 A
      // (angle Ca-O-S 95 deg), within the bond rule's 1.76 + 1.05 + 0.40.
      {"the S of a chelating sulfate is behind its O", "sulfate.cif",
       SiteCif({{"Ca1", "Ca", 10, 10, 10}, {"O1", "O", 12.4, 10, 10}, {"O2", "O", 7.6, 10, 10},
                {"O3", "O", 10, 12.4, 10}, {"O4", "O", 10, 7.6, 10},
                {"O5", "O", 10, 11.21, 12.125}, {"O6", "O", 10, 8.79, 12.13},
                {"S5", "S", 10, 10, 12.98}}),
       "Ca1", "O1 O2 O3 O4 O5 O6", "S5 (behind O5)", "O1 O2 O3 O4 O5 O6 S5"},
      // K-O 2.75 to 3.05 A within the bond rule (2.03 + 0.66 + 0.40 =
      // 3.09); 3.15 and 3.20 A beyond it but contacts of K's effective
      // coordination; 4.0 A none.
      {"a large cation takes its ionic contacts", "potassium.cif",
       SiteCif({{"K1", "K", 10, 10, 10}, {"O1", "O", 12.75, 10, 10}, {"O2", "O", 7.15, 10, 10},
                {"O3", "O", 10, 12.95, 10}, {"O4", "O", 10, 6.95, 10}, {"O5", "O", 10, 10, 13.15},
                {"O6", "O", 10, 10, 6.8}, {"O7", "O", 12.83, 12.83, 10}}),
       "K1", "O1 O2 O3 O4 O5 O6", "", "O1 O2 O3 O4"},
  };
  for (const TSphereCase& c : cases) {
    SCOPED_TRACE(c.Name);
    CheckSphere(c);
  }
}


TEST(ChemicalSphere, TheReportListsWhatWasLeftOutAndTheConfiguration) {
  const std::string path = WriteScratchFile(
      "groups.cif", SiteCif(Square("Ni", {{"O5A", "O", 10, 10, 12.1, 0.5, "A", "1"},
                                          {"O5B", "O", 10.6, 10, 12.0, 0.5, "A", "2"}})));
  const std::string report = RunProgram({path, "Ni1", "--shapes=all"}).Console;
  const std::string e(kLineEnd);
  EXPECT_NE(report.find("Configuration: assembly A, group 1 (occupancy 0.50)" + e), std::string::npos)
      << report;
  EXPECT_NE(report.find("Left out of the sphere (1; --sphere=radii takes them):" + e +
                        "  No  Atom            Symmetry    Distance [A]  Reason" + e +
                        "   1  O5B             1_555       2.088         other disorder group" + e),
            std::string::npos)
      << report;
  // The CN error of a normal run lists them too, and names the other sphere.
  const std::string six = WriteScratchFile(
      "six.cif", SiteCif(Square("Ni", {{"O5A", "O", 10, 10, 12.1, 0.5, "A", "1"},
                                       {"O5B", "O", 10.6, 10, 12.0, 0.5, "A", "2"},
                                       {"O6", "O", 10, 10, 7.9}})));
  const std::string error = RunProgram({six, "Ni1"}).Console;
  EXPECT_NE(error.find("Left out of the sphere (1; --sphere=radii takes them):"), std::string::npos);
  EXPECT_NE(error.find("       --sphere=radii also takes the atoms left out above." + e),
            std::string::npos)
      << error;
}

TEST(ChemicalSphere, SkippedAtomSitesAreNamedAfterTheSymmetryLine) {
  std::string cif = SiteCif(Square("Ni", {}));
  for (int k = 1; k <= 6; ++k) cif.append("Q").append(std::to_string(k)).append(" C 3/4 0.5 ? 1 . .\n");
  const std::string report = RunProgram({WriteScratchFile("skipped.cif", cif), "Ni1"}).Console;
  const std::string e(kLineEnd);
  EXPECT_NE(report.find("Symmetry     : 1 operation(s), 5 atom sites" + e +
                        "Warning      : 6 atom site(s) skipped, coordinates missing or not numbers: "
                        "Q1, Q2, Q3, Q4, Q5, ..." + e),
            std::string::npos)
      << report;
}

TEST(ChemicalSphere, WhereNoRuleActsTheDefaultIsTheBondRuleOnEveryRealCentre) {
  std::vector<std::string> files;
  for (const char* name :
       {"cif/cod1513675_GaCl4.cif", "cif/cod1514866_Ni_disorder.cif", "cif/cod2208504_Cu10.cif",
        "cif/cod2238212_ZnS4.cif", "cif/finalcif_multi_3blocks.cif", "shelx/p21c.res",
        "shelx/2240189.res", "cif/cod4308312_Pd.cif", "cif/dom1_mC.cif"}) {
    const std::string path = RealDataFile(name);
    if (!path.empty()) files.push_back(path);
  }
  if (files.empty()) GTEST_SKIP() << "shared/realdata is absent";
  std::vector<std::string> args = {"--all", "--format=json"};
  args.insert(args.end(), files.begin(), files.end());
  const std::vector<json> chemical = JsonLines(RunProgram(args).Console);
  args.push_back("--sphere=radii");
  const std::vector<json> radii = JsonLines(RunProgram(args).Console);
  ASSERT_EQ(chemical.size(), radii.size());
  int acted = 0;
  for (size_t i = 0; i < chemical.size(); ++i) {
    if (chemical[i].contains("error")) continue;
    if (!chemical[i]["excluded"].empty()) {
      ++acted;
      continue;
    }
    EXPECT_EQ(Names(chemical[i]["ligands"]), Names(radii[i]["ligands"]))
        << chemical[i]["file"] << " " << chemical[i]["centre"];
  }
  EXPECT_GT(acted, 0);
}

TEST(ChemicalSphere, RealCentresLoseTheirMetalContactsAndSecondShellAtoms) {
  const struct {
    const char* File;
    const char* Centre;
    int Cn;
    const char* Reason;  // of the first atom left out
  } cases[] = {
      {"cif/dom1_mC.cif", "Fe02", 7, "metal contact"},  // 9 with the two Fe02
      {"xyz/orca_PdOAc2_PBE0.xyz", "Pd2", 4, "behind O"},
      {"cif/cod7011014_Fe.cif", "Fe", 4, "behind N"},
      {"cif/cod2208504_Cu10.cif", "Cu4", 4, "metal contact"},
  };
  // A ferrocene: two eta5 rings, CN 2.
  const std::string ferrocene = RealDataFile("cif/ccdc668839_Fe_2blocks.cif");
  if (!ferrocene.empty()) {
    const TRunResult run = RunProgram({ferrocene, "Fe(1)", "--shapes=all"});
    EXPECT_EQ(run.Status, 0) << run.Console;
    EXPECT_NE(run.Console.find("  Cg1 = centroid of C(32) C(24) C(27) C(43) C(23) (eta5)"),
              std::string::npos)
        << run.Console;
    EXPECT_NE(run.Console.find("Coordination number: 2  ->  shape measures"), std::string::npos);
  }
  // A named centroid, "Cg(C5+C6)", is the centroid the sphere finds.
  const std::string olefin = RealDataFile("cif/cod4105625_Pt_olefin.cif");
  if (!olefin.empty()) {
    EXPECT_EQ(RunProgram({olefin, "Pt1", "Cg(C6+C5)", "N7", "Cl1,Cl2", "--brief"}).Console,
              RunProgram({olefin, "Pt1", "--brief"}).Console);
  }
  for (const auto& c : cases) {
    const std::string path = RealDataFile(c.File);
    if (path.empty()) GTEST_SKIP() << "shared/realdata is absent";
    const json record = JsonLines(RunProgram({path, c.Centre, "--format=json"}).Console).at(0);
    EXPECT_EQ(record["cn"], c.Cn) << c.File;
    ASSERT_FALSE(record["excluded"].empty()) << c.File;
    EXPECT_EQ(record["excluded"][0]["reason"].get<std::string>().rfind(c.Reason, 0), 0u)
        << c.File << " " << record["excluded"];
  }
}

TEST(ChemicalSphere, AnElementReadFromALabelThatTheFormulaLacksIsWarnedAboutAndNoCentre) {
  // No type symbols: Wat1 is read as W, which the formula does not hold.
  const std::string cif =
      "data_gyp\n_cell_length_a 20\n_cell_length_b 20\n_cell_length_c 20\n"
      "_chemical_formula_sum 'Ca O4'\nloop_\n_atom_site_label\n_atom_site_fract_x\n"
      "_atom_site_fract_y\n_atom_site_fract_z\nCa1 0.5 0.5 0.5\nO1 0.62 0.5 0.5\nO2 0.38 0.5 0.5\n"
      "Wat1 0.5 0.62 0.5\nO3 0.5 0.38 0.5\n";
  const std::string path = WriteScratchFile("label.cif", cif);
  const std::string report = RunProgram({path, "Ca1"}).Console;
  EXPECT_NE(report.find("Warning      : atom Wat1 is read as W, which the formula Ca O4 does not "
                        "contain." + std::string(kLineEnd)),
            std::string::npos)
      << report;
  const std::vector<json> survey = JsonLines(RunProgram({"--all", path, "--format=json"}).Console);
  ASSERT_EQ(survey.size(), 1u);  // Ca1 only, not Wat1
  EXPECT_EQ(survey[0]["centre"], "Ca1");
  EXPECT_EQ(Names(survey[0]["ligands"]), "O1 O2 O3 Wat1");  // doubted, not a metal contact
}

TEST(ChemicalSphere, TheCentroidsSuAgreeWithMonteCarloOfItsMembers) {
  // An eta5 ring over Fe, every coordinate with an su of 0.0005 (0.01 A in
  // a 20 A cell); the Fe-Cg distance su against the spread of the distance
  // over random member and Fe positions.
  const double su = 0.0005;
  const std::vector<std::array<double, 3>> sites = {
      {10, 10, 10}, {10.0, 11.21, 11.7}, {11.15, 10.37, 11.7}, {10.71, 9.02, 11.7},
      {9.29, 9.02, 11.7}, {8.85, 10.37, 11.7}, {12.3, 10, 10}};
  const char* labels[] = {"Fe1", "C1", "C2", "C3", "C4", "C5", "Cl1"};
  std::ostringstream cif;
  cif << "data_ring\n_cell_length_a 20\n_cell_length_b 20\n_cell_length_c 20\nloop_\n"
         "_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";
  cif.setf(std::ios::fixed);
  cif.precision(4);
  for (size_t i = 0; i < sites.size(); ++i) {
    cif << labels[i];
    for (double x : sites[i]) cif << ' ' << x / 20 << "(5)";
    cif << '\n';
  }
  const json record =
      JsonLines(RunProgram({WriteScratchFile("ring.cif", cif.str()), "Fe1", "--format=json"}).Console)
          .at(0);
  ASSERT_EQ(record["ligands"][0]["label"], "Cg1") << record;
  EXPECT_EQ(record["ligands"][0]["hapticity"], 5);
  const double reported = record["ligands"][0]["distance_su"].get<double>();

  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, su * 20);
  const int draws = 20000;
  double sum = 0, sumSquares = 0;
  for (int k = 0; k < draws; ++k) {
    std::array<double, 3> fe{}, centroid{};
    for (size_t i = 0; i < 6; ++i)
      for (size_t a = 0; a < 3; ++a) {
        const double x = sites[i][a] + noise(random);
        if (i == 0)
          fe[a] = x;
        else
          centroid[a] += x / 5;
      }
    const double d = std::sqrt(std::pow(fe[0] - centroid[0], 2) + std::pow(fe[1] - centroid[1], 2) +
                               std::pow(fe[2] - centroid[2], 2));
    sum += d;
    sumSquares += d * d;
  }
  const double spread = std::sqrt(sumSquares / draws - std::pow(sum / draws, 2));
  EXPECT_NEAR(reported, spread, 0.15 * spread);
}

TEST(ChemicalSphere, ACentroidOfAtomsOfTheMatrixGetsItsSuFromTheFullMatrix) {
  const std::string res = RealShelxWithMatrix("centroid");  // dom1_mC.res beside its .mat
  if (res.empty()) GTEST_SKIP() << "shared/realdata is absent";
  const json record = JsonLines(RunProgram({res, "FE02", "Cg(CL03+CL04)", "CL04#1_565",
                                            "CL03#1_565", "CL06", "--format=json"})
                                    .Console)
                          .at(0);
  ASSERT_EQ(record["ligands"][0]["label"], "Cg1") << record;
  EXPECT_EQ(record["su_source"], "matrix");
  // An su of the order of the members' (2.302(4), 2.215(5) A): from the
  // matrix, where the centroid is no refined parameter of its own.
  const double su = record["ligands"][0]["distance_su"].get<double>();
  EXPECT_GT(su, 0.0005);
  EXPECT_LT(su, 0.005);
}

TEST(ChemicalSphere, ASiteFactorOfOneThirdOnAThreeFoldAxisIsFullOccupancy) {
  // Cl on the 3-fold axis x,x,x of R3 (rhombohedral axes), written with the
  // SHELX site factor 0.33 and the refinement flag S; Cu bonds to it.
  const std::string cif =
      "data_mu3\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n"
      "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n"
      "loop_\n_space_group_symop_operation_xyz\nx,y,z\nz,x,y\ny,z,x\n"
      "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
      "_atom_site_fract_z\n_atom_site_occupancy\n_atom_site_refinement_flags\n"
      "Cu1 Cu 0.3 0.2 0.2 1 .\nCl1 Cl 0.17 0.17 0.17 0.33 S\nO1 O 0.5 0.2 0.2 1 .\n";
  const std::string path = WriteScratchFile("site_factor.cif", cif);
  const json record = JsonLines(RunProgram({path, "Cu1", "--format=json"}).Console).at(0);
  EXPECT_EQ(Names(record["ligands"]), "Cl1 O1") << record;
}
