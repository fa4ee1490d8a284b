// The coordination sphere of the central atom: the lookup of atoms by label,
// the search for every atom image near the centre, the choice of ligands
// (by the bond criterion or by name), their distances with su and the list of
// L-M-L angles.
#include "coordination.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "capture.h"
#include "utext.h"

namespace {

constexpr double kMinNeighbourDistance = 0.4;  // closer images are disorder partners
constexpr double kMinNamedSearchRadius = 8.0;
constexpr double kMaxCellSpacings = 1000;
// Lattice translations beyond this many cell edges have no site code.
constexpr std::int64_t kMaxTranslation = 1000000000;
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

// ------------------------------------------------------------- search box

// The search radius in fractions of each cell edge: the half-widths of the
// box of lattice translations.
TVec3 SearchSpans(const TCell& cell, double radius) {
  TVec3 spans{};
  for (int s = 0; s < 3; ++s) spans[s] = radius / CellSpacing(cell, s);
  return spans;
}

bool SpansSearchable(const TVec3& spans) {
  for (double span : spans)
    if (!std::isfinite(span) || span > kMaxCellSpacings) return false;
  return true;
}

struct TRange {
  std::int64_t Lo = 0;
  std::int64_t Hi = -1;  // empty when Hi < Lo
};

// Translations t with lo <= t <= hi, held to the translations that have a
// site code (the bounds are clamped before they become integers).
TRange TranslationRange(double lo, double hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) return TRange{};
  const double limit = static_cast<double>(kMaxTranslation);
  lo = std::clamp(lo, -limit, limit + 1);
  hi = std::clamp(hi, -limit - 1, limit);
  return TRange{static_cast<std::int64_t>(lo), static_cast<std::int64_t>(hi)};
}

// lo(s) = ceil(c - r - x), hi(s) = floor(c + r - x).
TRange BoxRange(double centre, double span, double image) {
  return TranslationRange(std::ceil(centre - span - image), std::floor(centre + span - image));
}

// ------------------------------------------------------------- search sphere

