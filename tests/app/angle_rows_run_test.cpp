// A run keeps only the angle rows at its central atom; the report must be
// the one the whole table gives.
#include <gtest/gtest.h>

#include <string>

#include "support/run_support.h"
#include "support/test_support.h"

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The report with the path of the input cut out, so that two copies of a
// structure in different files can be compared.
std::string ReportWithoutPath(const std::string& path, const std::vector<std::string>& options) {
  std::vector<std::string> args{path};
  args.insert(args.end(), options.begin(), options.end());
  return Replaced(RunProgram(args).Console, path, "<input>");
}

// Rows at other apexes, before and after the rows of the centre, and rows
// in which the centre is an outer atom.
std::string WithOtherAngleRows(const std::string& cif) {
  std::string others;
  for (int i = 1; i <= 500; ++i) {
    for (const std::string& piece : {std::string("C"), std::to_string(i), std::string(" C"),
                                     std::to_string(i + 1), std::string(" Ni1 "),
                                     std::to_string(100 + i % 20), std::string(".0(2) . . ?\n")})
      others += piece;
  }
  others += "Ni1 P1 C1 112.3(1) . . ?\nCl1 P1 Ni1 99.0(1) . . ?\nP1 Ni2 P2 10.0(1) . . ?\n";
  const std::string firstRow = "P1  Ni1 P2  173.53(3) . . yes\n";
  std::string text = Replaced(cif, firstRow, others + Replaced(firstRow, "Ni1", "NI1"));
  return Replaced(text, "P2  Ni1 Cl2  91.24(3) . . yes\n",
                  "P2  ni1 Cl2  91.24(3) . . yes\n" + others);
}

TEST(CentralAngleRows, RowsAtOtherAtomsAndOtherCaseLeaveTheReportUnchanged) {
  const std::string original = ExampleFile("ni_square_planar.cif");
  const std::string variant = WriteScratchFile("ni_many_angle_rows.cif",
                                               WithOtherAngleRows(ReadWholeFile(original)));
  ASSERT_NE(ReadWholeFile(variant).find(" NI1 P2 "), std::string::npos);
  const std::vector<std::string> runs[] = {
      {"Ni1"}, {"ni1"}, {"Ni1", "P1", "P2", "Cl1", "Cl2"}, {"Ni1", "--brief"}};
  for (const std::vector<std::string>& options : runs) {
    const std::string report = ReportWithoutPath(original, options);
    if (options.back() != "--brief") {
      EXPECT_NE(report.find("(CIF)"), std::string::npos);
    }
    EXPECT_EQ(ReportWithoutPath(variant, options), report) << options.back();
  }
}

}  // namespace
