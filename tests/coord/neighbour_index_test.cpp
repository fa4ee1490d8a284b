// The neighbour index, built once per structure, finds for every centre
// exactly what the plain search finds: on random structures in sane and
// skewed cells, and on every real structure beside the project.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/coord_models.h"
#include "model/structure.h"
#include "support/test_support.h"
#include "io/cif.h"
#include "io/shelx.h"

namespace {

std::string Label(const char* prefix, int number) {
  std::string label = prefix;
  label += std::to_string(number);
  return label;
}

class TRandom {
 public:
  explicit TRandom(std::uint64_t seed) : State(seed) {}
  double Uniform(double lo, double hi) {
    State = State * 6364136223846793005ULL + 1442695040888963407ULL;
    return lo + (hi - lo) * static_cast<double>(State >> 11) / 9007199254740992.0;
  }
  int Below(int n) { return static_cast<int>(Uniform(0, n)) % n; }

 private:
  std::uint64_t State;
};

// Operations of a monoclinic group with a repeated identity and one
// operation whose translation differs by less than SameSite's tolerance.
std::vector<TSymOp> RandomOperations(TRandom& random) {
  std::vector<TSymOp> ops{MakeOp(1, kUnit, {0, 0, 0})};
  const TRotation rotations[] = {kInverse, kTwoFoldB, kMirrorB, kUnit};
  const int count = random.Below(5);
  for (int k = 0; k < count; ++k)
    ops.push_back(MakeOp(static_cast<int>(ops.size()) + 1, rotations[random.Below(4)],
                         {random.Below(2) * 0.5, random.Below(2) * 0.5, random.Below(2) * 0.5}));
  if (random.Below(3) == 0) ops.push_back(MakeOp(static_cast<int>(ops.size()) + 1, kUnit, {0, 0, 0}));
  if (random.Below(3) == 0)
    ops.push_back(MakeOp(static_cast<int>(ops.size()) + 1, kUnit, {0, 0, 0.0004}));
  return ops;
}

TStructure RandomStructure(TRandom& random, const TCell& cell) {
  TStructure model = MakeModel(cell, RandomOperations(random));
  const int atoms = 2 + random.Below(12);
  for (int k = 0; k < atoms; ++k) {
    TVec3 frac{random.Uniform(-1.5, 1.5), random.Uniform(-1.5, 1.5), random.Uniform(-1.5, 1.5)};
    // Special positions and atoms on one site, as real files have them.
    if (random.Below(4) == 0) frac = {0, random.Uniform(0, 1), 0.25};
    if (random.Below(6) == 0 && k > 0) frac = model.FracCoords[0];
    AddAtom(model, Label("X", k + 1), random.Below(2) ? "O" : "Ni", frac);
  }
  return model;
}

}  // namespace

TEST(NeighbourIndex, FindsWhatThePlainSearchFindsOnRandomStructures) {
  const TCell cells[] = {MakeCell(7.1, 8.3, 9.2),
                         MakeCell(5.1, 6.2, 17.3, 90, 103, 90),
                         MakeCell(4.3, 9.1, 5.6, 64, 71, 82),
                         MakeCell(3.2, 9.5, 4.1, 104, 95, 118),
                         MakeCell(40, 41, 42, 90, 95, 90),
                         // Short edges: the search sweeps along the short axis.
                         MakeCell(0.31, 9, 10, 90, 90, 90),
                         MakeCell(8, 0.27, 10, 80, 95, 100),
                         MakeCell(4, 4, 12, 40, 50, 45)};
  TRandom random(20260);
  for (int round = 0; round < 60; ++round) {
    const TCell& cell = cells[round % (sizeof cells / sizeof cells[0])];
    const TStructure model = RandomStructure(random, cell);
    const TNeighbourIndex index(model);
    for (int centre = 0; centre < static_cast<int>(model.Atoms.size()); ++centre) {
      const double radius = random.Uniform(0.5, 9.0);
      const std::string what = "round " + std::to_string(round) + " centre " +
                               std::to_string(centre) + " radius " + std::to_string(radius);
      ExpectSameList(index.Find(centre, radius), PlainNeighbourSearch(model, centre, radius),
                     what);
      if (HasFatalFailure()) return;
    }
  }
}

TEST(NeighbourIndex, ManyQueriesOnOneIndexMatchSingleSearches) {
  TRandom random(7);
  TStructure model = MakeModel(MakeCell(30, 31, 32, 90, 97, 90),
                               {MakeOp(1, kUnit, {0, 0, 0}), MakeOp(2, kInverse, {0, 0, 0}),
                                MakeOp(3, kTwoFoldB, {0, 0.5, 0.5}),
                                MakeOp(4, kMirrorB, {0, 0.5, 0.5})});
  for (int k = 0; k < 600; ++k)
    AddAtom(model, Label("A", k), k % 7 == 0 ? "Ni" : "C",
            {random.Uniform(0, 1), random.Uniform(0, 1), random.Uniform(0, 1)});
  const TNeighbourIndex index(model);
  for (int centre = 0; centre < 600; centre += 7)
    ExpectSameList(index.Find(centre, 3.5), FindNeighbours(model, centre, 3.5),
                   "centre " + std::to_string(centre));
  ExpectSameList(index.Find(0, 3.5), PlainNeighbourSearch(model, 0, 3.5), "plain");
}

