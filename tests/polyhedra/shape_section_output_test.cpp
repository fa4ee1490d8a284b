// The shape section as the report, the HTML file and the records show it:
// its lines on a real structure, the same numbers in every output, CSV
// columns of the CNs present and the HTML table.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "polyhedron_runs.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

double SuOf(const json& value) { return value.is_null() ? 0.0 : value.get<double>(); }

// The S column of the section's rows, by label.
std::map<std::string, std::string> MeasureCells(const std::vector<std::string>& section) {
  std::map<std::string, std::string> cells;
  for (size_t i = 2; i < section.size() && !StartsWith(section[i], "  Noise") &&
                     !StartsWith(section[i], "  No su");
       ++i) {
    const std::vector<std::string_view> words = SplitAtBlanksAndTabs(section[i]);
    // label ... symmetry S [below the noise level]
    const bool marked = Contains(section[i], "below the noise level");
    cells[std::string(words.front())] = std::string(words[words.size() - (marked ? 5 : 1)]);
  }
  return cells;
}

std::vector<std::string> CsvCells(const std::string& line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      cells.emplace_back();
    } else {
      cells.back() += c;
    }
  }
  return cells;
}

}  // namespace

TEST(ShapeSectionOutput, TheSectionOfARealSquareToTetrahedronCentre) {
  const std::string cif = RealDataFile("cif/cod4319975_NiN2Cl2.cif");
  if (cif.empty()) GTEST_SKIP() << "shared/realdata is absent";
  const TRunResult run = RunProgram({cif, "Ni1", "--shapes=all"});
  ASSERT_EQ(run.Status, 0);
  EXPECT_EQ(SectionOf(run.Console, "Continuous shape measures"),
            (std::vector<std::string>{
                "Continuous shape measures for CN 4 (S = 0 for the ideal shape)",
                "  Label    Reference polyhedron                          Symmetry         S",
                "  SP-4     Square                                        D4h       22.33(9)",
                "  T-4      Tetrahedron                                   Td         4.50(5)",
                "  SS-4     Seesaw or sawhorse (cis-divacant octahedron)  C2v        2.00(3)",
                "  vTBPY-4  Axially vacant trigonal bipyramid             C3v        4.03(4)",
                "  Noise level: S = 0.00078, what the coordinate su alone give on average;",
                "  a measure below it is indistinguishable from the ideal shape.",
                "  Closest shape: SS-4 - Seesaw or sawhorse (cis-divacant octahedron), S = 2.00(3)",
                "",
                "  Minimal-distortion paths (Casanova et al., J. Am. Chem. Soc. 126, 1755 (2004)):",
                "  Path      Deviation [%]  Coordinate [%]",
                "  SP-4/T-4      14.71(15)       79.97(17)  0 % = SP-4, 100 % = T-4",
                "",
                "  SS-4 is SHAPE's seesaw, the cis-divacant octahedron (angles 180 and",
                "  90 deg); the seesaw of the tau4 weights has the angles 180 and 120 deg.",
                "  The su of S were propagated from the coordinate and cell su (without",
                "  correlations), with the optimal assignment and rotation of each S held fixed."}));
  // The section stands after the geometry index and before the closing note.
  const size_t weights = run.Console.find("  Weights of the ideal shapes:");
  const size_t section = run.Console.find("Continuous shape measures");
  const size_t note = run.Console.find("Note: angles marked (CIF)");
  EXPECT_LT(weights, section);
  EXPECT_LT(section, note);
}

