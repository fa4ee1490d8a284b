// The coordination sphere of the central atom: the lookup of atoms by label,
// the search for every atom image near the centre, the choice of ligands
// (by the bond criterion or by name), their distances with su and the list of
// L-M-L angles.
#include "model/coordination.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/fail.h"
#include "base/text.h"
#include "base/format.h"
#include "crystal/elements.h"

namespace {

constexpr double kMinNamedSearchRadius = 8.0;
constexpr const char* kCentralSiteCode = "1_555";

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  quoted += text;
  quoted += '"';
  return quoted;
}

std::string RadiusText(double radius) { return FormatFixed(radius, 2) + " A"; }

TSiteRef CentralSite(int centralAtom) { return TSiteRef{centralAtom, IdentityOp()}; }

// ------------------------------------------------------------- atom lookup

int FirstAtomLabelled(const TStructure& model, std::string_view name) {
  for (size_t i = 0; i < model.Atoms.size(); ++i)
    if (SameTextIgnoringCase(model.Atoms[i].Label, name)) return static_cast<int>(i);
  return -1;
}

// SHELX labels may end in a double quote, which a shell makes hard to type;
// two apostrophes stand for it.
std::string ApostrophePairsAsDoubleQuotes(std::string_view name) {
  std::string result;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\'' && i + 1 < name.size() && name[i + 1] == '\'') {
      result += '"';
      ++i;
    } else {
      result += name[i];
    }
  }
  return result;
}

// ------------------------------------------------------------- listed sites

// Finds an entry already listed that SameSite takes for the same site: an
// equal code of the same atom, or a position within 0.001 in every
// component, which lies in the same or a neighbouring bucket.
constexpr double kBucketWidth = 0.01;

struct TBucketKey {
  int Atom = 0;
  std::int64_t Cell[3] = {0, 0, 0};
  bool operator==(const TBucketKey& other) const {
    return Atom == other.Atom && Cell[0] == other.Cell[0] && Cell[1] == other.Cell[1] &&
           Cell[2] == other.Cell[2];
  }
};

struct TBucketKeyHash {
  size_t operator()(const TBucketKey& key) const {
    size_t h = std::hash<int>()(key.Atom);
    for (std::int64_t c : key.Cell) h = h * 1000003u ^ std::hash<std::int64_t>()(c);
    return h;
  }
};

struct TListedSites {
  std::unordered_map<TBucketKey, std::vector<int>, TBucketKeyHash> ByPosition;
  std::unordered_set<std::string> AtomCodes;
};

std::string AtomCodeKey(const TSiteRef& site) {
  return std::to_string(site.Atom) + " " + site.Op.Code;
}

std::int64_t BucketIndex(double coordinate) {
  const double index = std::floor(coordinate / kBucketWidth);
  if (std::isnan(index)) return 0;
  // Clamping keeps neighbouring buckets neighbours.
  return static_cast<std::int64_t>(std::clamp(index, -1e15, 1e15));
}

TBucketKey BucketOf(int atom, const TVec3& position) {
  TBucketKey key;
  key.Atom = atom;
  for (int s = 0; s < 3; ++s) key.Cell[s] = BucketIndex(position[s]);
  return key;
}

bool IsListed(const TListedSites& listed, const std::vector<TVec3>& positions,
              const TLigArray& found, const TSiteRef& site, const TVec3& position) {
  if (listed.AtomCodes.count(AtomCodeKey(site)) > 0) return true;
  const TBucketKey home = BucketOf(site.Atom, position);
  for (int d0 = -1; d0 <= 1; ++d0)
    for (int d1 = -1; d1 <= 1; ++d1)
      for (int d2 = -1; d2 <= 1; ++d2) {
        TBucketKey key = home;
        key.Cell[0] += d0;
        key.Cell[1] += d1;
        key.Cell[2] += d2;
        const auto bucket = listed.ByPosition.find(key);
        if (bucket == listed.ByPosition.end()) continue;
        for (int entry : bucket->second)
          if (SameSite(positions, found[entry].Site, site)) return true;
      }
  return false;
}

void AddListed(TListedSites& listed, const TSiteRef& site, const TVec3& position, int entry) {
  listed.AtomCodes.insert(AtomCodeKey(site));
  listed.ByPosition[BucketOf(site.Atom, position)].push_back(entry);
}

// ------------------------------------------------------------- named ligands

