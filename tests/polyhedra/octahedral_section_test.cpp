// The octahedral parameters of the shape section: an ideal octahedron, the
// "not meaningful" flag, escaped labels in the HTML, and the su against
// Monte Carlo on real six-coordinate centres.
#include <gtest/gtest.h>

#include "geometry/octahedral.h"
#include "support/polyhedron_runs.h"
#include "support/real_centres.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

// An octahedron with the bonds along +x, -x, +y, -y, +z, -z.
std::vector<TVec3> Octahedron(double x, double y, double z) {
  return {{x, 0, 0}, {-x, 0, 0}, {0, y, 0}, {0, -y, 0}, {0, 0, z}, {0, 0, -z}};
}

// The parameters of fresh choices at every draw.
void FreshParameters(const std::vector<TVec3>& points, std::vector<double>& values) {
  TOctaLigandPositions ligands{};
  std::copy(points.begin(), points.begin() + 6, ligands.begin());
  const TOctahedralParameters p = AnalyseOctahedron(points.back(), ligands).Parameters;
  values = {p.MeanBond, p.Zeta, p.Delta, p.Sigma, p.Theta, p.ThetaMin, p.ThetaMax};
}

}  // namespace

TEST(OctahedralSection, AnIdealOctahedronHasNoDistortionAndSaysWhereTheTermsSitAtZero) {
  const std::string cif = WriteScratchFile("ideal_octahedron.cif", PolyhedronCif("Ni", Octahedron(2, 2, 2), {"O"}));
  const TRunResult run = RunProgram({cif, "Ni1", "--shapes=all"});
  ASSERT_EQ(run.Status, 0) << run.Console;
  // Every term at 0: the su is 0, so none is printed.
  for (const char* row : {"  zeta             0.000  A     ", "  Delta         0.000000        ",
                          "  Sigma             0.00  deg   ", "  Theta             0.00  deg   "})
    EXPECT_TRUE(Contains(run.Console, kE + row)) << row;
  EXPECT_TRUE(Contains(run.Console, "  Terms |x| at x = 0 (zeta 6 of 6, Sigma 12 of 12, Theta 48 of 48): |x| has no" + kE +
                                        "  derivative there; it was taken as 0 for the su." + kE));
  EXPECT_FALSE(Contains(run.Console, "Warning"));
  const json record = JsonLines(RunProgram({cif, "Ni1", "--shapes=all", "--format=json"}).Console).at(0);
  EXPECT_EQ(record["trans_pairs"], json::parse(R"([["O1","O2"],["O3","O4"],["O5","O6"]])"));
  for (const char* key : {"zeta", "delta", "sigma", "theta", "theta_min", "theta_max"}) {
    EXPECT_NEAR(record["octahedral"][key].get<double>(), 0, 1e-6) << key;
    EXPECT_TRUE(record["octahedral"][std::string(key) + "_su"].is_null()) << key;
  }
}

TEST(OctahedralSection, SixLigandsFarFromAnOctahedronAreFlaggedNotMeaningful) {
  // The ideal trigonal prism: trans angles of 135.6 deg, S(OC-6) above
  // S(TPR-6). --shapes names neither; the flag measures them anyway.
  const std::string prism = WriteScratchFile("prism.cif", PolyhedronCif("Ni", ReferenceOffsets(Reference("TPR-6")), {"O"}));
  const TRunResult run = RunProgram({prism, "Ni1", "--shapes=HP-6"});
  ASSERT_EQ(run.Status, 0);
  EXPECT_TRUE(Contains(run.Console, "Octahedral distortion parameters (CN 6)" + kE +
                                        "  Warning: the six ligands are far from any octahedron (a trans angle of 135.6" + kE +
                                        "           deg, below 150 deg, and S(OC-6) = 16.737 above S(TPR-6) = 0.000):" + kE +
                                        "           the octahedral parameters are not meaningful." + kE));
  const json record = JsonLines(RunProgram({prism, "Ni1", "--shapes=all", "--format=json"}).Console).at(0);
  EXPECT_EQ(record["warnings"], json::array({"the six ligands are far from any octahedron (a trans angle of 135.6 deg, below "
                                             "150 deg, and S(OC-6) = 16.737 above S(TPR-6) = 0.000): the octahedral "
                                             "parameters are not meaningful."}));
  EXPECT_FALSE(record["octahedral"].is_null());  // printed, though flagged
  EXPECT_EQ(record["octahedral"]["meaningful"], false);
  // A planar hexagon passes no trans-angle test, but HP-6 is closer than OC-6.
  std::vector<TVec3> hexagon;
  for (int k = 0; k < 6; ++k) hexagon.push_back({2 * std::cos(k * 60 * kDegToRad), 2 * std::sin(k * 60 * kDegToRad), 0});
  const std::string flat = WriteScratchFile("hexagon.cif", PolyhedronCif("Ni", hexagon, {"O"}));
  const json planar = JsonLines(RunProgram({flat, "Ni1", "--shapes=OC-6", "--format=json"}).Console).at(0);
  EXPECT_EQ(planar["octahedral"]["meaningful"], false);
  EXPECT_TRUE(Contains(planar["warnings"][0].get<std::string>(), "above S(HP-6) = 0.000")) << planar["warnings"];
  // A planar set of six passes the trans-angle test; S(OC-6) > S(TPR-6)
  // catches it (the bond rule's six: Pd(OAc)2 with its carboxylate C).
  const std::string xyz = RealDataFile("xyz/orca_PdOAc2_PBE0.xyz");
  if (xyz.empty()) GTEST_SKIP() << "shared/realdata is absent";
  EXPECT_TRUE(Contains(RunProgram({xyz, "Pd2", "--shapes=OC-6", "--sphere=radii"}).Console,
                       "  Warning: the six ligands are far from any octahedron (S(OC-6) = "));
}

