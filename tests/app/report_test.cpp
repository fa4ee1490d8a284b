// Whole runs on the example structures, compared line by line with reports
// worked out by hand.
#include <gtest/gtest.h>

#include "run_support.h"
#include "test_support.h"

namespace {

std::vector<std::string> HeaderLines() {
  return {"Vexorin 1.0 - geometry index tau4 / tau4' / tau5",
          "Version 1.0 (2026-12), a command-line tool for crystallographers", ""};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<std::string> kNiBody = {
    "Coordination number: 4  ->  tau4 / tau4'",
    "",
    "Ligands (4):",
    "  No  Atom            Symmetry    Distance [A]",
    "   1  Cl2             1_555       2.1655(10)",
    "   2  Cl1             1_555       2.1712(10)",
    "   3  P1              1_555       2.2214(9)",
    "   4  P2              1_555       2.2286(9)",
    "",
    "Bond angles L-M-L (sorted in descending order):",
    "  P1             - Ni1    - P2                 173.53(3)   (CIF)",
    "  Cl2            - Ni1    - Cl1                170.84(3)   (CIF)",
    "  Cl2            - Ni1    - P1                  93.72(3)   (calculated)",
    "  Cl2            - Ni1    - P2                  91.24(3)   (CIF)",
    "  Cl1            - Ni1    - P2                  89.51(3)   (calculated)",
    "  Cl1            - Ni1    - P1                  86.25(3)   (CIF)",
    "",
    "Largest angle           beta  = 173.53(3) deg  (P1-Ni1-P2)",
    "Second largest angle    alpha = 170.84(3) deg  (Cl2-Ni1-Cl1)",
    "",
    "Geometry index for coordination number 4",
    "  tau4  = 0.1108(3)     (0 = square planar, 0.43 = seesaw, 1 = tetrahedral)",
    "  tau4' = 0.1025(3)     (0 = square planar, 0.24 = seesaw, 1 = tetrahedral;",
    "                         Okuniewski et al., Polyhedron 2015)",
    "",
    "  Classification (from tau4 and tau4'): distorted square planar",
    "  Weights of the ideal shapes: square planar 0.86, tetrahedral 0.09, seesaw 0.04",
    "",
    "Note: angles marked (CIF) were taken from the _geom_angle loop."};

std::vector<std::string> NiHeader(const std::string& path) {
  return HeaderLines() +
         std::vector<std::string>{
             "CIF file     : " + path,
             "Data block   : ni_square_planar",
             "Cell         : a = 10.2346(5)  b = 11.4712(6)  c = 12.8093(7) A",
             "               alpha = 90.000  beta = 101.284(2)  gamma = 90.000 deg",
             "Symmetry     : 4 operation(s), 11 atom sites",
             "Central atom : Ni1 (Ni)"};
}

}  // namespace

TEST(FullReport, SquarePlanarNickelTakesFourAnglesFromTheCifAndComputesTwo) {
  const std::string path = ExampleFile("ni_square_planar.cif");
  const TRunResult run = RunProgram({path, "Ni1"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console,
            Lines(NiHeader(path) +
                  std::vector<std::string>{
                      "Ligands      : automatic (d <= r1 + r2 + 0.40 A, occupancy >= 0.50)"} +
                  kNiBody));
}

TEST(FullReport, CalcComputesEveryAngleAndChangesTheClosingNote) {
  const TRunResult run = RunProgram({ExampleFile("ni_square_planar.cif"), "Ni1", "--calc"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console.find("(CIF)"), std::string::npos);
  EXPECT_NE(run.Console.find("  P1             - Ni1    - P2                 173.53(4)   "
                             "(calculated)"),
            std::string::npos);
  EXPECT_NE(run.Console.find("Note: all angles were computed from cell parameters and coordinates;" +
                             std::string(kLineEnd) +
                             "      their standard uncertainties omit parameter correlations."),
            std::string::npos);
}

TEST(FullReport, NamedLigandsInAnyOrderAreReportedNearestFirst) {
  const std::string path = ExampleFile("ni_square_planar.cif");
  const TRunResult run = RunProgram({path, "Ni1 P2 P1,Cl1", "Cl2"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console,
            Lines(NiHeader(path) + std::vector<std::string>{"Ligands      : specified (4 atoms)"} +
                  kNiBody));
}

TEST(FullReport, TrigonalBipyramidFromXyzHasNoSu) {
  const std::string path = ExampleFile("fe_trigonal_bipyramid.xyz");
  const TRunResult run = RunProgram({path, "Fe2"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(
      run.Console,
      Lines(HeaderLines() +
            std::vector<std::string>{
                "XYZ file     : " + path,
                "Comment      : Fe(CO)5, trigonal bipyramid, written for the vexorin examples",
                "Coordinates  : Cartesian, no cell and no symmetry, 11 atoms",
                "Atom names   : element + line in the file counted from 0, as in Olex2 (first "
                "atom = line 2)",
                "Central atom : Fe2 (Fe)",
                "",
                "*** WARNING - no standard uncertainties ***",
                "The geometry was taken from an XYZ file. Such a file holds Cartesian",
                "coordinates only - no cell, no symmetry and no standard uncertainties",
                "(a calculated structure has none in the crystallographic sense).",
                "All values below are therefore given without su.",
                "Ligands      : automatic (d <= r1 + r2 + 0.40 A, occupancy >= 0.50)",
                "Coordination number: 5  ->  tau5",
                "",
                "Ligands (5):",
                "  No  Atom            Symmetry    Distance [A]",
                "   1  C4              1_555       1.809",
                "   2  C3              1_555       1.811",
                "   3  C7              1_555       1.827",
                "   4  C6              1_555       1.827",
                "   5  C5              1_555       1.827",
                "",
                "Bond angles L-M-L (sorted in descending order):",
                "  C4             - Fe2    - C3                    177.08   (calculated)",
                "  C7             - Fe2    - C6                    122.96   (calculated)",
                "  C7             - Fe2    - C5                    118.96   (calculated)",
                "  C6             - Fe2    - C5                    117.96   (calculated)",
                "  C4             - Fe2    - C7                     92.59   (calculated)",
                "  C4             - Fe2    - C5                     92.29   (calculated)",
                "  C3             - Fe2    - C7                     90.19   (calculated)",
                "  C3             - Fe2    - C6                     89.16   (calculated)",
                "  C4             - Fe2    - C6                     88.59   (calculated)",
                "  C3             - Fe2    - C5                     87.14   (calculated)",
                "",
                "Largest angle           beta  = 177.08 deg  (C4-Fe2-C3)",
                "Second largest angle    alpha = 122.96 deg  (C7-Fe2-C6)",
                "",
                "Geometry index for coordination number 5",
                "  tau5  = 0.902     (0 = square pyramidal, 1 = trigonal bipyramidal)",
                "",
                "  Classification: nearly trigonal bipyramidal",
                "",
                "Note: all angles were computed from the Cartesian coordinates.",
                "      No standard uncertainties are given - see the warning above."}));
}

TEST(FullReport, LigandsAtSymmetryImagesCarryTheirCodes) {
  const std::string path = ExampleFile("zn_tetrahedral.cif");
  const TRunResult run = RunProgram({path, "Zn1", "--brief"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console, Lines({"Zn1: CN 4, tau4 = 0.9381(6), tau4' = 0.9309(5)  "
                                "[N1 N1#2_555 Cl1 Cl1#2_555]"}));
  const TRunResult full = RunProgram({path, "Zn1"});
  EXPECT_NE(full.Console.find("   2  N1              2_555       2.051(3)"), std::string::npos);
  EXPECT_NE(full.Console.find("  Cl1            - Zn1    - Cl1#2_555          115.00(4)   "
                              "(calculated)"),
            std::string::npos);
  EXPECT_NE(full.Console.find("Largest angle           beta  = 115.00(4) deg  "
                              "(Cl1-Zn1-Cl1#2_555)"),
            std::string::npos);
}

TEST(BriefLine, NamesTheInputKindWhenThereIsNoSu) {
  EXPECT_EQ(RunProgram({ExampleFile("fe_trigonal_bipyramid.xyz"), "Fe2", "--brief"}).Console,
            Lines({"Fe2: CN 5, tau5 = 0.902  [C4 C3 C7 C6 C5]  (no su - from XYZ)"}));
  EXPECT_EQ(RunProgram({ExampleFile("ni_square_planar.cif"), "Ni1", "--brief"}).Console,
            Lines({"Ni1: CN 4, tau4 = 0.1108(3), tau4' = 0.1025(3)  [Cl2 Cl1 P1 P2]"}));
}

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