struct TNamedLigand {
  std::string Typed;
  std::string Label;  // the atom's own label
  int Atom = -1;
  bool HasCode = false;
  std::string Code;  // normalised
  int Chosen = -1;   // index into the neighbour list
};

// FindAtom for many names: the first atom of each label, ASCII case ignored.
class TLabelIndex {
 public:
  explicit TLabelIndex(const TStructure& model) {
    for (size_t i = 0; i < model.Atoms.size(); ++i)
      FirstAtom.emplace(AsciiLowerCopy(model.Atoms[i].Label), static_cast<int>(i));
  }

  int Find(std::string_view name) const {
    const int found = First(name);
    if (found >= 0 || name.find("''") == std::string_view::npos) return found;
    return First(ApostrophePairsAsDoubleQuotes(name));
  }

 private:
  int First(std::string_view name) const {
    const auto atom = FirstAtom.find(AsciiLowerCopy(name));
    return atom == FirstAtom.end() ? -1 : atom->second;
  }

  std::unordered_map<std::string, int> FirstAtom;
};

TNamedLigand LookUpLigandName(const TStructure& model, const TLabelIndex& labels,
                              const std::string& typed, const std::string& inputFileName,
                              const std::string& notFoundNote, bool& suffixRemoved) {
  TNamedLigand named;
  named.Typed = typed;
  std::string label = typed;
  const size_t hash = typed.find('#');
  if (hash != std::string::npos) {
    named.HasCode = true;
    named.Code = NormaliseSiteCode(std::string_view(typed).substr(hash + 1));
    label = typed.substr(0, hash);
  }
  named.Atom = labels.Find(label);
  if (named.Atom < 0) {
    bool removed = false;
    label = StripOlexSuffix(label, removed);
    if (removed) suffixRemoved = true;
    named.Atom = labels.Find(label);
  }
  if (named.Atom < 0)
    Fatal("ligand " + Quoted(label) + " not found in " + inputFileName + "." + notFoundNote);
  named.Label = model.Atoms[named.Atom].Label;
  return named;
}

std::string NotWithinRadiusMessage(const std::string& what, double radius) {
  return "ligand " + what + " is not within the search radius (" + RadiusText(radius) +
         "). Increase --max= if required.";
}

int ChooseCodedImage(const TStructure& model, const TLigArray& neighbours, int centralAtom,
                     const TNamedLigand& named, double radius) {
  TSymOp op;
  if (!ParseSiteCode(named.Code, model.SymOps, op))
    Fatal("symmetry code " + Quoted(named.Code) + " in " + Quoted(named.Typed) +
          " is not valid for this CIF (" + std::to_string(model.SymOps.size()) +
          " operations, format n_klm).");
  const TSiteRef site{named.Atom, op};
  if (SameSite(model.FracCoords, CentralSite(centralAtom), site))
    Fatal("ligand " + Quoted(named.Typed) + " is the central atom itself.");
  for (size_t k = 0; k < neighbours.size(); ++k)
    if (SameSite(model.FracCoords, neighbours[k].Site, site)) return static_cast<int>(k);
  Fatal(NotWithinRadiusMessage(Quoted(named.Label) + " with symmetry code " + named.Code, radius));
}

// What the names have chosen so far, so that each name costs time in
// proportion to its own candidates rather than to all other names.
struct TChoices {
  std::vector<char> Taken;  // per neighbour entry: chosen by some name
  TListedSites Sites;       // the chosen entries, for SameSite look-ups
  // Entries per label in lower case, in neighbour-list order.
  std::unordered_map<std::string, std::vector<int>> ByLabel;

  explicit TChoices(const TLigArray& neighbours) : Taken(neighbours.size(), 0) {
    for (size_t k = 0; k < neighbours.size(); ++k)
      ByLabel[AsciiLowerCopy(neighbours[k].Label)].push_back(static_cast<int>(k));
  }
};

std::string GivenTwiceMessage(const TNamedLigand& named) {
  return "ligand " + Quoted(named.Typed) + " was given more than once.";
}

