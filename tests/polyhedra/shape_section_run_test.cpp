// Whole runs with --shapes: which centres get a shape section, the errors of
// the labels, and what stays as it was.
#include <gtest/gtest.h>

#include "polyhedron_runs.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

// An ideal polyhedron of each CN 2 to 8 (Ni with O ligands).
struct TIdealCase {
  int CN;
  const char* Label;
};
constexpr TIdealCase kIdealCases[] = {{2, "L-2"},    {3, "TP-3"},   {4, "T-4"},   {5, "TBPY-5"},
                                      {6, "OC-6"},   {7, "PBPY-7"}, {8, "SAPR-8"}};

std::string IdealCif(const TIdealCase& c) {
  return WriteScratchFile(std::string("ideal_") + c.Label + ".cif",
                          PolyhedronCif("Ni", ReferenceOffsets(Reference(c.Label)), {"O"}));
}

// A tricapped trigonal prism: nine O around the Ni.
std::string NineCoordinateCif() {
  std::vector<TVec3> offsets;
  for (int k = 0; k < 3; ++k) {
    const double phi = 2 * 3.14159265358979 * k / 3;
    offsets.push_back({1.6 * std::cos(phi), 1.6 * std::sin(phi), 1.2});
    offsets.push_back({1.6 * std::cos(phi), 1.6 * std::sin(phi), -1.2});
    offsets.push_back({2.0 * std::cos(phi + 3.14159265358979 / 3), 2.0 * std::sin(phi + 3.14159265358979 / 3), 0});
  }
  return WriteScratchFile("nine.cif", PolyhedronCif("Ni", offsets, {"O"}));
}

// The report without the lines of the shape section: from its title to the
// empty line before the next unindented line, that line included.
std::string WithoutShapeSection(const std::string& console) {
  const std::vector<std::string> lines = OutputLines(console);
  std::string kept;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (StartsWith(lines[i], "Continuous shape measures for CN ")) inSection = true;
    if (!inSection) kept += lines[i] + kE;
    if (inSection && lines[i].empty() && (i + 1 == lines.size() || !StartsWith(lines[i + 1], " ")))
      inSection = false;
  }
  return kept;
}

}  // namespace

TEST(ShapeSectionRuns, WithShapesEveryCNFrom2To8GivesAReportAndWithoutThemOnly4And5Do) {
  for (const TIdealCase& c : kIdealCases) {
    SCOPED_TRACE(c.Label);
    const std::string cif = IdealCif(c);
    const std::string cn = std::to_string(c.CN);
    const TRunResult plain = RunProgram({cif, "Ni1"});
    if (c.CN == 4 || c.CN == 5) {
      EXPECT_EQ(plain.Status, 0);
    } else {
      EXPECT_EQ(plain.Status, 2);
      EXPECT_TRUE(Contains(plain.Console, "Error: coordination number " + cn +
                                              " - tau4/tau5 are defined for CN 4 and 5 only."));
    }
    const TRunResult shaped = RunProgram({cif, "Ni1", "--shapes=all"});
    EXPECT_EQ(shaped.Status, 0) << shaped.Console;
    EXPECT_TRUE(Contains(shaped.Console, kE + "Coordination number: " + cn + "  ->  " +
                                             (c.CN == 4   ? "tau4 / tau4'"
                                              : c.CN == 5 ? "tau5"
                                                          : "shape measures") +
                                             kE));
    const std::vector<std::string> section =
        SectionOf(shaped.Console, "Continuous shape measures for CN " + cn + " ");
    ASSERT_FALSE(section.empty());
    EXPECT_TRUE(Contains(shaped.Console, "Closest shape: " + std::string(c.Label) + " - "));
    // One row per reference of the CN, the ideal one marked.
    for (const TShapeReference* reference : ShapeReferencesOfCN(c.CN)) {
      const std::string start = "  " + std::string(reference->Label) + " ";
      const auto row = std::find_if(section.begin(), section.end(),
                                    [&](const std::string& line) { return StartsWith(line, start); });
      ASSERT_NE(row, section.end()) << reference->Label;
      EXPECT_EQ(Contains(*row, "below the noise level"), reference->Label == c.Label) << *row;
    }
    EXPECT_FALSE(Contains(shaped.Console, "Error"));
    // No tau where the CN has none; beta and alpha are tau's angles.
    EXPECT_EQ(Contains(shaped.Console, "Largest angle"), c.CN == 4 || c.CN == 5);
  }
}

