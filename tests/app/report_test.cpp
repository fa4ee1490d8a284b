// The report files of a run: the --out text, the HTML, and the refusal to
// overwrite the input. (The reports themselves are whole-run cases.)
#include <gtest/gtest.h>

#include "support/run_support.h"
#include "support/test_support.h"

TEST(ReportFiles, OutFileHoldsTheFullReportWhileTheConsoleShowsTheBriefLine) {
  const std::string path = ExampleFile("ni_square_planar.cif");
  const std::string out = ScratchDir() + "/ni_report.txt";
  const TRunResult run = RunProgram({path, "Ni1", "out=" + out, "--brief"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console, Lines({"Ni1: CN 4, tau4 = 0.1108(3), tau4' = 0.1025(3)  [Cl2 Cl1 P1 P2]"}));
  EXPECT_EQ(ReadWholeFile(out), RunProgram({path, "Ni1"}).Console);
}

TEST(ReportFiles, HtmlHoldsTheReportLinesInsidePre) {
  const std::string path = ExampleFile("ni_square_planar.cif");
  const std::string html = ScratchDir() + "/ni_report.html";
  const TRunResult run = RunProgram({path, "Ni1", "--html=" + html});
  EXPECT_EQ(run.Status, 0);
  const std::string plain = RunProgram({path, "Ni1"}).Console;
  EXPECT_EQ(run.Console, plain);
  const std::string document = ReadWholeFile(html);
  EXPECT_EQ(document.find("<html><head><meta charset=\"utf-8\"><title>Vexorin</title>"), 0u);
  EXPECT_NE(document.find("<pre>" + std::string(kLineEnd) + "Vexorin 1.0"), std::string::npos);
  EXPECT_NE(document.find("Largest angle           beta  = 173.53(3) deg  (P1-Ni1-P2)"),
            std::string::npos);
  EXPECT_NE(document.find("</pre></body></html>" + std::string(kLineEnd)), std::string::npos);
}

TEST(ReportFiles, FailedRunLeavesTheErrorAtTheEndOfTheOutFile) {
  const std::string out = ScratchDir() + "/failed_report.txt";
  const TRunResult run =
      RunProgram({ExampleFile("ni_square_planar.cif"), "Ni1", "Cl1", "--out=" + out, "--brief"});
  EXPECT_EQ(run.Status, 2);
  const std::string error = "Error: exactly 4 (tau4) or 5 (tau5) ligands must be specified.";
  EXPECT_EQ(run.Console, Lines({error}));
  const std::string report = ReadWholeFile(out);
  EXPECT_NE(report.find("Neighbours found (1):"), std::string::npos);
  EXPECT_EQ(report.substr(report.size() - error.size() - kLineEnd.size()), Lines({error}));
}

TEST(ReportFiles, ReportFileThatIsTheInputIsRefusedBeforeAnythingIsWritten) {
  const std::string cif = WriteScratchFile("keep_me.cif", ReadWholeFile(ExampleFile("ni_square_planar.cif")));
  const std::string before = ReadWholeFile(cif);
  for (const std::string option : {"--out=", "--html="}) {
    const TRunResult run = RunProgram({cif, "Ni1", option + cif});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Console,
              Lines({"Error: report file " + cif + " would overwrite the input file " + cif + "."}));
    EXPECT_EQ(ReadWholeFile(cif), before);
  }
  // The stem rule finds stem.xyz for a missing stem.cif: that file is protected too.
  const std::string xyz = WriteScratchFile("stem_only.xyz", ReadWholeFile(ExampleFile("fe_trigonal_bipyramid.xyz")));
  // Made from the path of the .xyz, so that the directory is written with the
  // platform's delimiter as in the message.
  const std::string missingCif = PathWithoutExtension(xyz) + ".cif";
  const TRunResult run = RunProgram({missingCif, "Fe2", "out=" + xyz});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Console,
            Lines({"Error: report file " + xyz + " would overwrite the input file " + xyz + "."}));
}