TEST(OctahedralSection, TheHtmlTablesEscapeTheLigandLabels) {
  std::string cif = PolyhedronCif("Ni", Octahedron(2, 2.1, 2.2), {"O"});
  cif.replace(cif.find("O1 O"), 4, "O<1> O");
  cif.replace(cif.find("O2 O"), 4, "O&2 O");
  const std::string html = ScratchDir() + "/escaped.html";
  ASSERT_EQ(RunProgram({WriteScratchFile("escaped.cif", cif), "Ni1", "--shapes=all", "--html=" + html}).Status, 0);
  const std::string page = ReadWholeFile(html);
  EXPECT_TRUE(Contains(page, "<tr><th>Trans pair</th><th align=\"right\">Angle [deg]</th></tr>" + kE +
                                 "<tr><td>O&lt;1&gt;-Ni1-O&amp;2</td><td align=\"right\">180.00"))
      << page;
  EXPECT_FALSE(Contains(page, "O<1>"));
}

TEST(OctahedralSection, TheSuOfEveryParameterAgreesWithMonteCarloOnRealOctahedra) {
  struct TCase {
    const char* File;
    const char* Centre;
    std::vector<std::string> Ligands;
  };
  const TCase cases[] = {{"cif/cod7050234_Ti4.cif", "TI3", {"O10", "O11", "O13", "O9", "O5", "O12"}},
                         {"cif/cod7050234_Ti4.cif", "TI4", {"O15", "O14", "O12", "O16", "O4", "O13"}},
                         {"cif/cod2011989_MnCl4.cif", "Fe", {}}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Centre);
    const auto centre = AnalyseRealCentre(RealDataFile(c.File), c.Centre, c.Ligands, TAnalysisOptions{});
    if (!centre) GTEST_SKIP() << "shared/realdata is absent";
    ASSERT_TRUE(centre->Result.Polyhedron && centre->Result.Polyhedron->Octahedron);
    const TOctahedronFigures& o = *centre->Result.Polyhedron->Octahedron;
    EXPECT_FALSE(o.NotMeaningful());
    const TFigureSu* figures[] = {&o.MeanBond, &o.Zeta, &o.Delta, &o.Sigma, &o.Theta, &o.ThetaMin, &o.ThetaMax};
    const TMonteCarloSpread mc = MonteCarlo(*centre, FreshParameters, 4000, 4242);
    for (size_t k = 0; k < 7; ++k) {
      SCOPED_TRACE(k);
      ASSERT_TRUE(figures[k]->Su.has_value());
      ASSERT_GT(figures[k]->Value, 20 * *figures[k]->Su);  // far from 0: the |x| terms keep their signs
      EXPECT_NEAR(*figures[k]->Su, mc.Sd[k], 0.15 * mc.Sd[k]);
      EXPECT_NEAR(figures[k]->Value, mc.Mean[k], 0.5 * mc.Sd[k]);
    }
  }
}
