// Whole runs with --shapes: which centres get a shape section, the errors of
// the labels, and what stays as it was.
#include <gtest/gtest.h>

#include "polyhedron_runs.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

// An ideal polyhedron of each CN 2 to 8 (Ni with O ligands).
constexpr std::pair<int, const char*> kIdeal[] = {{2, "L-2"},    {3, "TP-3"},   {4, "T-4"},   {5, "TBPY-5"},
                                                  {6, "OC-6"},   {7, "PBPY-7"}, {8, "SAPR-8"}};

std::string IdealCif(const char* label) {
  return WriteScratchFile(std::string("ideal_") + label + ".cif",
                          PolyhedronCif("Ni", ReferenceOffsets(Reference(label)), {"O"}));
}

// A tricapped trigonal prism of nine O.
std::string NineCoordinateCif() {
  std::vector<TVec3> offsets;
  for (double phi : {0.0, 120.0, 240.0}) {
    const double c = std::cos(phi * kDegToRad), s = std::sin(phi * kDegToRad);
    for (double z : {1.2, -1.2}) offsets.push_back({1.6 * c, 1.6 * s, z});
    offsets.push_back({-2.0 * c, -2.0 * s, 0});
  }
  return WriteScratchFile("nine.cif", PolyhedronCif("Ni", offsets, {"O"}));
}

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

TEST(ShapeSectionRuns, WithShapesCN2To8FoundOrNamedGiveAReportAndOtherCNsKeepTheirError) {
  for (const auto& [cn, label] : kIdeal) {
    SCOPED_TRACE(label);
    const std::string cif = IdealCif(label), n = std::to_string(cn);
    const TRunResult plain = RunProgram({cif, "Ni1"});
    EXPECT_EQ(plain.Status, cn == 4 || cn == 5 ? 0 : 2);
    const TRunResult run = RunProgram({cif, "Ni1", "--shapes=all"});
    ASSERT_EQ(run.Status, 0) << run.Console;
    EXPECT_TRUE(Contains(run.Console, kE + "Coordination number: " + n + "  ->  " +
                                          (cn == 4 ? "tau4 / tau4'" : cn == 5 ? "tau5" : "shape measures") + kE));
    EXPECT_TRUE(Contains(run.Console, "  Closest shape: " + std::string(label) + ", S = "));
    // One row per reference of the CN, the ideal one marked; tau only for 4 and 5.
    const std::vector<std::string> section = SectionOf(run.Console, "Continuous shape measures for CN " + n + " ");
    for (const TShapeReference* reference : ShapeReferencesOfCN(cn)) {
      const auto row = std::find_if(section.begin(), section.end(), [&](const std::string& line) {
        return StartsWith(line, "  " + std::string(reference->Label) + " ");
      });
      ASSERT_NE(row, section.end()) << reference->Label;
      EXPECT_EQ(row->back() == '*', reference->Label == label) << *row;
    }
    EXPECT_EQ(Contains(run.Console, "Largest angle"), cn == 4 || cn == 5);
  }
  // Named: 2 to 8 ligands; 1 or 9 are an error that speaks of the shape
  // measures, as CN 9 found is.
  const std::string cif = IdealCif("SAPR-8");
  std::vector<std::string> args = {cif, "Ni1", "shapes=all"};
  for (int n = 1; n <= 8; ++n) {
    args.push_back(std::string("O").append(std::to_string(n)));
    EXPECT_EQ(RunProgram(args).Status, n >= 2 ? 0 : 2) << n;
  }
  const std::string nine = NineCoordinateCif();
  args[0] = nine;
  args.emplace_back("O9");
  EXPECT_TRUE(Contains(RunProgram(args).Console, "Error: 2 to 8 ligands must be specified with --shapes."));
  const TRunResult found = RunProgram({nine, "Ni1", "--shapes=all"});
  EXPECT_EQ(found.Status, 2);
  EXPECT_TRUE(Contains(found.Console, "Error: coordination number 9 - shape measures are defined for CN 2 to 8." + kE +
                                          "       Adjust the tolerance (--tol=) or specify the ligands explicitly."));
  // As a record it is a result without shape figures.
  const json record = JsonLines(RunProgram({nine, "Ni1", "--shapes=all", "--format=json"}).Console).at(0);
  EXPECT_EQ(record["cn"], 9);
  EXPECT_TRUE(record["cshm"].is_null());
}

TEST(ShapeSectionRuns, ALabelOfAnotherCNOrOfNoneIsARunErrorListingTheLabelsOfTheCN) {
  const std::string cif = IdealCif("T-4");
  for (const auto& [value, bad] : {std::pair{"XX", "XX"}, std::pair{"OC-6", "OC-6"}, std::pair{"sp-4,XX", "XX"}}) {
    const std::string message = std::string("unknown shape for CN 4: ") + bad + " (SP-4, T-4, SS-4, vTBPY-4)";
    const TRunResult run = RunProgram({cif, "Ni1", std::string("--shapes=") + value});
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Console, "Coordination number: 4  ->  tau4 / tau4'" + kE + "Error: " + message + kE));
    EXPECT_EQ(JsonLines(RunProgram({cif, "Ni1", std::string("shapes=") + value, "--format=json"}).Console).at(0)["error"],
              message);
  }
  // ASCII case is ignored; the rows come in the order given, each once.
  const std::vector<std::string> section =
      SectionOf(RunProgram({cif, "Ni1", "--shapes=t-4, Sp-4,T-4"}).Console, "Continuous shape measures");
  ASSERT_GE(section.size(), 5u);
  EXPECT_TRUE(StartsWith(section[2], "  T-4 ") && StartsWith(section[3], "  SP-4 ") &&
              StartsWith(section[4], "  Noise level"));
}

TEST(ShapeSectionRuns, TheSectionsOnlyAddLinesToTheReportAndFieldsToTheRecord) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
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

TEST(ShapeSectionRuns, InASurveyEachLabelAppliesToItsCNAndALabelOfNoCNEndsTheRunFirst) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  const std::vector<json> records = JsonLines(RunProgram({"--all", three, "--shapes=oc-6,SP-4", "--format=json"}).Console);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0]["cshm"].size(), 1u);   // Zn1: SP-4
  EXPECT_TRUE(records[0]["paths"].empty());   // T-4 not named
  EXPECT_TRUE(records[1]["cshm"].is_null());  // Cu1: no CN 5 label named
  EXPECT_EQ(records[2]["closest_shape"], "OC-6");
  const TRunResult run = RunProgram({"--all", three, "missing.cif", "--shapes=SP-4,QQ-9"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Console, "Error: unknown shape in --shapes: QQ-9 (no reference polyhedron of CN 2 to 8 has this label)" + kE);
}
