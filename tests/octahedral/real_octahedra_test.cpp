#include <gtest/gtest.h>

#include <algorithm>

#include "geometry/basal_plane.h"
#include "geometry/octahedral.h"
#include "support/real_centres.h"
#include "crystal/vector.h"

namespace {

// The centre and its automatic ligands as a run finds them; nullptr without
// the real data.
std::unique_ptr<TAnalysedCentre> RealCentre(const char* file, const char* centre, double tolerance = 0.4,
                                            TSphereRule sphere = TSphereRule::Chemical) {
  TAnalysisOptions options;
  options.tolerance = tolerance;
  options.sphere = sphere;
  return AnalyseRealCentre(RealDataFile(file), centre, {}, options);
}

// Cartesian positions: the ligands, then the centre.
std::vector<TVec3> Positions(const TAnalysedCentre& real) { return PolyhedronPoints(real.Loaded.Model, real.Sites); }

// The six nearest ligands (the automatic search may add metal neighbours
// beyond them).
TOctahedralAnalysis AnalyseSixNearest(const TAnalysedCentre& real) {
  const std::vector<TVec3> points = Positions(real);
  TOctaLigandPositions ligands{};
  std::copy(points.begin(), points.begin() + 6, ligands.begin());
  return AnalyseOctahedron(points.back(), ligands);
}

struct TRealOctahedron {
  const char* File;
  const char* Centre;
  double Tolerance;
  // Values checked against an independent computation from the same
  // coordinates.
  double MeanBond, Zeta, Sigma, Theta, ThetaMin, ThetaMax, SmallestTrans;
  int ThetaZeroTerms;
};

}  // namespace

TEST(RealOctahedra, ParametersOfRealSixCoordinateCentres) {
  const TRealOctahedron cases[] = {
      // Na on m-3m: a perfect octahedron by symmetry.
      {"cif/NaCl.cif", "Na1", 0.4, 2.820545, 0, 0, 0, 0, 0, 180, 48},
      // [Fe(H2O)6]3+ on -3: six equal bonds, the two faces across the axis
      // without twist.
      {"shelx/2240189.res", "FE1", 0.4, 2.007401, 0, 14.30297, 33.49831, 22.33221, 44.66442, 180, 12},
      // Ti alkoxide cluster: TiO6 with terminal and bridging O.
      {"cif/cod7050234_Ti4.cif", "TI3", 0.3, 1.959898, 0.659534, 81.931465, 245.988925, 200.801806,
       291.176044, 154.837, 0},
      {"cif/cod7050234_Ti4.cif", "TI4", 0.3, 1.962869, 0.635940, 81.055673, 264.280192, 206.917786,
       321.642598, 153.474, 0},
  };
  for (const TRealOctahedron& c : cases) {
    const auto real = RealCentre(c.File, c.Centre, c.Tolerance);
    if (!real) GTEST_SKIP() << "no real data";
    ASSERT_GE(real->Result.Ligands.size(), 6u) << c.File;
    const TOctahedralAnalysis a = AnalyseSixNearest(*real);
    ASSERT_TRUE(a.Usable);
    const TOctahedralParameters& p = a.Parameters;
    EXPECT_NEAR(p.MeanBond, c.MeanBond, 1e-6) << c.Centre;
    EXPECT_NEAR(p.Zeta, c.Zeta, 1e-6) << c.Centre;
    EXPECT_NEAR(p.Sigma, c.Sigma, 1e-5) << c.Centre;
    EXPECT_NEAR(p.Theta, c.Theta, 1e-5) << c.Centre;
    EXPECT_NEAR(p.ThetaMin, c.ThetaMin, 1e-5) << c.Centre;
    EXPECT_NEAR(p.ThetaMax, c.ThetaMax, 1e-5) << c.Centre;
    EXPECT_NEAR(a.SmallestTransAngle, c.SmallestTrans, 1e-3) << c.Centre;
    EXPECT_EQ(a.ZeroTerms.Theta, c.ThetaZeroTerms) << c.Centre;
    EXPECT_FALSE(a.FarFromOctahedron) << c.Centre;
  }
}

TEST(RealOctahedra, SixNeighboursThatAreNoOctahedronAreFlagged) {
  // Fe with N2Cl2 and the two Si of its silyl ligand within the bond
  // criterion; TI2 with five O and the neighbouring Ti (the bond rule's
  // spheres: the chemical one leaves the Si and the Ti out).
  for (const auto& [file, centre] : {std::pair{"cif/cod7011014_Fe.cif", "Fe"},
                                     std::pair{"cif/cod7050234_Ti4.cif", "TI2"}}) {
    const auto real = RealCentre(file, centre, 0.4, TSphereRule::Radii);
    if (!real) GTEST_SKIP() << "no real data";
    ASSERT_EQ(real->Result.Ligands.size(), 6u) << file;
    const TOctahedralAnalysis a = AnalyseSixNearest(*real);
    EXPECT_TRUE(a.FarFromOctahedron) << file;
    EXPECT_LT(a.SmallestTransAngle, 120) << file;
  }
}

TEST(RealBasalPlane, TheMetalSitsAboveTheBasePlaneOfRealSquarePyramids) {
  struct TCase {
    const char* File;
    const char* Centre;
    const char* Apex;
    double Displacement;
    double ApexTilt;
  };
  // Cu on the fourfold axis of P4 (apex Cl1 on the axis); the Ru carbene
  // complex with the alkylidene C41 apical.
  const TCase cases[] = {{"cif/cod7200679_Cu_P4.cif", "Cu1", "Cl1", 0.129324, 0},
                         {"cif/cod2224874_Ru.cif", "Ru", "C41", 0.283312, 8.658000}};
  for (const TCase& c : cases) {
    const auto real = RealCentre(c.File, c.Centre);
    if (!real) GTEST_SKIP() << "no real data";
    ASSERT_EQ(real->Result.Ligands.size(), 5u) << c.File;
    const std::vector<TVec3> points = Positions(*real);
    const TVec3 centre = points.back();
    TFiveLigandPositions ligands{};
    std::copy(points.begin(), points.begin() + 5, ligands.begin());
    // beta and alpha: the two largest angles.
    std::vector<std::pair<double, TLigandPair>> angles;
    for (int i = 0; i < 5; ++i)
      for (int j = i + 1; j < 5; ++j)
        angles.push_back({VertexAngle(ligands[i], centre, ligands[j]), {i, j}});
    std::sort(angles.begin(), angles.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
    const TBasalChoice choice = ChooseBasalSet(centre, ligands, angles[0].second, angles[1].second);
    ASSERT_TRUE(choice.Usable);
    EXPECT_FALSE(choice.BetaAlphaShareLigand);
    EXPECT_EQ(real->Result.Ligands[choice.Apex].Label, c.Apex);
    const TBasalPlane plane = BasalPlane(choice, centre, ligands);
    EXPECT_NEAR(plane.Displacement, c.Displacement, 1e-6) << c.File;
    EXPECT_NEAR(plane.ApexTilt, c.ApexTilt, 1e-6) << c.File;
  }
}