TEST(ShapeSectionOutput, RecordsCarryTheNumbersThatTheReportRounds) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  const std::string real = RealDataFile("cif/cod4319975_NiN2Cl2.cif");
  struct TCase {
    std::string File, Centre;
  };
  std::vector<TCase> cases = {{three, "Zn1"}, {three, "Cu1"}, {three, "Co1"},
                              {ExampleFile("fe_trigonal_bipyramid.xyz"), "Fe2"}};
  if (!real.empty()) cases.push_back({real, "Ni1"});
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Centre);
    const TRunResult text = RunProgram({c.File, c.Centre, "--shapes=all"});
    ASSERT_EQ(text.Status, 0) << text.Console;
    const json record = JsonLines(RunProgram({c.File, c.Centre, "--shapes=all", "--format=json"}).Console).at(0);
    const std::map<std::string, std::string> cells =
        MeasureCells(SectionOf(text.Console, "Continuous shape measures"));
    ASSERT_EQ(cells.size(), record["cshm"].size());
    for (const auto& [label, measure] : record["cshm"].items()) {
      EXPECT_EQ(FormatValueSu(measure["value"].get<double>(), SuOf(measure["su"]), 3), cells.at(label))
          << label;
      if (record["su_source"] == "none") {
        EXPECT_TRUE(measure["su"].is_null());
        EXPECT_TRUE(measure["noise_level"].is_null());
      } else {
        EXPECT_GT(measure["noise_level"].get<double>(), 0);
      }
    }
    const std::string closest = record["closest_shape"];
    EXPECT_TRUE(Contains(text.Console, "  Closest shape: " + closest + " - "));
    for (const auto& [label, path] : record["paths"].items()) {
      const std::string deviation = FormatValueSu(path["deviation"].get<double>(), SuOf(path["deviation_su"]), 1);
      const std::string coordinate = FormatValueSu(path["coordinate"].get<double>(), SuOf(path["coordinate_su"]), 1);
      bool found = false;
      for (const std::string& line : OutputLines(text.Console))
        found = found || (StartsWith(line, "  " + label + " ") && Contains(line, " " + deviation + " ") &&
                          Contains(line, " " + coordinate + "  0 % = "));
      EXPECT_TRUE(found) << label << " " << deviation << " " << coordinate;
    }
  }
}

TEST(ShapeSectionOutput, ACsvSurveyHasTheColumnsOfTheCNsPresentInTheTablesOrder) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  const TRunResult csv = RunProgram({"--all", three, "--shapes=all", "--format=csv"});
  ASSERT_EQ(csv.Status, 0) << csv.Console;
  const std::vector<std::string> lines = OutputLines(csv.Console);
  ASSERT_EQ(lines.size(), 4u);
  const std::vector<std::string> header = CsvCells(lines[0]);
  // The columns of today first, then the shape columns, "error" last.
  const std::vector<std::string> plainHeader =
      CsvCells(OutputLines(RunProgram({"--all", three, "--format=csv"}).Console).at(0));
  ASSERT_GT(header.size(), plainHeader.size());
  EXPECT_TRUE(std::equal(plainHeader.begin(), plainHeader.end() - 1, header.begin()));
  EXPECT_EQ(header.back(), "error");
  std::vector<std::string> shapeColumns;
  for (size_t i = plainHeader.size() - 1; i + 1 < header.size(); ++i)
    if (StartsWith(header[i], "cshm_") && header[i] != "cshm_noise_level") shapeColumns.push_back(header[i]);
  std::vector<std::string> expected;
  for (int cn : {4, 5, 6})
    for (const TShapeReference* reference : ShapeReferencesOfCN(cn)) {
      expected.push_back("cshm_" + std::string(reference->Label));
      expected.push_back("cshm_" + std::string(reference->Label) + "_su");
    }
  EXPECT_EQ(shapeColumns, expected);
  for (const char* column : {"cshm_noise_level", "closest_shape", "paths_SP-4/T-4_deviation",
                             "paths_TBPY-5/SPY-5_coordinate_su", "paths_OC-6/TPR-6_coordinate"})
    EXPECT_NE(std::find(header.begin(), header.end(), column), header.end()) << column;

  // Each row holds the numbers of its JSON record in its CN's columns only.
  const std::vector<json> records = JsonLines(RunProgram({"--all", three, "--shapes=all", "--format=json"}).Console);
  ASSERT_EQ(records.size(), 3u);
  for (size_t r = 0; r < records.size(); ++r) {
    const std::vector<std::string> row = CsvCells(lines[r + 1]);
    ASSERT_EQ(row.size(), header.size());
    std::map<std::string, std::string> byColumn;
    for (size_t i = 0; i < header.size(); ++i) byColumn[header[i]] = row[i];
    const json& cshm = records[r]["cshm"];
    for (const std::string& column : expected) {
      if (Contains(column, "_su")) continue;
      const std::string label = column.substr(5);
      if (cshm.contains(label))
        EXPECT_EQ(json::parse(byColumn[column]), cshm[label]["value"]) << column;
      else
        EXPECT_EQ(byColumn[column], "") << column;
    }
    EXPECT_EQ(byColumn["closest_shape"], records[r]["closest_shape"].get<std::string>());
  }
}

