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

// The parameters of fresh choices at every draw.
void FreshParameters(const std::vector<TVec3>& points, std::vector<double>& values) {
  TOctaLigandPositions ligands{};
  std::copy(points.begin(), points.begin() + 6, ligands.begin());
  const TOctahedralParameters p = AnalyseOctahedron(points.back(), ligands).Parameters;
  values = {p.MeanBond, p.Zeta, p.Delta, p.Sigma, p.Theta, p.ThetaMin, p.ThetaMax};
}

}  // namespace

TEST(OctahedralSection, TheHtmlTablesEscapeTheLigandLabels) {
  // An octahedron with the ligands O<1> and O&2.
  const std::string cif = TestDataFile("runs/OctahedralSection/escaped_labels.cif");
  const std::string html = ScratchDir() + "/escaped.html";
  ASSERT_EQ(RunProgram({cif, "Ni1", "--shapes=all", "--html=" + html}).Status, 0);
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