// A name chooses once, so an entry already taken is taken by another name.
int ChooseNearestFreeImage(const TLigArray& neighbours, const TChoices& choices,
                           const TNamedLigand& named, double radius) {
  const auto group = choices.ByLabel.find(AsciiLowerCopy(named.Label));
  if (group == choices.ByLabel.end())
    Fatal(NotWithinRadiusMessage(Quoted(named.Label), radius));
  int best = -1;
  for (int k : group->second) {
    if (choices.Taken[static_cast<size_t>(k)]) continue;
    if (best < 0 || neighbours[k].Dist < neighbours[best].Dist) best = k;
  }
  if (best < 0) Fatal(GivenTwiceMessage(named));
  return best;
}

// Ends the run when the entry just chosen is the same site as one that
// another name chose before; then records the choice.
void RecordChoice(const TStructure& model, const TLigArray& neighbours, TChoices& choices,
                  const TNamedLigand& named) {
  const TSiteRef& chosen = neighbours[named.Chosen].Site;
  const bool atomKnown =
      chosen.Atom >= 0 && static_cast<size_t>(chosen.Atom) < model.FracCoords.size();
  const TVec3 position = atomKnown ? ApplyOp(chosen.Op, model.FracCoords[chosen.Atom]) : TVec3{};
  if (IsListed(choices.Sites, model.FracCoords, neighbours, chosen, position))
    Fatal(GivenTwiceMessage(named));
  AddListed(choices.Sites, chosen, position, named.Chosen);
  choices.Taken[static_cast<size_t>(named.Chosen)] = 1;
}

// ------------------------------------------------------------- angles

template <typename TRecord, typename TMovesPast>
void StableInsertionSort(std::vector<TRecord>& records, TMovesPast movesPast) {
  for (size_t i = 1; i < records.size(); ++i) {
    TRecord moving = std::move(records[i]);
    size_t j = i;
    for (; j > 0 && movesPast(moving, records[j - 1]); --j) records[j] = std::move(records[j - 1]);
    records[j] = std::move(moving);
  }
}

TAngleRec ComputedAngle(const TStructure& model, int centralAtom, const TLigand& first,
                        const TLigand& second, const TCovSource* matrix, int& nonFreeCount) {
  TAngleRec angle;
  const TSiteRef centre = CentralSite(centralAtom);
  TValueSu value;
  if (matrix != nullptr) {
    value = AngleCovSu(model.FracCoords, first.Site, centre, second.Site, model.Cell, *matrix);
    nonFreeCount += value.Missing;
  } else {
    value = AngleSu(model.FracCoords, model.FracSu, first.Site, centre, second.Site, model.Cell);
  }
  angle.Angle = value.Value;
  angle.Su = value.Su;
  return angle;
}

}  // namespace

int FindAtom(const TStructure& model, std::string_view name) {
  const int found = FirstAtomLabelled(model, name);
  if (found >= 0 || name.find("''") == std::string_view::npos) return found;
  return FirstAtomLabelled(model, ApostrophePairsAsDoubleQuotes(name));
}

double LargestCovalentRadius(const TStructure& model) {
  double largestRadius = 0;
  for (const TAtom& atom : model.Atoms)
    largestRadius = std::max(largestRadius, CovalentRadius(atom.Element));
  return largestRadius;
}

double SearchRadius(const TStructure& model, const std::string& centralElement, double tolerance,
                    double maxRadius, bool ligandsNamed) {
  return SearchRadius(LargestCovalentRadius(model), centralElement, tolerance, maxRadius,
                      ligandsNamed);
}

double SearchRadius(double largestRadius, const std::string& centralElement, double tolerance,
                    double maxRadius, bool ligandsNamed) {
  double radius = CovalentRadius(centralElement) + largestRadius + tolerance;
  if (ligandsNamed && radius <= kMinNamedSearchRadius) radius = kMinNamedSearchRadius;
  if (maxRadius > 0) radius = maxRadius;
  return radius;
}

TLigArray SelectAutomaticLigands(const TStructure& model, const TLigArray& neighbours,
                                 const std::string& centralElement, double tolerance,
                                 double minOccupancy) {
  TLigArray ligands;
  const double centralRadius = CovalentRadius(centralElement);
  for (const TLigand& neighbour : neighbours) {
    const double occupancy = model.Atoms[neighbour.Site.Atom].Occ;
    if (!std::isnan(occupancy) && !(occupancy >= minOccupancy)) continue;
    const double bondLimit = centralRadius + CovalentRadius(neighbour.Element) + tolerance;
    if (!(neighbour.Dist <= bondLimit)) continue;
    ligands.push_back(neighbour);
  }
  return ligands;
}