TEST(ShapeSectionOutput, ASingleCsvRecordHasTheColumnsOfItsCN) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  const std::vector<std::string> lines =
      OutputLines(RunProgram({three, "Co1", "--shapes=OC-6,TPR-6", "--format=csv"}).Console);
  ASSERT_EQ(lines.size(), 2u);
  const std::vector<std::string> header = CsvCells(lines[0]);
  EXPECT_NE(std::find(header.begin(), header.end(), "cshm_OC-6"), header.end());
  EXPECT_NE(std::find(header.begin(), header.end(), "paths_OC-6/TPR-6_deviation"), header.end());
  EXPECT_EQ(std::find(header.begin(), header.end(), "cshm_HP-6"), header.end());
  EXPECT_EQ(std::find(header.begin(), header.end(), "cshm_SP-4"), header.end());
  // Without --shapes the record is today's.
  const std::vector<std::string> plain = OutputLines(RunProgram({three, "Zn1", "--format=csv"}).Console);
  EXPECT_EQ(std::count(plain[0].begin(), plain[0].end(), ','), 22);
  EXPECT_EQ(plain[0].find("cshm"), std::string::npos);
}

TEST(ShapeSectionOutput, TheHtmlFileShowsTheSectionAsTablesAndTheRestAsBefore) {
  const std::string three = WriteScratchFile("three_centres.cif", kThreeCentresCif);
  const std::string shapedHtml = ScratchDir() + "/shaped.html";
  const std::string plainHtml = ScratchDir() + "/plain.html";
  ASSERT_EQ(RunProgram({three, "Zn1", "--shapes=all", "html=" + shapedHtml}).Status, 0);
  ASSERT_EQ(RunProgram({three, "Zn1", "html=" + plainHtml}).Status, 0);
  const std::string shaped = ReadWholeFile(shapedHtml);
  const std::string plain = ReadWholeFile(plainHtml);
  const std::string title =
      "</pre>" + kE + "<p><b>Continuous shape measures for CN 4 (S = 0 for the ideal shape)</b></p>" + kE +
      "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">" + kE +
      "<tr><th>Label</th><th>Reference polyhedron</th><th>Symmetry</th><th align=\"right\">S</th><th></th></tr>" +
      kE + "<tr><td>SP-4</td><td>Square</td><td>D4h</td><td align=\"right\">";
  const size_t start = shaped.find(title);
  ASSERT_NE(start, std::string::npos) << shaped;
  EXPECT_TRUE(Contains(shaped, "<tr><td>SS-4</td><td>Seesaw or sawhorse (cis-divacant octahedron)</td>"));
  EXPECT_TRUE(Contains(shaped, "<pre>" + kE + "SS-4 is SHAPE's seesaw"));
  // Without the section's HTML (and the empty line that follows it in the
  // text) the file is that of the run without --shapes.
  const std::string resume = "</pre>" + kE + "<pre>" + kE;
  const size_t end = shaped.rfind(resume);
  ASSERT_NE(end, std::string::npos);
  const size_t after = end + resume.size();
  ASSERT_EQ(shaped.compare(after, kE.size(), kE), 0);
  EXPECT_EQ(shaped.substr(0, start) + shaped.substr(after + kE.size()), plain);
}
