// Times the continuous shape measures per coordination centre: the exact
// search against every reference of the CN, on random, near-ideal and real
// polyhedra, side by side with the brute force over all N! assignments on
// the same polyhedra (the peer, measured in the same run).
//
//   vexorin_shape_bench [realdata folder]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "model/coordination.h"
#include "geometry/shape_analysis.h"
#include "geometry/shapes.h"
#include "model/structure.h"
#include "io/cif.h"

namespace {

using TPolyhedron = std::vector<TVec3>;

// Thread CPU time where the platform has it: the machines are shared, and
// time spent waiting for a core says nothing about the search. On an idle
// machine it equals the wall time.
double Now() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
#else
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
#endif
}

double Seconds(const std::function<void()>& work) {
  const double start = Now();
  work();
  return Now() - start;
}

// The best of three runs: the machine is shared, and the search itself
// takes the same path every time.
double BestOfThree(const std::function<void()>& work) {
  double best = Seconds(work);
  for (int i = 0; i < 2; ++i) best = std::min(best, Seconds(work));
  return best;
}

void MeasureAll(const TPolyhedron& points, const std::vector<const TShapeReference*>& references) {
  for (const TShapeReference* reference : references) {
    volatile double s = FitShape(points, *reference).Measure;
    (void)s;
  }
}

void MeasureAllByBruteForce(const TPolyhedron& points,
                            const std::vector<const TShapeReference*>& references) {
  for (const TShapeReference* reference : references) {
    volatile double s = FitShapeByAllAssignments(points, *reference).Measure;
    (void)s;
  }
}

TPolyhedron OnSphere(std::mt19937& rng, int cn) {
  std::normal_distribution<double> normal;
  TPolyhedron points;
  for (int i = 0; i < cn; ++i) {
    TVec3 v{normal(rng), normal(rng), normal(rng)};
    const double scale =
        (2.0 + 0.1 * normal(rng)) / std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (double& x : v) x *= scale;
    points.push_back(v);
  }
  points.push_back({0, 0, 0});
  return points;
}

TPolyhedron InBall(std::mt19937& rng, int cn) {
  std::uniform_real_distribution<double> uniform(-2.5, 2.5);
  TPolyhedron points;
  while (static_cast<int>(points.size()) < cn) {
    const TVec3 v{uniform(rng), uniform(rng), uniform(rng)};
    if (v[0] * v[0] + v[1] * v[1] + v[2] * v[2] <= 6.25) points.push_back(v);
  }
  points.push_back({0, 0, 0});
  return points;
}

// Ligands on a ring, nearly in one plane with the centre: the hardest case
// found for the search (every 3D reference fits it about equally badly).
TPolyhedron NearlyPlanarRing(std::mt19937& rng, int cn) {
  std::uniform_real_distribution<double> turn(0, 2 * 3.14159265358979);
  std::normal_distribution<double> normal(0, 0.05);
  TPolyhedron points;
  for (int i = 0; i < cn; ++i) {
    const double a = turn(rng);
    points.push_back({2 * std::cos(a), 2 * std::sin(a), normal(rng)});
  }
  points.push_back({0, 0, 0});
  return points;
}

TPolyhedron NearIdeal(std::mt19937& rng, const TShapeReference& ideal, double noise) {
  std::normal_distribution<double> normal(0, noise);
  TPolyhedron points;
  for (const TVec3& p : ideal.Points)
    points.push_back({2 * p[0] + normal(rng), 2 * p[1] + normal(rng), 2 * p[2] + normal(rng)});
  return points;
}

struct TStats {
  double Mean = 0, P99 = 0, Worst = 0;
};

TStats PerCentre(const std::vector<TPolyhedron>& set,
                 const std::vector<const TShapeReference*>& references) {
  std::vector<double> times;
  for (const TPolyhedron& points : set)
    times.push_back(BestOfThree([&] { MeasureAll(points, references); }));
  std::sort(times.begin(), times.end());
  TStats stats;
  for (double t : times) stats.Mean += t / static_cast<double>(times.size());
  stats.P99 = times[std::min(times.size() - 1, times.size() * 99 / 100)];
  stats.Worst = times.back();
  return stats;
}

void PrintStats(const char* label, int cn, size_t count, const TStats& s, double unit,
                const char* unitName) {
  std::printf("%-34s cn=%d centres=%-4zu mean_%s=%.3f p99_%s=%.3f worst_%s=%.3f\n", label, cn,
              count, unitName, s.Mean * unit, unitName, s.P99 * unit, unitName, s.Worst * unit);
}

// search time / brute-force time on the first polyhedra of the set.
void PrintPeer(int cn, const std::vector<TPolyhedron>& set, size_t count,
               const std::vector<const TShapeReference*>& references) {
  double search = 0, brute = 0;
  for (size_t i = 0; i < count && i < set.size(); ++i) {
    search += BestOfThree([&] { MeasureAll(set[i], references); });
    brute += Seconds([&] { MeasureAllByBruteForce(set[i], references); });
  }
  std::printf(
      "peer: brute force over all %d! assignments  cn=%d centres=%zu search_ms=%.3f brute_ms=%.3f "
      "brute/search=%.0f\n",
      cn, cn, count, 1e3 * search / static_cast<double>(count),
      1e3 * brute / static_cast<double>(count), brute / search);
}

