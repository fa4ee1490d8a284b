// Report sections: aligned columns in the text report, tables in the HTML
// file, both escaped and placed where their lines stand.
#include <gtest/gtest.h>

#include "output/capture.h"
#include "output/report_table.h"
#include "support/test_support.h"
#include "base/text.h"

namespace {

using TLines = std::vector<std::string>;

TReportSection MeasureSection() {
  TReportTable table{{"Label", "Name", "S"}, {false, false, true},
                     {{"SP-4", "Square <D4h> & co", "0.970(12)"}, {"T-4", "Tetrahedron", "31.38(4)"}}};
  return {"Shapes & <measures>", {TablePart(table), TextPart({"", "Note: a < b", ""})}};
}

std::string Joined(const TLines& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append(kLineEnd);
  return text;
}

}  // namespace

TEST(ReportTable, TheTextAlignsTheColumnsAndTheHtmlIsAnEscapedTable) {
  EXPECT_EQ(SectionLines(MeasureSection()),
            (TLines{"Shapes & <measures>", "  Label  Name                       S", "  SP-4   Square <D4h> & co  0.970(12)",
                    "  T-4    Tetrahedron         31.38(4)", "", "  Note: a < b", ""}));
  EXPECT_EQ(SectionHtml(MeasureSection()),
            (TLines{"<p><b>Shapes &amp; &lt;measures&gt;</b></p>",
                    "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">",
                    "<tr><th>Label</th><th>Name</th><th align=\"right\">S</th></tr>",
                    "<tr><td>SP-4</td><td>Square &lt;D4h&gt; &amp; co</td><td align=\"right\">0.970(12)</td></tr>",
                    "<tr><td>T-4</td><td>Tetrahedron</td><td align=\"right\">31.38(4)</td></tr>", "</table>", "<pre>",
                    "Note: a &lt; b", "</pre>"}));
}

TEST(ReportTable, CapturedSectionsStandInTheHtmlWhereTheirLinesStand) {
  TReportFiles options;
  options.HtmlFile = WriteScratchFile("sections.html", "");
  std::ostringstream console;
  {
    TReport report(console);
    report.BeginCapture(options);
    report.Line("before <1>");
    report.Section(MeasureSection());
    report.Line();  // only parts two sections: no block of its own
    report.Section(MeasureSection());
    report.Line();
    report.Line("after & done");
    ASSERT_TRUE(report.EndCapture(""));
  }
  const TLines section = SectionLines(MeasureSection());
  EXPECT_EQ(console.str(), Joined({"before <1>"}) + Joined(section) + Joined({""}) + Joined(section) +
                               Joined({"", "after & done"}));
  TLines expected = {"<html><head><meta charset=\"utf-8\"><title>Vexorin</title>",
                     "<style>body{font-family:sans-serif;font-size:9pt;margin:8px;}"
                     "pre{font-family:Consolas,monospace;font-size:9pt;}</style></head><body>",
                     "<pre>", "before &lt;1&gt;", "</pre>"};
  for (int copy = 0; copy < 2; ++copy)
    for (const std::string& line : SectionHtml(MeasureSection())) expected.push_back(line);
  for (const char* line : {"<pre>", "", "after &amp; done", "</pre></body></html>"}) expected.push_back(line);
  EXPECT_EQ(ReadWholeFile(options.HtmlFile), Joined(expected));
}
