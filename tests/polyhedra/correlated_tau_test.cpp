// The su of tau with the correlation of beta and alpha, and the basal plane
// of CN 5: against Monte Carlo on real structures (the coordinate and cell
// su of CIFs, the full matrix of a SHELXL refinement), and as the report and
// the records give them.
#include <gtest/gtest.h>

#include <filesystem>

#include "geometry/basal_plane.h"
#include "geometry/indices.h"
#include "support/polyhedron_runs.h"
#include "support/real_centres.h"
#include "base/format.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/vector.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

// tau from the two largest angles of each draw, then beta and alpha of the
// pairs of the run.
TSitesFunction TauOfDraw(const TCentreResult& result) {
  const size_t cn = result.Ligands.size();
  const TAngleRec beta = result.Beta, alpha = result.Alpha;
  return [cn, beta, alpha](const std::vector<TVec3>& p, std::vector<double>& values) {
    std::vector<double> angles;
    for (size_t i = 0; i < cn; ++i)
      for (size_t j = i + 1; j < cn; ++j) angles.push_back(VertexAngle(p[i], p.back(), p[j]));
    std::sort(angles.rbegin(), angles.rend());
    values = {cn == 4 ? Tau4(angles[0], 0, angles[1], 0).Value : Tau5(angles[0], 0, angles[1], 0).Value,
              VertexAngle(p[static_cast<size_t>(beta.Lig1)], p.back(), p[static_cast<size_t>(beta.Lig2)]),
              VertexAngle(p[static_cast<size_t>(alpha.Lig1)], p.back(), p[static_cast<size_t>(alpha.Lig2)])};
  };
}

double CorrelatedSu(const TCentreResult& r) {
  const TCorrelatedTau& tau = *r.Polyhedron->CorrelatedTau;
  return r.Ligands.size() == 4 ? *tau.Tau4Su : *tau.Tau5Su;
}

double UncorrelatedSu(const TCentreResult& r) { return r.Ligands.size() == 4 ? r.Tau4->Su : r.Tau5->Su; }

TAnalysisOptions Computed() {
  TAnalysisOptions options;
  options.forceCalc = true;  // the angle su from the coordinates, as the draws have them
  return options;
}

}  // namespace

TEST(CorrelatedTauSu, AgreesWithMonteCarloOnRealCN4AndCN5Centres) {
  // Fe1 and Rh1: beta and alpha are symmetry images (r = 1); Cu4: they
  // share a ligand.
  for (const auto& [file, label] : {std::pair{"cif/acs_ic048548_FeBr4.cif", "Fe1"}, std::pair{"cif/cod1516136_Rh2.cif", "Rh1"},
                                    std::pair{"cif/cod4319975_NiN2Cl2.cif", "Ni1"}, std::pair{"cif/cod2224874_Ru.cif", "Ru"},
                                    std::pair{"cif/cod2208504_Cu10.cif", "Cu4"}, std::pair{"cif/cod4021421_Co.cif", "Co1"}}) {
    SCOPED_TRACE(label);
    const auto centre = AnalyseRealCentre(RealDataFile(file), label, {}, Computed());
    if (!centre) GTEST_SKIP() << "shared/realdata is absent";
    const TMonteCarloSpread mc = MonteCarlo(*centre, TauOfDraw(centre->Result), 4000, 99);
    EXPECT_NEAR(CorrelatedSu(centre->Result), mc.Sd[0], 0.15 * mc.Sd[0]);
    EXPECT_NEAR(centre->Result.Polyhedron->CorrelatedTau->Correlation.value_or(99), mc.CorrelationOf(1, 2), 0.1);
    if (std::string(label) != "Fe1") continue;  // images: the uncorrelated su misses by sqrt(2)
    EXPECT_NEAR(CorrelatedSu(centre->Result) / UncorrelatedSu(centre->Result), std::sqrt(2.0), 0.01);
  }
}

TEST(CorrelatedTauSu, WithTheShelxMatrixTheCorrelationComesFromTheFullMatrix) {
  const std::string res = RealShelxWithMatrix("dom1_matrix");
  if (res.empty()) GTEST_SKIP() << "shared/realdata is absent";
  // Five Cl around FE02 with beta and alpha not related by the mirror.
  const auto centre = AnalyseRealCentre(res, "FE02",
                                        {"CL04", "CL04#1_565", "CL03", "CL06", "CL03#6_555"}, TAnalysisOptions{});
  ASSERT_TRUE(centre && centre->Matrix() != nullptr);
  const TMonteCarloSpread mc = MonteCarlo(*centre, TauOfDraw(centre->Result), 4000, 7);
  EXPECT_NEAR(centre->Result.Polyhedron->CorrelatedTau->Correlation.value_or(99), mc.CorrelationOf(1, 2), 0.05);
  EXPECT_NEAR(CorrelatedSu(centre->Result), mc.Sd[0], 0.15 * mc.Sd[0]);
  EXPECT_LT(std::fabs(CorrelatedSu(centre->Result) - mc.Sd[0]), std::fabs(UncorrelatedSu(centre->Result) - mc.Sd[0]));
}

TEST(BasalPlaneSection, TheMetalsDistanceFromTheBaseAndTheApexTiltAgreeWithMonteCarlo) {
  const std::string ru = RealDataFile("cif/cod2224874_Ru.cif");
  const auto centre = AnalyseRealCentre(ru, "Ru", {}, TAnalysisOptions{});
  if (!centre) GTEST_SKIP() << "shared/realdata is absent";
  const TBasalFigures& basal = *centre->Result.Polyhedron->Basal;
  const TMonteCarloSpread mc = MonteCarlo(*centre, BasalPlaneValueFunction(basal.Choice), 4000, 5);
  EXPECT_NEAR(*basal.Displacement.Su, mc.Sd[kBasalDisplacement], 0.15 * mc.Sd[kBasalDisplacement]);
  EXPECT_NEAR(*basal.ApexTilt.Su, mc.Sd[kBasalApexTilt], 0.15 * mc.Sd[kBasalApexTilt]);
  const json record = JsonLines(RunProgram({ru, "Ru", "--shapes=all", "--format=json"}).Console).at(0);
  EXPECT_DOUBLE_EQ(record["basal_displacement"].get<double>(), basal.Displacement.Value);
  EXPECT_EQ(SectionOf(RunProgram({ru, "Ru", "--shapes=all"}).Console, "Basal plane (CN 5)"),
            (std::vector<std::string>{"Basal plane (CN 5)",
                                      "  Basal ligands: O49 Cl1 C11 Cl2 (those of beta and alpha); apex: C41",
                                      "  Ru lies 0.2833(8) A from their least-squares plane, on the side of the apex.",
                                      "  Angle of the apical bond Ru-C41 to the plane normal: 8.66(8) deg"}));
}

