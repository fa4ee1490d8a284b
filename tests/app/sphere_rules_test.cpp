// The default sphere on real centres, the element check against the formula,
// and the su of centroids. (The made-up structure of each rule, with its
// ligands and the atoms left out, is a whole-run case: ChemicalSphere.*.)
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <regex>

#include "support/run_support.h"
#include "support/survey_structures.h"
#include "support/test_support.h"

namespace {

using json = nlohmann::json;

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

}  // namespace

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

TEST(ChemicalSphere, TheCentroidsSuAgreeWithMonteCarloOfItsMembers) {
  // An eta5 ring over Fe, every coordinate with an su of 0.0005 (0.01 A in
  // a 20 A cell); the Fe-Cg distance su against the spread of the distance
  // over random member and Fe positions.
  const double su = 0.0005;
  const std::vector<std::array<double, 3>> sites = {
      {10, 10, 10}, {10.0, 11.21, 11.7}, {11.15, 10.37, 11.7}, {10.71, 9.02, 11.7},
      {9.29, 9.02, 11.7}, {8.85, 10.37, 11.7}};
  // tests/data/runs/ChemicalSphere/ring.cif holds them, Cl1 at 2.3 A beside.
  const json record =
      JsonLines(RunProgram({TestDataFile("runs/ChemicalSphere/ring.cif"), "Fe1", "--format=json"}).Console).at(0);
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

