// Whole runs with --shapes: which centres get a shape section, the errors of
// the labels, and what stays as it was.
#include <gtest/gtest.h>

#include "support/polyhedron_runs.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

// An ideal polyhedron of each CN 2 to 8 (Ni with O ligands).
constexpr std::pair<int, const char*> kIdeal[] = {{2, "L-2"},    {3, "TP-3"},   {4, "T-4"},   {5, "TBPY-5"},
                                                  {6, "OC-6"},   {7, "PBPY-7"}, {8, "SAPR-8"}};

// The report without the sections of --shapes: from each title to the
// empty line before the next unindented line, that line included.
std::string WithoutShapeSections(const std::string& console) {
  const std::vector<std::string> lines = OutputLines(console);
  std::string kept;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    for (const char* title : {"Continuous shape measures for CN ", "su of the geometry index with the",
                              "Basal plane (CN 5)", "Octahedral distortion parameters (CN 6)"})
      inSection = inSection || StartsWith(lines[i], title);
    if (!inSection) kept += lines[i] + kE;
    if (inSection && lines[i].empty() && (i + 1 == lines.size() || !StartsWith(lines[i + 1], " ")))
      inSection = false;
  }
  return kept;
}

}  // namespace

TEST(ShapeSectionRuns, TheSectionsOnlyAddLinesToTheReportAndFieldsToTheRecord) {
  const std::string three = TestDataFile("runs/Survey/three_centres.cif");
  for (const auto& [file, centre] : {std::pair{ExampleFile("ni_square_planar.cif"), "Ni1"}, std::pair{three, "Zn1"},
                                     std::pair{three, "Cu1"}, std::pair{ExampleFile("fe_trigonal_bipyramid.xyz"), "Fe2"}}) {
    SCOPED_TRACE(centre);
    const TRunResult plain = RunProgram({file, centre});
    const TRunResult shaped = RunProgram({file, centre, "--shapes=all"});
    EXPECT_NE(shaped.Console, plain.Console);
    EXPECT_EQ(WithoutShapeSections(shaped.Console), plain.Console);
    EXPECT_EQ(RunProgram({file, centre, "--shapes=all", "--brief"}).Console, RunProgram({file, centre, "--brief"}).Console);
    json record = JsonLines(RunProgram({file, centre, "--shapes=all", "--format=json"}).Console).at(0);
    for (const char* key : {"cshm", "closest_shape", "paths", "octahedral", "trans_pairs", "tau4_su_correlated",
                            "tau4_prime_su_correlated", "tau5_su_correlated", "beta_alpha_correlation",
                            "basal_displacement", "basal_displacement_su", "apex_tilt", "apex_tilt_su"})
      EXPECT_EQ(record.erase(key), 1u) << key;
    EXPECT_EQ(record, JsonLines(RunProgram({file, centre, "--format=json"}).Console).at(0));
  }
  // --brief of a CN without indices: the survey's line.
  EXPECT_EQ(RunProgram({three, "Co1", "--shapes=OC-6", "--brief"}).Console, "Co1: CN 6  [O2 O3 O4 O5 O6 O7]" + kE);
}

