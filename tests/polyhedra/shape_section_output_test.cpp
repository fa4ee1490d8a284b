// The shape section as the report, the HTML file and the records show it:
// its lines on a real structure, the same numbers in every output, CSV
// columns of the CNs present and the HTML tables.
#include <gtest/gtest.h>

#include <map>

#include "base/format.h"
#include "support/polyhedron_runs.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

double SuOf(const json& value) { return value.is_null() ? 0.0 : value.get<double>(); }


}  // namespace

TEST(ShapeSectionOutput, RecordsCarryTheNumbersThatTheReportRounds) {
  const std::string three = TestDataFile("runs/Survey/three_centres.cif");
  for (const auto& [file, centre] : {std::pair{three, "Zn1"}, std::pair{three, "Cu1"}, std::pair{three, "Co1"},
                                     std::pair{ExampleFile("fe_trigonal_bipyramid.xyz"), "Fe2"}}) {
    SCOPED_TRACE(centre);
    const std::string report = RunProgram({file, centre, "--shapes=all"}).Console;
    const json record = JsonLines(RunProgram({file, centre, "--shapes=all", "--format=json"}).Console).at(0);
    const std::vector<std::string> section = SectionOf(report, "Continuous shape measures");
    for (const auto& [label, m] : record["cshm"].items()) {
      const std::string s = FormatValueSu(m["value"].get<double>(), SuOf(m["su"]), 3);
      EXPECT_EQ(std::count_if(section.begin(), section.end(), [&](const std::string& line) {
                  return StartsWith(line, "  " + label + " ") && Contains(line, " " + s);
                }), 1) << label << " " << s;
      EXPECT_EQ(m["noise_level"].is_null(), record["su_source"] == "none");
    }
    EXPECT_TRUE(Contains(report, "  Closest shape: " + record["closest_shape"].get<std::string>() + ", S = "));
    for (const auto& [label, p] : record["paths"].items()) {
      const std::string deviation = FormatValueSu(p["deviation"].get<double>(), SuOf(p["deviation_su"]), 1);
      const std::string coordinate = FormatValueSu(p["coordinate"].get<double>(), SuOf(p["coordinate_su"]), 1);
      EXPECT_TRUE(Contains(report, std::string(" ").append(deviation).append(" ")) &&
                  Contains(report, std::string(" ").append(coordinate).append("  0 % = ")))
          << label;
    }
  }
}

TEST(ShapeSectionOutput, ACsvSurveyHasTheColumnsOfEveryCNInTheTablesOrderWhateverTheData) {
  const std::string three = TestDataFile("runs/Survey/three_centres.cif");
  const std::vector<std::string> lines = OutputLines(RunProgram({"--all", three, "--shapes=all", "--format=csv"}).Console);
  ASSERT_EQ(lines.size(), 4u);
  const std::vector<std::string> header = CsvCells(lines[0]);
  // Today's columns first, then the shape columns, "error" last.
  const std::vector<std::string> plain = CsvCells(OutputLines(RunProgram({"--all", three, "--format=csv"}).Console)[0]);
  ASSERT_GT(header.size(), plain.size());
  EXPECT_TRUE(std::equal(plain.begin(), plain.end() - 1, header.begin()));
  EXPECT_EQ(header.back(), "error");
  std::vector<std::string> measures, expected;
  for (const std::string& column : header)
    if (StartsWith(column, "cshm_") && column != "cshm_noise_level") measures.push_back(column);
  for (int cn = 2; cn <= 8; ++cn)
    for (const TShapeReference* reference : ShapeReferencesOfCN(cn))
      for (const char* suffix : {"", "_su"}) expected.push_back("cshm_" + std::string(reference->Label) + suffix);
  EXPECT_EQ(measures, expected);
  // The columns follow from the options alone: a survey of one CN 4 centre
  // has the same header.
  const std::string one = TestDataFile("runs/ShapeSectionRuns/ideal_T-4.cif");
  EXPECT_EQ(OutputLines(RunProgram({"--all", one, "--shapes=SP-4", "--format=csv"}).Console).at(0), lines[0]);
  for (const char* column : {"paths_SP-4/T-4_deviation", "octahedral_theta_max_su", "octahedral_meaningful", "trans_pairs", "tau5_su_correlated"})
    EXPECT_NE(std::find(header.begin(), header.end(), column), header.end()) << column;
  // Each row holds its JSON record's numbers in its CN's columns only.
  const std::vector<json> records = JsonLines(RunProgram({"--all", three, "--shapes=all", "--format=json"}).Console);
  for (size_t r = 0; r < records.size(); ++r) {
    const std::vector<std::string> row = CsvCells(lines[r + 1]);
    ASSERT_EQ(row.size(), header.size());
    for (size_t i = 0; i < header.size(); ++i) {
      if (!StartsWith(header[i], "cshm_") || Contains(header[i], "_su") || header[i] == "cshm_noise_level") continue;
      const json& cshm = records[r]["cshm"];
      const std::string label = header[i].substr(5);
      EXPECT_EQ(row[i].empty(), !cshm.contains(label)) << header[i];
      if (!cshm.contains(label)) continue;
      EXPECT_EQ(json::parse(row[i]), cshm[label]["value"]) << header[i];
    }
  }
  EXPECT_EQ(CsvCells(lines[3])[static_cast<size_t>(std::find(header.begin(), header.end(), "trans_pairs") - header.begin())],
            "O2 O3; O4 O5; O6 O7");
}

TEST(ShapeSectionOutput, TheHtmlFileShowsTheSectionsAsTablesAndTheRestAsBefore) {
  const std::string three = TestDataFile("runs/Survey/three_centres.cif");
  const std::string shapedHtml = ScratchDir() + "/shaped.html", plainHtml = ScratchDir() + "/plain.html";
  ASSERT_EQ(RunProgram({three, "Zn1", "--shapes=all", "html=" + shapedHtml}).Status, 0);
  ASSERT_EQ(RunProgram({three, "Zn1", "html=" + plainHtml}).Status, 0);
  const std::string shaped = ReadWholeFile(shapedHtml);
  const size_t start = shaped.find(
      "</pre>" + kE + "<p><b>Continuous shape measures for CN 4 (S = 0 for the ideal shape)</b></p>" + kE +
      "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">" + kE +
      "<tr><th>Label</th><th>Reference polyhedron</th><th>Symmetry</th><th align=\"right\">S</th><th></th></tr>" + kE +
      "<tr><td>SP-4</td><td>Square</td><td>D4h</td><td align=\"right\">");
  ASSERT_NE(start, std::string::npos) << shaped;
  EXPECT_FALSE(Contains(shaped, "<pre>" + kE + kE + "</pre>"));  // no empty block between sections
  // Without the sections' HTML (and the empty line after the last one in the
  // text) the file is that of the run without --shapes.
  const size_t after = shaped.rfind("<pre>" + kE) + 5 + kE.size();
  ASSERT_EQ(shaped.compare(after, kE.size(), kE), 0);
  EXPECT_EQ(shaped.substr(0, start) + shaped.substr(after + kE.size()), ReadWholeFile(plainHtml));
}