// Coded names claim their images first, so that an uncoded name cannot take
// the image another name asks for explicitly.
TLigArray ResolveNamedLigands(const TStructure& model, const TLigArray& neighbours,
                              int centralAtom, const std::vector<std::string>& names,
                              double radius, const std::string& inputFileName,
                              const std::string& notFoundNote, bool& suffixRemoved) {
  const TLabelIndex labels(model);
  std::vector<TNamedLigand> named;
  named.reserve(names.size());
  for (const std::string& typed : names)
    named.push_back(
        LookUpLigandName(model, labels, typed, inputFileName, notFoundNote, suffixRemoved));
  TChoices choices(neighbours);
  for (bool codedPass : {true, false})
    for (TNamedLigand& name : named) {
      if (name.HasCode != codedPass) continue;
      name.Chosen = codedPass ? ChooseCodedImage(model, neighbours, centralAtom, name, radius)
                              : ChooseNearestFreeImage(neighbours, choices, name, radius);
      RecordChoice(model, neighbours, choices, name);
    }
  TLigArray ligands;
  for (const TNamedLigand& name : named) ligands.push_back(neighbours[name.Chosen]);
  return ligands;
}

// The distances are those of the search, numbers within the search radius,
// so the order is a strict weak one; a merge sort keeps a full list of
// 20000 entries quick.
void SortLigandsByDistance(TLigArray& ligands) {
  std::stable_sort(ligands.begin(), ligands.end(),
                   [](const TLigand& a, const TLigand& b) { return a.Dist < b.Dist; });
}

void ComputeLigandDistances(const TStructure& model, int centralAtom, TLigArray& ligands,
                            bool suAvailable, const TCovSource* matrix) {
  const TSiteRef centre = CentralSite(centralAtom);
  for (TLigand& ligand : ligands) {
    const TValueSu value =
        matrix != nullptr
            ? DistanceCovSu(model.FracCoords, centre, ligand.Site, model.Cell, *matrix)
            : DistanceSu(model.FracCoords, model.FracSu, centre, ligand.Site, model.Cell);
    ligand.Dist = value.Value;
    ligand.DistSu = suAvailable ? value.Su : 0;
  }
}

std::vector<TAngleRec> BuildAngles(const TStructure& model, int centralAtom,
                                   const TLigArray& ligands, bool forceCalc, bool suAvailable,
                                   const TCovSource* matrix, int& nonFreeCount) {
  return BuildAngles(model, model.CifAngles, centralAtom, ligands, forceCalc, suAvailable, matrix,
                     nonFreeCount);
}

std::vector<TAngleRec> BuildAngles(const TStructure& model, const std::vector<TCifAngle>& cifAngles,
                                   int centralAtom, const TLigArray& ligands, bool forceCalc,
                                   bool suAvailable, const TCovSource* matrix, int& nonFreeCount) {
  const std::string& centreLabel = model.Atoms[centralAtom].Label;
  std::vector<TAngleRec> angles;
  for (size_t i = 0; i < ligands.size(); ++i)
    for (size_t k = i + 1; k < ligands.size(); ++k) {
      const TLigand& first = ligands[i];
      const TLigand& second = ligands[k];
      TAngleRec angle;
      double value = 0, su = 0;
      if (!forceCalc && FindCifAngle(cifAngles, centreLabel, kCentralSiteCode, first.Label,
                                     first.Site.Op.Code, second.Label, second.Site.Op.Code,
                                     value, su)) {
        angle.Angle = value;
        angle.Su = su;
        angle.FromCif = true;
      } else {
        angle = ComputedAngle(model, centralAtom, first, second, matrix, nonFreeCount);
      }
      angle.Lig1 = static_cast<int>(i);
      angle.Lig2 = static_cast<int>(k);
      if (!suAvailable) angle.Su = 0;
      angles.push_back(angle);
    }
  StableInsertionSort(angles, [](const TAngleRec& moving, const TAngleRec& before) {
    return before.Angle < moving.Angle;
  });
  return angles;
}

std::string LigandDisplayName(const TLigand& ligand) {
  return SiteDisplayName(ligand.Label, ligand.Site.Op.Code);
}

std::string LigandListText(const TLigArray& ligands) {
  std::string text;
  for (const TLigand& ligand : ligands) {
    if (!text.empty()) text += ' ';
    text += LigandDisplayName(ligand);
  }
  return text;
}