TEST(ShapeSectionRuns, NamedLigandsFrom2To8GiveAReportAndOtherCountsKeepTheirError) {
  const std::string cif = IdealCif({8, "SAPR-8"});
  const std::vector<std::string> ligands = {"O1", "O2", "O3", "O4", "O5", "O6", "O7", "O8"};
  for (size_t n = 1; n <= 8; ++n) {
    SCOPED_TRACE(n);
    std::vector<std::string> args = {cif, "Ni1"};
    args.insert(args.end(), ligands.begin(), ligands.begin() + static_cast<long>(n));
    args.push_back("shapes=all");
    const TRunResult run = RunProgram(args);
    if (n < 2) {
      EXPECT_EQ(run.Status, 2);
      EXPECT_TRUE(Contains(run.Console, "Error: exactly 4 (tau4) or 5 (tau5) ligands must be specified."));
      continue;
    }
    EXPECT_EQ(run.Status, 0) << run.Console;
    EXPECT_TRUE(Contains(run.Console, "Continuous shape measures for CN " + std::to_string(n) + " "));
  }
  const TRunResult nine = RunProgram({NineCoordinateCif(), "Ni1", "O1", "O2", "O3", "O4", "O5", "O6",
                                      "O7", "O8", "O9", "--shapes=all"});
  EXPECT_EQ(nine.Status, 2);
  EXPECT_TRUE(Contains(nine.Console, "Error: exactly 4 (tau4) or 5 (tau5) ligands must be specified."));
}

