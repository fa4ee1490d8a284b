// CIF text -> file model -> for every block the structure model (cell,
// symmetry, atom sites) and the angle table. The builders end through Fatal,
// the program's own error path. Where a block gives a whole model, the
// neighbour index must find for its first atoms what the search of every
// image finds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "base/fail.h"
#include "model/coordination.h"
#include "fuzz_support.h"
#include "model/structure.h"
#include "io/cif.h"

namespace {

// The list, or the error that ended the search.
std::string Outcome(const TLigArray& list) {
  std::string text;
  for (const TLigand& entry : list) {
    text += std::to_string(entry.Site.Atom);
    text += entry.Site.Op.Code;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &entry.Dist, sizeof bits);
    text += ' ';
    text += std::to_string(bits);
    text += ';';
  }
  return text;
}

template <typename TSearch>
std::string OutcomeOf(TSearch&& search) {
  try {
    return Outcome(search());
  } catch (const TFatalError& error) {
    return "error " + error.Message;
  }
}

// The first atom at the bond radius of a run and at the radius of named
// ligands, the second at the bond radius. Only models of a few thousand
// images in cells whose planes lie at least 3 A apart, as in crystals: the
// searches of larger or absurd ones (the whole-run target meets those)
// would cost the fuzzing most of its executions.
constexpr size_t kMaxComparedImages = 4096;
constexpr double kMinComparedSpacing = 3.0;

void CompareSearches(const TStructure& model) {
  if (model.Atoms.size() * model.SymOps.size() > kMaxComparedImages) return;
  for (int axis = 0; axis < 3; ++axis)
    if (!(CellSpacing(model.Cell, axis) >= kMinComparedSpacing)) return;
  const TNeighbourIndex index(model);
  const std::pair<int, double> queries[] = {{0, 3.2}, {0, 8.0}, {1, 3.2}};
  for (const auto& query : queries) {
    const int centre = query.first;
    const double radius = query.second;
    if (static_cast<size_t>(centre) >= model.Atoms.size()) break;
    const std::string indexed = OutcomeOf([&] { return index.Find(centre, radius); });
    const std::string scanned = OutcomeOf([&] { return FindNeighbours(model, centre, radius); });
    if (indexed != scanned) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TCifFile file;
  file.LoadFromText(std::string(InputText(data, size)));
  for (int b = 0; b < file.BlockCount(); ++b) {
    const TCifBlock& block = file.Block(b);
    (void)HasStructure(block);
    (void)SpaceGroupName(block);
    TStructure model;
    bool whole = true;
    try {
      ReadCell(block, model);
    } catch (const TFatalError&) {
      whole = false;
    }
    (void)ReadSymmetry(block, model);
    try {
      ReadAtomSites(block, model);
    } catch (const TFatalError&) {
      whole = false;
    }
    if (whole && !model.Atoms.empty()) CompareSearches(model);
    try {
      ReadAngleTable(block, model);
    } catch (const TFatalError&) {
    }
    if (!model.Atoms.empty()) {
      (void)HasAtomLabel(block, model.Atoms.front().Label);
      try {
        (void)ChooseBlock(file, "", model.Atoms.front().Label);
      } catch (const TFatalError&) {
      }
    }
  }
  (void)StructureBlockList(file);
  return 0;
}