TVec3 Column(const TMat3& m, int k) { return TVec3{m[0][k], m[1][k], m[2][k]}; }
double Dot(const TVec3& a, const TVec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
TVec3 Scaled(const TVec3& v, double f) { return TVec3{v[0] * f, v[1] * f, v[2] * f}; }
TVec3 Plus(const TVec3& a, const TVec3& b) { return TVec3{a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
TVec3 Minus(const TVec3& a, const TVec3& b) {
  return TVec3{a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

// The ball of the search in lattice terms. For a fixed t0 the translations
// t1 whose candidate can lie in the ball follow from the ball's shadow along
// the c edge; for fixed t0, t1 the translations t2 from the line along c.
// Both ranges are taken with a safety margin, so they only drop translations
// whose candidate is certainly outside; the box of the search still bounds
// every range, so the order and content of the list are those of the box.
struct TSearchSphere {
  TMat3 M{};
  TVec3 Centre{};      // fractional
  TVec3 CentreCart{};  // M x Centre
  double Radius = 0;
  TVec3 Spans{};
  double MarginRadiusSq = 0;
  TVec3 EdgeA{}, EdgeB{}, EdgeC{};  // Cartesian cell edges (columns of M)
  TVec3 EdgeAAcrossC{}, EdgeBAcrossC{};  // a and b without their part along c
  bool NarrowT1 = false;
  bool NarrowT2 = false;
};

TVec3 WithoutPartAlong(const TVec3& v, const TVec3& along) {
  return Minus(v, Scaled(along, Dot(v, along) / Dot(along, along)));
}

TSearchSphere MakeSearchSphere(const TStructure& model, int centralAtom, double radius,
                               const TVec3& spans) {
  TSearchSphere sphere;
  sphere.M = CellMatrix(model.Cell);
  sphere.Centre = model.FracCoords[centralAtom];
  sphere.CentreCart = MatVec(sphere.M, sphere.Centre);
  sphere.Radius = radius;
  sphere.Spans = spans;
  const double marginRadius = radius * (1 + 1e-6) + 1e-6;
  sphere.MarginRadiusSq = marginRadius * marginRadius;
  sphere.EdgeA = Column(sphere.M, 0);
  sphere.EdgeB = Column(sphere.M, 1);
  sphere.EdgeC = Column(sphere.M, 2);
  const double cc = Dot(sphere.EdgeC, sphere.EdgeC);
  sphere.NarrowT2 = std::isfinite(cc) && cc > 0;
  if (sphere.NarrowT2) {
    sphere.EdgeAAcrossC = WithoutPartAlong(sphere.EdgeA, sphere.EdgeC);
    sphere.EdgeBAcrossC = WithoutPartAlong(sphere.EdgeB, sphere.EdgeC);
    const double bb = Dot(sphere.EdgeBAcrossC, sphere.EdgeBAcrossC);
    sphere.NarrowT1 = std::isfinite(bb) && bb > 1e-12 * Dot(sphere.EdgeB, sphere.EdgeB);
  }
  return sphere;
}

// The translations t with a·f² + 2·b·f + c <= 0 for f = offset + t (a > 0),
// widened by a margin and kept inside the box range.
TRange QuadraticRange(double a, double b, double c, double offset, const TRange& box) {
  const double disc = b * b - a * c;
  if (std::isnan(disc)) return box;
  if (disc < 0) return TRange{box.Lo, box.Lo - 1};
  const double root = std::sqrt(disc);
  const double margin = 1e-6 + 1e-9 * std::fabs(b / a);
  const double lo = std::ceil((-b - root) / a - offset - margin);
  const double hi = std::floor((-b + root) / a - offset + margin);
  if (!std::isfinite(lo) || !std::isfinite(hi)) return box;
  TRange range = box;
  if (lo > static_cast<double>(range.Lo))
    range.Lo = lo > static_cast<double>(range.Hi) ? range.Hi + 1 : static_cast<std::int64_t>(lo);
  if (hi < static_cast<double>(range.Hi))
    range.Hi = hi < static_cast<double>(range.Lo) ? range.Lo - 1 : static_cast<std::int64_t>(hi);
  return range;
}

// f = image - centre + t: the candidate's offset from the centre in fractions.
TRange T1Range(const TSearchSphere& sphere, const TVec3& offset, std::int64_t t0,
               const TRange& box) {
  if (!sphere.NarrowT1) return box;
  const TVec3 across = Scaled(sphere.EdgeAAcrossC, offset[0] + static_cast<double>(t0));
  return QuadraticRange(Dot(sphere.EdgeBAcrossC, sphere.EdgeBAcrossC),
                        Dot(across, sphere.EdgeBAcrossC),
                        Dot(across, across) - sphere.MarginRadiusSq, offset[1], box);
}

TRange T2Range(const TSearchSphere& sphere, const TVec3& offset, std::int64_t t0,
               std::int64_t t1, const TRange& box) {
  if (!sphere.NarrowT2) return box;
  const TVec3 inPlane = Plus(Scaled(sphere.EdgeA, offset[0] + static_cast<double>(t0)),
                             Scaled(sphere.EdgeB, offset[1] + static_cast<double>(t1)));
  return QuadraticRange(Dot(sphere.EdgeC, sphere.EdgeC), Dot(inPlane, sphere.EdgeC),
                        Dot(inPlane, inPlane) - sphere.MarginRadiusSq, offset[2], box);
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

// ------------------------------------------------------------- the search

struct TNeighbourSearch {
  const TStructure& Model;
  TSearchSphere Sphere;
  TSiteRef Central;
  TLigArray Found;
  TListedSites Listed;
};

bool SearchFull(const TNeighbourSearch& search) {
  return search.Found.size() >= static_cast<size_t>(kMaxNeighbours);
}

double CandidateDistance(const TSearchSphere& sphere, const TVec3& image, std::int64_t t0,
                         std::int64_t t1, std::int64_t t2) {
  const TVec3 translated{image[0] + static_cast<double>(t0), image[1] + static_cast<double>(t1),
                         image[2] + static_cast<double>(t2)};
  const TVec3 d = Minus(MatVec(sphere.M, translated), sphere.CentreCart);
  return std::sqrt(Dot(d, d));
}

void ConsiderCandidate(TNeighbourSearch& search, int atom, const TSymOp& op, std::int64_t t0,
                       std::int64_t t1, std::int64_t t2, double distance) {
  TSiteRef site{atom, TranslatedOp(op, static_cast<int>(t0), static_cast<int>(t1),
                                   static_cast<int>(t2))};
  const std::vector<TVec3>& positions = search.Model.FracCoords;
  if (SameSite(positions, search.Central, site)) return;
  const TVec3 position = ApplyOp(site.Op, positions[atom]);
  if (IsListed(search.Listed, positions, search.Found, site, position)) return;
  AddListed(search.Listed, site, position, static_cast<int>(search.Found.size()));
  const TAtom& record = search.Model.Atoms[atom];
  TLigand entry;
  entry.Site = std::move(site);
  entry.Label = record.Label;
  entry.Element = record.Element;
  entry.Dist = distance;
  search.Found.push_back(std::move(entry));
}

void SearchImagesOf(TNeighbourSearch& search, int atom, const TSymOp& op) {
  const TSearchSphere& sphere = search.Sphere;
  const TVec3 image = ApplyOp(op, search.Model.FracCoords[atom]);
  TRange box[3];
  for (int s = 0; s < 3; ++s) box[s] = BoxRange(sphere.Centre[s], sphere.Spans[s], image[s]);
  const TVec3 offset = Minus(image, sphere.Centre);
  for (std::int64_t t0 = box[0].Lo; t0 <= box[0].Hi; ++t0) {
    const TRange range1 = T1Range(sphere, offset, t0, box[1]);
    for (std::int64_t t1 = range1.Lo; t1 <= range1.Hi; ++t1) {
      const TRange range2 = T2Range(sphere, offset, t0, t1, box[2]);
      for (std::int64_t t2 = range2.Lo; t2 <= range2.Hi; ++t2) {
        const double d = CandidateDistance(sphere, image, t0, t1, t2);
        if (!(d >= kMinNeighbourDistance && d <= sphere.Radius)) continue;
        ConsiderCandidate(search, atom, op, t0, t1, t2, d);
        if (SearchFull(search)) return;
      }
    }
  }
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

void CheckSearchRadius(const TCell& cell, double radius) {
  for (double span : SearchSpans(cell, radius))
    if (span > kMaxCellSpacings)
      Fatal("search radius " + RadiusText(radius) +
            " is too large for this structure (more than 1000 cell spacings).");
}

TLigArray FindNeighbours(const TStructure& model, int centralAtom, double radius) {
  const size_t atomCount = std::min(model.Atoms.size(), model.FracCoords.size());
  if (centralAtom < 0 || static_cast<size_t>(centralAtom) >= atomCount) return {};
  const TVec3 spans = SearchSpans(model.Cell, radius);
  if (!(radius >= 0) || !SpansSearchable(spans)) return {};
  TNeighbourSearch search{model, MakeSearchSphere(model, centralAtom, radius, spans),
                          CentralSite(centralAtom), {}, {}};
  for (size_t atom = 0; atom < atomCount; ++atom)
    for (const TSymOp& op : model.SymOps) {
      SearchImagesOf(search, static_cast<int>(atom), op);
      if (SearchFull(search)) return std::move(search.Found);
    }
  return std::move(search.Found);
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

void SortLigandsByDistance(TLigArray& ligands) {
  StableInsertionSort(ligands, [](const TLigand& moving, const TLigand& before) {
    return before.Dist > moving.Dist;
  });
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