TEST(ShapeSectionRuns, ACentreOfCN9KeepsTheCNErrorWithShapes) {
  const TRunResult run = RunProgram({NineCoordinateCif(), "Ni1", "--shapes=all"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_TRUE(Contains(run.Console, "Neighbours found (9):"));
  EXPECT_TRUE(Contains(run.Console, "Error: coordination number 9 - tau4/tau5 are defined for CN 4 and 5 only."));
  EXPECT_FALSE(Contains(run.Console, "Continuous shape measures"));
  // As a record it is a result without indices and without shape measures.
  const json record = JsonLines(RunProgram({NineCoordinateCif(), "Ni1", "--shapes=all", "--format=json"}).Console).at(0);
  EXPECT_EQ(record["cn"], 9);
  EXPECT_TRUE(record["cshm"].is_null());
  EXPECT_TRUE(record["paths"].is_null());
}

TEST(ShapeSectionRuns, ALabelOfAnotherCNOrOfNoneIsARunErrorListingTheLabelsOfTheCN) {
  const std::string cif = IdealCif({4, "T-4"});
  for (const char* value : {"XX", "OC-6", "sp-4,XX"}) {
    SCOPED_TRACE(value);
    const TRunResult run = RunProgram({cif, "Ni1", std::string("--shapes=") + value});
    EXPECT_EQ(run.Status, 2);
    const std::string bad = std::string(value) == "sp-4,XX" ? "XX" : value;
    // After the report's header, once the CN is known.
    EXPECT_TRUE(Contains(run.Console, "Coordination number: 4  ->  tau4 / tau4'" + kE + "Error: unknown shape for CN 4: " +
                                          bad + " (SP-4, T-4, SS-4, vTBPY-4)" + kE))
        << run.Console;
    const json record = JsonLines(RunProgram({cif, "Ni1", std::string("shapes=") + value, "--format=json"}).Console).at(0);
    EXPECT_EQ(record["error"], "unknown shape for CN 4: " + bad + " (SP-4, T-4, SS-4, vTBPY-4)");
  }
  // ASCII case is ignored; the rows come in the order given, each once.
  const TRunResult run = RunProgram({cif, "Ni1", "--shapes=t-4, Sp-4,T-4"});
  ASSERT_EQ(run.Status, 0) << run.Console;
  const std::vector<std::string> section = SectionOf(run.Console, "Continuous shape measures for CN 4 ");
  ASSERT_GE(section.size(), 4u);
  EXPECT_TRUE(StartsWith(section[2], "  T-4 "));
  EXPECT_TRUE(StartsWith(section[3], "  SP-4 "));
  EXPECT_TRUE(StartsWith(section[4], "  Noise level"));
}

TEST(ShapeSectionRuns, TheSectionOnlyAddsLinesToTheReportAndFieldsToTheRecord) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  struct TCase {
    std::string File, Centre;
  };
  for (const TCase& c : {TCase{ExampleFile("ni_square_planar.cif"), "Ni1"}, TCase{three, "Zn1"},
                         TCase{three, "Cu1"}}) {
    SCOPED_TRACE(c.Centre);
    const TRunResult plain = RunProgram({c.File, c.Centre});
    const TRunResult shaped = RunProgram({c.File, c.Centre, "--shapes=all"});
    EXPECT_EQ(shaped.Status, 0);
    EXPECT_NE(shaped.Console, plain.Console);
    EXPECT_EQ(WithoutShapeSection(shaped.Console), plain.Console);
    EXPECT_EQ(RunProgram({c.File, c.Centre, "--shapes=all", "--brief"}).Console,
              RunProgram({c.File, c.Centre, "--brief"}).Console);

    json record = JsonLines(RunProgram({c.File, c.Centre, "--shapes=all", "--format=json"}).Console).at(0);
    const json plainRecord = JsonLines(RunProgram({c.File, c.Centre, "--format=json"}).Console).at(0);
    for (const char* key : {"cshm", "closest_shape", "paths"}) {
      EXPECT_TRUE(record.contains(key)) << key;
      record.erase(key);
    }
    EXPECT_EQ(record, plainRecord);
  }
}

TEST(ShapeSectionRuns, BriefShowsTheSurveyLineForACNWithoutIndices) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  const TRunResult run = RunProgram({three, "Co1", "--shapes=OC-6", "--brief"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console, "Co1: CN 6  [O2 O3 O4 O5 O6 O7]" + kE);
}

TEST(ShapeSectionRuns, InASurveyEachLabelAppliesToTheCentresOfItsCN) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  const TRunResult run = RunProgram({"--all", three, "--shapes=oc-6,SP-4", "--format=json"});
  EXPECT_EQ(run.Status, 0) << run.Console;
  const std::vector<json> records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0]["centre"], "Zn1");
  EXPECT_EQ(records[0]["cshm"].size(), 1u);
  EXPECT_TRUE(records[0]["cshm"].contains("SP-4"));
  EXPECT_TRUE(records[0]["paths"].empty());  // T-4 was not named
  EXPECT_TRUE(records[1]["cshm"].is_null());  // no CN 5 label named
  EXPECT_EQ(records[2]["closest_shape"], "OC-6");
  EXPECT_TRUE(records[2]["cshm"].contains("OC-6"));
  // A CN other than 4 or 5 keeps a record without indices.
  EXPECT_TRUE(records[2]["tau4"].is_null());
}

TEST(ShapeSectionRuns, InASurveyALabelOfNoCNEndsTheRunBeforeAnyFileIsRead) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  const TRunResult run = RunProgram({"--all", three, "missing.cif", "--shapes=SP-4,QQ-9"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Console,
            "Error: unknown shape in --shapes: QQ-9 (no reference polyhedron of CN 2 to 8 has this label)" + kE);
}

TEST(ShapeSectionRuns, AnEmptyValueOfShapesIsAnOptionError) {
  const TRunResult run = RunProgram({ExampleFile("ni_square_planar.cif"), "Ni1", "shapes= ,"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Console, "Error: --shapes needs a value: all, or shape labels such as SP-4,T-4" + kE);
}