TEST(NeighbourIndex, AbsurdCellEndsWithAnErrorInsteadOfRunningForMinutes) {
  // An edge of 0.003 A puts 1500 lattice points of each atom in the sphere;
  // of 2000 operations that differ by less than SameSite's tolerance all
  // but the first find only images listed already.
  std::vector<TSymOp> ops;
  for (int k = 1; k <= 2000; ++k) ops.push_back(MakeOp(k, kUnit, {0, 0, 1e-7 * k}));
  TStructure model = MakeModel(MakeCell(0.003, 10, 10), ops);
  AddAtom(model, "Ni1", "Ni", {0.1, 0.2, 0.3});
  for (int k = 0; k < 10; ++k) AddAtom(model, Label("O", k), "O", {0.1, 0.2, 0.3});
  const std::string message = FatalMessageOf([&] { FindNeighbours(model, 0, 2.5); });
  EXPECT_EQ(message, "search radius 2.50 A is too large for this structure (the neighbour "
                     "search would not end).");
}

namespace {

bool LoadCifModel(const std::string& path, TStructure& model) {
  TCifFile file;
  std::string error;
  if (!file.LoadFromFile(path, error)) return false;
  for (int b = 0; b < file.BlockCount(); ++b) {
    if (!HasStructure(file.Block(b))) continue;
    try {
      model = TStructure{};
      ReadCell(file.Block(b), model);
      ReadSymmetry(file.Block(b), model);
      ReadAtomSites(file.Block(b), model);
      return true;
    } catch (const TFatalError&) {
      return false;
    }
  }
  return false;
}

bool LoadShelxModel(const std::string& path, TStructure& model) {
  TShelxData data;
  std::string error;
  if (!ReadShelxFile(path, data, error)) return false;
  model = MakeModel(data.Cell, data.SymOps);
  for (const TShelxAtom& atom : data.Atoms) AddAtom(model, atom.Name, atom.Element, atom.Frac);
  return true;
}

}  // namespace

TEST(NeighbourIndex, FindsWhatThePlainSearchFindsOnEveryRealStructure) {
  const std::string root = RealDataFile("");
  if (root.empty()) GTEST_SKIP() << "no real data beside the project";
  int checked = 0;
  for (const char* folder : {"cif", "shelx"})
    for (const auto& entry : std::filesystem::directory_iterator(root + "/" + folder)) {
      TStructure model;
      const std::string path = entry.path().string();
      const bool loaded = std::string(folder) == "cif" ? LoadCifModel(path, model)
                                                        : LoadShelxModel(path, model);
      if (!loaded || model.Atoms.empty()) continue;
      const TNeighbourIndex index(model);
      // Every metal-like centre is too many for the plain search on the
      // large files: every 37th atom, and the first.
      for (size_t centre = 0; centre < model.Atoms.size(); centre += 37) {
        for (double radius : {3.2, 8.0}) {
          ExpectSameList(index.Find(static_cast<int>(centre), radius),
                         PlainNeighbourSearch(model, static_cast<int>(centre), radius),
                         path + " centre " + model.Atoms[centre].Label);
          if (HasFatalFailure()) return;
        }
      }
      ++checked;
    }
  EXPECT_GT(checked, 30);
}

TEST(NeighbourIndex, AtomsFarOutsideTheUnitCellAreFoundFromAnyCentre) {
  // Coordinates beyond the grid's range are searched by every query; a
  // centre beyond it searches every image.
  TStructure model = MakeModel(MakeCell(6, 7, 8), {MakeOp(1, kUnit, {0, 0, 0}),
                                                   MakeOp(2, kInverse, {0, 0, 0})});
  AddAtom(model, "Ni1", "Ni", {0.1, 0.2, 0.3});
  AddAtom(model, "O1", "O", {2000000.3, 0.2, 0.3});
  AddAtom(model, "O2", "O", {0.1, -3000000.0, 0.5});
  AddAtom(model, "Ni2", "Ni", {5000000.1, 0.25, 0.3});
  AddAtom(model, "O3", "O", {5000000.3, 0.25, 0.3});
  const TNeighbourIndex index(model);
  for (int centre : {0, 3})
    for (double radius : {2.0, 6.5})
      ExpectSameList(index.Find(centre, radius), PlainNeighbourSearch(model, centre, radius),
                     "centre " + std::to_string(centre));
}