// A real centre from a CIF with its automatic ligands.
bool RealPolyhedron(const std::string& path, const std::string& centreName, TStructure& model,
                    int& centre, TLigArray& ligands) {
  TCifFile cif;
  std::string error;
  if (!cif.LoadFromFile(path, error)) return false;
  const TCifBlock& block = ChooseBlock(cif, "", centreName);
  ReadCell(block, model);
  ReadSymmetry(block, model);
  ReadAtomSites(block, model);
  centre = FindAtom(model, centreName);
  if (centre < 0) return false;
  const std::string element = model.Atoms[static_cast<size_t>(centre)].Element;
  ligands = SelectAutomaticLigands(
      model, FindNeighbours(model, centre, SearchRadius(model, element, 0.4, -1, false)), element,
      0.4, 0.5);
  SortLigandsByDistance(ligands);
  ComputeLigandDistances(model, centre, ligands, true, nullptr);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string realdata = argc > 1 ? argv[1] : "";
  std::printf("times per centre, best of three, thread CPU time\n");
  std::mt19937 rng(20240612);
  // The symmetry groups of the references are found once, on first use.
  std::printf("first use (symmetry of all references) ms=%.3f\n",
              1e3 * Seconds([] { ReferenceSymmetry(AllShapeReferences()[0]); }));

  const std::vector<const TShapeReference*> cn8 = ShapeReferencesOfCN(8);
  std::vector<TPolyhedron> sphere, ball, ring, ideal;
  for (int i = 0; i < 300; ++i) sphere.push_back(OnSphere(rng, 8));
  for (int i = 0; i < 150; ++i) ring.push_back(NearlyPlanarRing(rng, 8));
  for (int i = 0; i < 300; ++i) ball.push_back(InBall(rng, 8));
  for (int i = 0; i < 20; ++i)
    for (const TShapeReference* r : cn8) ideal.push_back(NearIdeal(rng, *r, i % 2 ? 0.15 : 0.35));
  PrintStats("CN 8 vs 13 refs, random on sphere", 8, sphere.size(), PerCentre(sphere, cn8), 1e3,
             "ms");
  PrintStats("CN 8 vs 13 refs, random in ball", 8, ball.size(), PerCentre(ball, cn8), 1e3, "ms");
  PrintStats("CN 8 vs 13 refs, nearly planar ring", 8, ring.size(), PerCentre(ring, cn8), 1e3,
             "ms");
  PrintStats("CN 8 vs 13 refs, ideal + noise", 8, ideal.size(), PerCentre(ideal, cn8), 1e3, "ms");

  if (!realdata.empty()) {
    const struct {
      const char* File;
      const char* Centre;
    } real[] = {{"cif/dom1_mC.cif", "Fe01"},
                {"cif/cod1517303_Pd.cif", "Pd1"},
                {"cif/cod2224874_Ru.cif", "Ru"},
                {"cif/cod4319975_NiN2Cl2.cif", "Ni1"}};
    for (const auto& r : real) {
      TStructure model;
      int centre = -1;
      TLigArray ligands;
      try {
        if (!RealPolyhedron(realdata + "/" + r.File, r.Centre, model, centre, ligands)) continue;
      } catch (...) {
        continue;
      }
      const int cn = static_cast<int>(ligands.size());
      if (!ShapesDefinedFor(cn)) continue;
      const std::vector<const TShapeReference*> refs = ShapeReferencesOfCN(cn);
      const std::vector<TSiteRef> sites = PolyhedronSites(centre, ligands);
      const TPolyhedron points = PolyhedronPoints(model, sites);
      const double search = BestOfThree([&] { MeasureAll(points, refs); });
      const double withSu =
          BestOfThree([&] { AnalyseShapes(model, centre, ligands, refs, true, nullptr); });
      std::printf("real %-28s cn=%d refs=%zu search_ms=%.3f with_su_ms=%.3f\n",
                  (std::string(r.File) + " " + r.Centre).c_str(), cn, refs.size(), 1e3 * search,
                  1e3 * withSu);
    }
  }

  for (int cn = 2; cn <= 7; ++cn) {
    std::vector<TPolyhedron> set;
    for (int i = 0; i < 300; ++i) set.push_back(OnSphere(rng, cn));
    const std::vector<const TShapeReference*> refs = ShapeReferencesOfCN(cn);
    const std::string label =
        "CN " + std::to_string(cn) + " vs " + std::to_string(refs.size()) + " refs, random";
    PrintStats(label.c_str(), cn, set.size(), PerCentre(set, refs), 1e6, "us");
  }

  std::vector<TPolyhedron> cn6;
  for (int i = 0; i < 30; ++i) cn6.push_back(OnSphere(rng, 6));
  PrintPeer(6, cn6, cn6.size(), ShapeReferencesOfCN(6));
  PrintPeer(8, sphere, 3, cn8);
  return 0;
}
