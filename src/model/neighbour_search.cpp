// The search for every atom image near a centre: a grid of the images over
// the unit cell, built once per structure, and per query the lattice
// translations of each image in the ball, tested in the order atom,
// operation, translation against the entries already listed.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <memory_resource>
#include <unordered_map>
#include <unordered_set>

#include "base/fail.h"
#include "model/coordination.h"
#include "base/text.h"
#include "base/format.h"

namespace {

constexpr double kMinNeighbourDistance = 0.4;  // closer images are disorder partners
constexpr double kMaxCellSpacings = 1000;
// Lattice translations beyond this many cell edges have no site code.
constexpr std::int64_t kMaxTranslation = 1000000000;
// SameSite takes two images of one atom within this in every fractional
// component for one site.
constexpr double kSameSiteTolerance = 0.001;
// More loop steps than this (images with translations in their box, and
// the planes, lines and candidates of the lattice; at most a second or two
// in all) cannot come from a structure: the real ones beside the project
// need a few thousand, --max=60 on NaCl 400000. The search then ends with
// an error instead of running for minutes.
constexpr std::int64_t kMaxSearchSteps = 5000000;

// ------------------------------------------------------------- search box

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
  bool Empty() const { return Hi < Lo; }
  std::int64_t Count() const { return Empty() ? 0 : Hi - Lo + 1; }
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

TVec3 WithoutPartAlong(const TVec3& v, const TVec3& along) {
  return Minus(v, Scaled(along, DotProduct(v, along) / DotProduct(along, along)));
}

// The ball of the search in lattice terms, for one order of the three axes:
// planes of constant t[Outer], in them lines of constant t[Middle], along
// the lines t[Inner]. For a fixed outer translation the middle ones whose
// candidate can lie in the ball follow from the ball's shadow along the
// inner edge; for fixed outer and middle ones the inner ones from the line.
// Both ranges are taken with a safety margin, so they only drop
// translations whose candidate is certainly outside; the box of the search
// still bounds every range, so the content of the list is that of the box.
struct TSearchSphere {
  TMat3 M{};
  TVec3 Centre{};      // fractional
  TVec3 CentreCart{};  // M x Centre
  double Radius = 0;
  TVec3 Spans{};
  double MarginRadiusSq = 0;
  int Outer = 0, Middle = 1, Inner = 2;
  TVec3 EdgeOuter{}, EdgeMiddle{}, EdgeInner{};  // Cartesian cell edges
  TVec3 OuterAcrossInner{}, MiddleAcrossInner{};  // without their part along the inner edge
  bool NarrowMiddle = false;
  bool NarrowInner = false;
};

TSearchSphere MakeSearchSphere(const TStructure& model, int centralAtom, double radius,
                               const TVec3& spans, int outer, int middle, int inner) {
  TSearchSphere sphere;
  sphere.M = CellMatrix(model.Cell);
  sphere.Centre = model.FracCoords[centralAtom];
  sphere.CentreCart = MatVec(sphere.M, sphere.Centre);
  sphere.Radius = radius;
  sphere.Spans = spans;
  const double marginRadius = radius * (1 + 1e-6) + 1e-6;
  sphere.MarginRadiusSq = marginRadius * marginRadius;
  sphere.Outer = outer;
  sphere.Middle = middle;
  sphere.Inner = inner;
  sphere.EdgeOuter = Column(sphere.M, outer);
  sphere.EdgeMiddle = Column(sphere.M, middle);
  sphere.EdgeInner = Column(sphere.M, inner);
  const double cc = DotProduct(sphere.EdgeInner, sphere.EdgeInner);
  sphere.NarrowInner = std::isfinite(cc) && cc > 0;
  if (sphere.NarrowInner) {
    sphere.OuterAcrossInner = WithoutPartAlong(sphere.EdgeOuter, sphere.EdgeInner);
    sphere.MiddleAcrossInner = WithoutPartAlong(sphere.EdgeMiddle, sphere.EdgeInner);
    const double bb = DotProduct(sphere.MiddleAcrossInner, sphere.MiddleAcrossInner);
    sphere.NarrowMiddle =
        std::isfinite(bb) && bb > 1e-12 * DotProduct(sphere.EdgeMiddle, sphere.EdgeMiddle);
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

// offset = image - centre: the candidate's offset from the centre in
// fractions is offset + t.
TRange MiddleRange(const TSearchSphere& sphere, const TVec3& offset, std::int64_t outer,
                   const TRange& box) {
  if (!sphere.NarrowMiddle) return box;
  const TVec3 across =
      Scaled(sphere.OuterAcrossInner, offset[sphere.Outer] + static_cast<double>(outer));
  return QuadraticRange(DotProduct(sphere.MiddleAcrossInner, sphere.MiddleAcrossInner),
                        DotProduct(across, sphere.MiddleAcrossInner),
                        DotProduct(across, across) - sphere.MarginRadiusSq, offset[sphere.Middle], box);
}

TRange InnerRange(const TSearchSphere& sphere, const TVec3& offset, std::int64_t outer,
                  std::int64_t middle, const TRange& box) {
  if (!sphere.NarrowInner) return box;
  const TVec3 inPlane =
      Plus(Scaled(sphere.EdgeOuter, offset[sphere.Outer] + static_cast<double>(outer)),
           Scaled(sphere.EdgeMiddle, offset[sphere.Middle] + static_cast<double>(middle)));
  return QuadraticRange(DotProduct(sphere.EdgeInner, sphere.EdgeInner), DotProduct(inPlane, sphere.EdgeInner),
                        DotProduct(inPlane, inPlane) - sphere.MarginRadiusSq, offset[sphere.Inner], box);
}

// How the translations of one image are walked. In lattice order the planes
// are those of constant t0, which is best when t0 has the fewest planes;
// when another axis spans far more translations than the other two (a very
// short cell edge), the walk takes the lines along that axis instead, all
// of them found first, and sweeps along the axis to keep lattice order.
enum class TWalk { LatticeOrder, LinesAlongA, LinesAlongB };

double PlaneCount(double span) { return 2 * span + 1; }

TWalk ChooseWalk(const TVec3& spans) {
  const double inOrder = PlaneCount(spans[0]) * PlaneCount(spans[1]);
  const double alongA = PlaneCount(spans[1]) * PlaneCount(spans[2]);
  const double alongB = PlaneCount(spans[0]) * PlaneCount(spans[2]);
  constexpr double kWorthIt = 8;          // the line lists cost memory and a sort
  constexpr double kMaxLineList = 65536;  // lines found ahead for one image
  const double best = std::min(alongA, alongB);
  if (best * kWorthIt >= inOrder || best > kMaxLineList) return TWalk::LatticeOrder;
  return alongA <= alongB ? TWalk::LinesAlongA : TWalk::LinesAlongB;
}

// ------------------------------------------------------------- listed sites

// The key of a coordinate for the look-up of images within 0.001 of each
// other: its cell of width 1/256 (a power of two, so x·256 and its floor are
// exact) while neighbouring doubles lie closer than 0.001; from 2^44 on,
// neighbouring doubles lie at least 0.0019 apart, so only equal coordinates
// are within 0.001 and the key is the coordinate itself.
constexpr double kKeyCellsPerUnit = 256;
constexpr double kExactKeyFrom = 17592186044416.0;  // 2^44
// 0.001 is 0.256 of a key cell: a coordinate this near a cell's edge has
// neighbours within 0.001 in the next cell.
constexpr double kNearCellEdge = 0.26;

struct TCoordinateKey {
  bool Usable = false;  // false: not a finite number, never within 0.001 of anything
  bool Exact = false;
  std::int64_t Cell = 0;
  int Lo = 0, Hi = 0;  // the neighbouring cells that images within 0.001 reach
};

TCoordinateKey KeyOf(double value) {
  TCoordinateKey key;
  if (!std::isfinite(value)) return key;
  key.Usable = true;
  if (std::fabs(value) >= kExactKeyFrom) {
    key.Exact = true;
    std::memcpy(&key.Cell, &value, sizeof value);
    return key;
  }
  const double scaled = value * kKeyCellsPerUnit;
  const double cell = std::floor(scaled);
  const double within = scaled - cell;  // exact
  key.Cell = static_cast<std::int64_t>(cell);
  key.Lo = within < kNearCellEdge ? -1 : 0;
  key.Hi = within > 1 - kNearCellEdge ? 1 : 0;
  return key;
}

struct TPositionKey {
  int Atom = 0;
  std::int64_t Cell[3] = {0, 0, 0};
  unsigned Exact = 0;  // bit s: component s is an exact key
  bool operator==(const TPositionKey& other) const {
    return Atom == other.Atom && Exact == other.Exact && Cell[0] == other.Cell[0] &&
           Cell[1] == other.Cell[1] && Cell[2] == other.Cell[2];
  }
};

struct TPositionKeyHash {
  size_t operator()(const TPositionKey& key) const {
    std::uint64_t h = static_cast<std::uint64_t>(key.Atom) * 0x9E3779B97F4A7C15ULL + key.Exact;
    for (std::int64_t c : key.Cell) {
      h ^= static_cast<std::uint64_t>(c) + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
      h *= 0xBF58476D1CE4E5B9ULL;
    }
    return static_cast<size_t>(h ^ (h >> 31));
  }
};

// The positions of the entries listed so far. Each entry is filed under
// every key cell that an image within 0.001 of it can fall into, so that a
// candidate looks up its own cell only.
class TListedPositions {
 public:
  // Entries of the atom within 0.001 of the position in every component.
  bool Near(int atom, const TVec3& position) const {
    TPositionKey key;
    int lo[3], hi[3];
    if (!MakeKey(atom, position, key, lo, hi)) return false;
    const auto slot = Heads.find(key);
    if (slot == Heads.end()) return false;
    for (int link = slot->second; link >= 0; link = Links[link].Next)
      if (WithinTolerance(Positions[Links[link].Entry], position)) return true;
    return false;
  }

  void Add(int atom, const TVec3& position) {
    const int entry = static_cast<int>(Positions.size());
    Positions.push_back(position);
    TPositionKey home;
    int lo[3], hi[3];
    if (!MakeKey(atom, position, home, lo, hi)) return;
    for (int d0 = lo[0]; d0 <= hi[0]; ++d0)
      for (int d1 = lo[1]; d1 <= hi[1]; ++d1)
        for (int d2 = lo[2]; d2 <= hi[2]; ++d2) {
          TPositionKey key = home;
          key.Cell[0] += d0;
          key.Cell[1] += d1;
          key.Cell[2] += d2;
          auto [slot, added] = Heads.try_emplace(key, -1);
          Links.push_back(TLink{entry, slot->second});
          slot->second = static_cast<int>(Links.size()) - 1;
        }
  }

 private:
  struct TLink {
    int Entry = 0;
    int Next = -1;
  };

  static bool MakeKey(int atom, const TVec3& position, TPositionKey& key, int lo[3], int hi[3]) {
    key.Atom = atom;
    key.Exact = 0;
    for (int s = 0; s < 3; ++s) {
      const TCoordinateKey part = KeyOf(position[s]);
      if (!part.Usable) return false;
      key.Cell[s] = part.Cell;
      if (part.Exact) key.Exact |= 1u << s;
      lo[s] = part.Lo;
      hi[s] = part.Hi;
    }
    return true;
  }

  // The test of SameSite on two positions.
  static bool WithinTolerance(const TVec3& a, const TVec3& b) {
    for (int k = 0; k < 3; ++k)
      if (!(std::fabs(a[k] - b[k]) <= kSameSiteTolerance)) return false;
    return true;
  }

  std::vector<TVec3> Positions;
  // The keys' nodes come from one growing pool that is dropped whole: a
  // search that lists many entries would otherwise allocate and free each.
  std::pmr::monotonic_buffer_resource KeyPool;
  std::pmr::unordered_map<TPositionKey, int, TPositionKeyHash> Heads{&KeyPool};
  std::vector<TLink> Links;
};

// Whether two translations of one operation can have equal site codes: the
// code writes k+5, l+5 and m+5 side by side, so "1_1055" is both (5,0,0) and
// (-4,-5,50). That needs at least two components whose numbers, over the
// box, are written with different numbers of characters.
int WrittenWidth(std::int64_t value) {
  int width = value < 0 ? 2 : 1;
  for (std::uint64_t rest = value < 0 ? 0 - static_cast<std::uint64_t>(value) : value; rest >= 10;
       rest /= 10)
    ++width;
  return width;
}

bool CodesMayRepeat(const TRange box[3]) {
  int varying = 0;
  for (int s = 0; s < 3; ++s) {
    const std::int64_t lo = box[s].Lo + 5, hi = box[s].Hi + 5;
    // Between a negative and a positive end lie the one-digit numbers.
    if (WrittenWidth(lo) != WrittenWidth(hi) || (lo < 0 && hi >= 0)) ++varying;
  }
  return varying >= 2;
}

// ------------------------------------------------------------- the query

bool Finite(const TVec3& v) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// One image: an atom under one operation, before any lattice translation.
struct TImage {
  int Atom = 0;
  int OpIndex = 0;
  const TSymOp* Op = nullptr;
  TVec3 Rotated{};   // R·x, as ApplyOp sums it
  TVec3 Position{};  // ApplyOp(op, x)
};

TImage MakeImage(const TStructure& model, int atom, int opIndex) {
  TImage image;
  image.Atom = atom;
  image.OpIndex = opIndex;
  image.Op = &model.SymOps[static_cast<size_t>(opIndex)];
  const TVec3& v = model.FracCoords[static_cast<size_t>(atom)];
  for (int i = 0; i < 3; ++i) {
    const double* row = image.Op->Rot[i];
    image.Rotated[i] = (row[0] * v[0] + row[1] * v[1]) + row[2] * v[2];
    image.Position[i] = image.Rotated[i] + image.Op->Trans[i];
  }
  return image;
}

// R·x and the translation of an image, with -0 taken as 0: images of one
// atom that agree in them have candidates of equal position and distance at
// every lattice translation (sums and products of equal values are equal,
// whatever the signs of their zeros).
struct TImageBits {
  std::uint64_t Bits[6] = {0, 0, 0, 0, 0, 0};
  bool operator==(const TImageBits& other) const {
    return std::equal(Bits, Bits + 6, other.Bits);
  }
};

TImageBits BitsOf(const TImage& image) {
  TImageBits bits;
  const auto put = [](double value, std::uint64_t& to) {
    if (value == 0) value = 0.0;
    std::memcpy(&to, &value, sizeof value);
  };
  for (int k = 0; k < 3; ++k) {
    put(image.Rotated[k], bits.Bits[k]);
    put(image.Op->Trans[k], bits.Bits[3 + k]);
  }
  return bits;
}

struct TImageBitsHash {
  size_t operator()(const TImageBits& image) const {
    std::uint64_t h = 0x243F6A8885A308D3ULL;
    for (std::uint64_t part : image.Bits) {
      h = (h ^ part) * 0x100000001B3ULL;
      h ^= h >> 29;
    }
    return static_cast<size_t>(h);
  }
};

// Images whose box holds more translations than this keep, for a later
// image with the same R·x and translation, what it has left to test.
// Boxes of real structures hold a few dozen.
constexpr std::int64_t kRememberedWalk = 512;

class TQuery {
 public:
  // firstEqualOp: per operation the first one with the same rotation and
  // translation (itself when there is none before it).
  TQuery(const TStructure& model, int centralAtom, double radius, const TVec3& spans,
         bool opNumbersRepeat, const std::vector<int>& firstEqualOp)
      : Model(model),
        CentralAtom(centralAtom),
        CentralPosition(ApplyOp(IdentityOp(), model.FracCoords[centralAtom])),
        Walk(ChooseWalk(spans)),
        OpNumbersRepeat(opNumbersRepeat),
        FirstEqualOp(firstEqualOp),
        HasEqualAfter(firstEqualOp.size(), 0) {
    for (size_t k = 0; k < firstEqualOp.size(); ++k)
      if (firstEqualOp[k] != static_cast<int>(k)) HasEqualAfter[static_cast<size_t>(firstEqualOp[k])] = 1;
    switch (Walk) {
      case TWalk::LatticeOrder: Sphere = MakeSearchSphere(model, centralAtom, radius, spans, 0, 1, 2); break;
      case TWalk::LinesAlongA: Sphere = MakeSearchSphere(model, centralAtom, radius, spans, 1, 2, 0); break;
      case TWalk::LinesAlongB: Sphere = MakeSearchSphere(model, centralAtom, radius, spans, 0, 2, 1); break;
    }
  }

  bool Full() const { return Found.size() >= static_cast<size_t>(kMaxNeighbours); }

  // Images must come in the order atom, operation.
  void Search(int atom, int opIndex) {
    const int first = FirstEqualOp[static_cast<size_t>(opIndex)];
    if (atom != CurrentAtom) {
      CurrentAtom = atom;
      Forget(SettledOps);
      Forget(EarlierWalks);
    }
    // An earlier, equal operation whose candidates were all listed, rejected
    // by their position or outside the ball leaves nothing for this one:
    // each candidate of it lies where a listed entry or the central atom lies.
    if (first != opIndex && SettledOps.count(first) > 0) return;
    Image = MakeImage(Model, atom, opIndex);
    for (int s = 0; s < 3; ++s)
      Box[s] = BoxRange(Sphere.Centre[s], Sphere.Spans[s], Image.Position[s]);
    // An image with nothing in its box costs as little the next time; the
    // images are as many as the input gives, so only the walks count steps.
    if (Box[0].Empty() || Box[1].Empty() || Box[2].Empty()) return;
    Step();
    CheckCodes = OpNumbersRepeat || CodesMayRepeat(Box);
    if (!OpNumbersRepeat) Forget(PairCodes);
    RejectedByCodeAlone = false;
    Offset = Minus(Image.Position, Sphere.Centre);
    if (Box[0].Count() * Box[1].Count() > kRememberedWalk / Box[2].Count())
      WalkRemembered();
    else
      WalkAll();
    if (HasEqualAfter[static_cast<size_t>(opIndex)] && !RejectedByCodeAlone && !Full())
      SettledOps.insert(opIndex);
  }

  // Empties a set in time proportional to what it holds: clear() would also
  // sweep the buckets that an earlier, larger content left.
  template <typename TSet>
  static void Forget(TSet& set) {
    if (!set.empty()) TSet().swap(set);
  }

  TLigArray Result() {
    return std::move(Found);
  }

 private:
  void WalkAll() {
    if (Walk == TWalk::LatticeOrder)
      WalkInLatticeOrder();
    else
      WalkAlongLines();
  }

  // A later image of the atom with the same R·x and translation meets,
  // translation for translation, the candidates of the earlier one. Those
  // the earlier one listed, or rejected by distance, at the central site or
  // as already listed, this one rejects too: the list only grows, and an
  // entry lies exactly at its own candidate. What is left are the candidates
  // it turned down by site code, which this image's codes may list; it
  // tests those, in the order of the walk, and counts a step for each. The
  // central atom's image under operation 1 walks in full: at translation 0
  // it is turned down by its code before the listed entries are looked at.
  void WalkRemembered() {
    const TImageBits bits = BitsOf(Image);
    const bool codeAtCentre = Image.Atom == CentralAtom && Image.Op->OpNum == 1;
    const auto earlier = codeAtCentre ? EarlierWalks.end() : EarlierWalks.find(bits);
    std::vector<std::array<std::int32_t, 3>> turnedDown;
    TurnedDown = &turnedDown;
    if (earlier == EarlierWalks.end()) {
      WalkAll();
    } else {
      std::int64_t t[3];
      for (const auto& translation : earlier->second) {
        for (int k = 0; k < 3; ++k) t[k] = translation[k];
        Candidate(t);
        if (Full()) break;
      }
    }
    TurnedDown = nullptr;
    // A walk cut short by the cap has not met all its candidates.
    if (!Full()) EarlierWalks[bits] = std::move(turnedDown);
  }

  void NoteTurnedDown(const std::int64_t t[3]) {
    // Translations lie within +-(10^9 + 1).
    if (TurnedDown)
      TurnedDown->push_back({static_cast<std::int32_t>(t[0]), static_cast<std::int32_t>(t[1]),
                             static_cast<std::int32_t>(t[2])});
  }

  void Step() {
    if (++Steps > kMaxSearchSteps)
      Fatal("search radius " + FormatFixed(Sphere.Radius, 2) +
            " A is too large for this structure (the neighbour search would not end).");
  }

  void WalkInLatticeOrder() {
    std::int64_t t[3];
    for (t[0] = Box[0].Lo; t[0] <= Box[0].Hi; ++t[0]) {
      Step();
      const TRange range1 = MiddleRange(Sphere, Offset, t[0], Box[1]);
      for (t[1] = range1.Lo; t[1] <= range1.Hi; ++t[1]) {
        Step();
        const TRange range2 = InnerRange(Sphere, Offset, t[0], t[1], Box[2]);
        for (t[2] = range2.Lo; t[2] <= range2.Hi; ++t[2]) {
          Candidate(t);
          if (Full()) return;
        }
      }
    }
  }

  struct TLine {
    std::int64_t Outer = 0, Middle = 0;
    TRange Along;
  };

  void WalkAlongLines() {
    const int outer = Sphere.Outer, middle = Sphere.Middle;
    Lines.clear();
    for (std::int64_t to = Box[outer].Lo; to <= Box[outer].Hi; ++to) {
      Step();
      const TRange rangeMiddle = MiddleRange(Sphere, Offset, to, Box[middle]);
      for (std::int64_t tm = rangeMiddle.Lo; tm <= rangeMiddle.Hi; ++tm) {
        Step();
        const TRange along = InnerRange(Sphere, Offset, to, tm, Box[Sphere.Inner]);
        if (!along.Empty()) Lines.push_back(TLine{to, tm, along});
      }
    }
    if (Walk == TWalk::LinesAlongA) {
      // Lines along a in the order (t1, t2): sweeping t0 gives lattice order.
      SweepLines(0, Lines.size());
      return;
    }
    // Lines along b in the order (t0, t2): each plane of constant t0 is
    // swept along t1.
    for (size_t first = 0; first < Lines.size() && !Full();) {
      size_t last = first;
      while (last < Lines.size() && Lines[last].Outer == Lines[first].Outer) ++last;
      SweepLines(first, last);
      first = last;
    }
  }

  // Visits the translations of the lines [first, last) in order of the
  // translation along the lines, and for each in the order of the lines.
  void SweepLines(size_t first, size_t last) {
    ByStart.clear();
    for (size_t k = first; k < last; ++k) ByStart.push_back(k);
    std::stable_sort(ByStart.begin(), ByStart.end(), [&](size_t a, size_t b) {
      return Lines[a].Along.Lo < Lines[b].Along.Lo;
    });
    // The lines that reach the current translation, in line order: a short
    // sorted list for the few lines of most images, a tree for many.
    constexpr size_t kShortList = 64;
    const bool manyLines = last - first > kShortList;
    std::set<size_t> activeTree;
    Active.clear();
    size_t next = 0;
    std::int64_t along = 0;
    std::int64_t t[3];
    const auto visit = [&](size_t line) {
      t[Sphere.Outer] = Lines[line].Outer;
      t[Sphere.Middle] = Lines[line].Middle;
      t[Sphere.Inner] = along;
      Candidate(t);
      return Lines[line].Along.Hi == along;  // the line ends here
    };
    while (next < ByStart.size() || !Active.empty() || !activeTree.empty()) {
      if (Active.empty() && activeTree.empty()) along = Lines[ByStart[next]].Along.Lo;
      for (; next < ByStart.size() && Lines[ByStart[next]].Along.Lo == along; ++next) {
        if (manyLines)
          activeTree.insert(ByStart[next]);
        else
          Active.insert(std::lower_bound(Active.begin(), Active.end(), ByStart[next]),
                        ByStart[next]);
      }
      Step();
      if (manyLines) {
        for (auto line = activeTree.begin(); line != activeTree.end();) {
          const bool ends = visit(*line);
          if (Full()) return;
          line = ends ? activeTree.erase(line) : std::next(line);
        }
      } else {
        size_t kept = 0;
        for (size_t k = 0; k < Active.size(); ++k) {
          const bool ends = visit(Active[k]);
          if (Full()) return;
          if (!ends) Active[kept++] = Active[k];
        }
        Active.resize(kept);
      }
      ++along;
    }
  }

  // The distance as the search has always measured it: the image translated
  // in fractions, then orthogonalised.
  double Distance(const std::int64_t t[3]) const {
    const TVec3 translated{Image.Position[0] + static_cast<double>(t[0]),
                           Image.Position[1] + static_cast<double>(t[1]),
                           Image.Position[2] + static_cast<double>(t[2])};
    const TVec3 d = Minus(MatVec(Sphere.M, translated), Sphere.CentreCart);
    return std::sqrt(DotProduct(d, d));
  }

  void Candidate(const std::int64_t t[3]) {
    Step();
    const double distance = Distance(t);
    if (!(distance >= kMinNeighbourDistance && distance <= Sphere.Radius)) return;
    // The position as ApplyOp gives it for the translated operation.
    TVec3 position;
    for (int k = 0; k < 3; ++k)
      position[k] = Image.Rotated[k] + (Image.Op->Trans[k] + static_cast<double>(t[k]));
    if (Image.Atom == CentralAtom) {
      // The central site is 1_555 of the identity.
      const bool centralCode = Image.Op->OpNum == 1 && t[0] == 0 && t[1] == 0 && t[2] == 0;
      bool atCentre = true;
      for (int k = 0; k < 3; ++k)
        if (!(std::fabs(CentralPosition[k] - position[k]) <= kSameSiteTolerance)) atCentre = false;
      if (atCentre) return;
      if (centralCode) {
        RejectedByCodeAlone = true;
        NoteTurnedDown(t);
        return;
      }
    }
    if (Listed.Near(Image.Atom, position)) return;
    TSiteRef site{Image.Atom, TranslatedOp(*Image.Op, static_cast<int>(t[0]),
                                           static_cast<int>(t[1]), static_cast<int>(t[2]))};
    std::string codeKey;
    if (CheckCodes) {
      codeKey = std::to_string(Image.Atom) + " " + site.Op.Code;
      if (PairCodes.count(codeKey) > 0) {
        RejectedByCodeAlone = true;
        NoteTurnedDown(t);
        return;
      }
    }
    // A position that is not finite has no key: a later image would not
    // find this entry as listed.
    if (!Finite(position)) NoteTurnedDown(t);
    Listed.Add(Image.Atom, position);
    if (CheckCodes || OpNumbersRepeat) PairCodes.insert(std::move(codeKey));
    const TAtom& record = Model.Atoms[static_cast<size_t>(Image.Atom)];
    TLigand entry;
    entry.Site = std::move(site);
    entry.Label = record.Label;
    entry.Element = record.Element;
    entry.Dist = distance;
    Found.push_back(std::move(entry));
  }

  const TStructure& Model;
  int CentralAtom;
  TVec3 CentralPosition;
  TWalk Walk;
  bool OpNumbersRepeat;
  TSearchSphere Sphere;

  TLigArray Found;
  TListedPositions Listed;
  // Site codes of the entries that a later candidate may repeat: of this
  // image's entries, or of all entries when operations share a number.
  std::unordered_set<std::string> PairCodes;
  const std::vector<int>& FirstEqualOp;
  std::vector<char> HasEqualAfter;
  std::unordered_set<int> SettledOps;  // of CurrentAtom, operations with equal ones after them
  int CurrentAtom = -1;
  std::int64_t Steps = 0;

  // The image searched now.
  TImage Image;
  TRange Box[3];
  TVec3 Offset{};
  bool CheckCodes = false;
  bool RejectedByCodeAlone = false;
  std::vector<TLine> Lines;
  std::vector<size_t> ByStart, Active;  // of SweepLines, kept for their memory
  // Of CurrentAtom's images with long walks, by R·x and translation: the
  // translations that the last walk of each turned down by site code.
  std::unordered_map<TImageBits, std::vector<std::array<std::int32_t, 3>>, TImageBitsHash>
      EarlierWalks;
  std::vector<std::array<std::int32_t, 3>>* TurnedDown = nullptr;
};

// ------------------------------------------------------------- the grid

// Images with a coordinate beyond this are not placed in the grid: their
// reduction into the unit cell is not exact enough for it. Every query
// searches them.
constexpr double kMaxGridCoordinate = 1e6;
constexpr double kGridCellWidth = 1.2;  // Angstrom between grid planes, about
// The reduction into the unit cell is exact; the box bounds of the search
// are rounded by far less than this (coordinates up to 1e6).
constexpr double kGridMargin = 1e-7;
constexpr std::int64_t kMaxGridAxisCells = 4096;
constexpr std::uint64_t kMaxIndexedImages = std::uint64_t{1} << 24;

int GridIndex(double coordinate, int cells) {
  const double reduced = coordinate - std::floor(coordinate);  // exact, in [0, 1]
  const int index = static_cast<int>(reduced * cells);
  return std::clamp(index, 0, cells - 1);
}

bool WithinGridRange(const TVec3& v) {
  return std::fabs(v[0]) <= kMaxGridCoordinate && std::fabs(v[1]) <= kMaxGridCoordinate &&
         std::fabs(v[2]) <= kMaxGridCoordinate;
}

bool SameRotationAndTranslation(const TSymOp& a, const TSymOp& b) {
  for (int i = 0; i < 3; ++i) {
    if (!(a.Trans[i] == b.Trans[i])) return false;
    for (int j = 0; j < 3; ++j)
      if (!(a.Rot[i][j] == b.Rot[i][j])) return false;
  }
  return true;
}

struct TOpHash {
  size_t operator()(const TSymOp* op) const {
    std::uint64_t h = 0x243F6A8885A308D3ULL;
    const auto mix = [&](double part) {
      const double value = part == 0 ? 0.0 : part;  // -0 equals 0
      std::uint64_t bits = 0;
      std::memcpy(&bits, &value, sizeof bits);
      h = (h ^ bits) * 0x100000001B3ULL;
      h ^= h >> 29;
    };
    for (int i = 0; i < 3; ++i) {
      mix(op->Trans[i]);
      for (int j = 0; j < 3; ++j) mix(op->Rot[i][j]);
    }
    return static_cast<size_t>(h);
  }
};

struct TOpEqual {
  bool operator()(const TSymOp* a, const TSymOp* b) const {
    return SameRotationAndTranslation(*a, *b);
  }
};

// Per operation the index of the first one with the same rotation and
// translation (a list that repeats x,y,z, say).
std::vector<int> FirstEqualOperations(const std::vector<TSymOp>& ops) {
  std::vector<int> first(ops.size());
  std::unordered_map<const TSymOp*, int, TOpHash, TOpEqual> seen;
  for (size_t k = 0; k < ops.size(); ++k)
    first[k] = seen.try_emplace(&ops[k], static_cast<int>(k)).first->second;
  return first;
}

}  // namespace

// ------------------------------------------------------------- public

void CheckSearchRadius(const TCell& cell, double radius) {
  for (double span : SearchSpans(cell, radius))
    if (span > kMaxCellSpacings)
      Fatal("search radius " + FormatFixed(radius, 2) +
            " A is too large for this structure (more than 1000 cell spacings).");
}

TNeighbourIndex::TNeighbourIndex(const TStructure& model, TWithoutGrid)
    : Model(&model),
      AtomCount(std::min(model.Atoms.size(), model.FracCoords.size())),
      OpCount(model.SymOps.size()) {
  std::unordered_set<int> numbers;
  for (const TSymOp& op : model.SymOps)
    if (!numbers.insert(op.OpNum).second) OpNumbersRepeat = true;
  FirstEqualOp = FirstEqualOperations(model.SymOps);
}

TNeighbourIndex::TNeighbourIndex(const TStructure& model) : TNeighbourIndex(model, TWithoutGrid{}) {
  const std::uint64_t images = static_cast<std::uint64_t>(AtomCount) * OpCount;
  if (images == 0 || images > kMaxIndexedImages) return;

  std::int64_t cellCount = 1;
  for (int s = 0; s < 3; ++s) {
    const double planes = CellSpacing(model.Cell, s) / kGridCellWidth;
    Grid[s] = std::isfinite(planes) && planes >= 1
                  ? static_cast<int>(std::min<double>(planes, kMaxGridAxisCells))
                  : 1;
  }
  // No more cells than twice the images.
  for (;;) {
    cellCount = static_cast<std::int64_t>(Grid[0]) * Grid[1] * Grid[2];
    if (cellCount <= 2 * static_cast<std::int64_t>(images)) break;
    int* widest = std::max_element(Grid, Grid + 3);
    *widest = std::max(1, *widest / 2);
  }

  // Counted, then filed, so that each cell lists its images in the order
  // atom, operation.
  constexpr std::uint32_t kNotFiled = 0xFFFFFFFFu;
  std::vector<std::uint32_t> cellOf(images, kNotFiled);
  CellStart.assign(static_cast<size_t>(cellCount) + 1, 0);
  for (size_t atom = 0; atom < AtomCount; ++atom)
    for (size_t op = 0; op < OpCount; ++op) {
      const auto id = static_cast<std::uint32_t>(atom * OpCount + op);
      const TVec3 position =
          MakeImage(model, static_cast<int>(atom), static_cast<int>(op)).Position;
      // An image that is not finite has no lattice translation to search.
      if (!Finite(position)) continue;
      if (!WithinGridRange(position)) {
        Unplaced.push_back(id);
        continue;
      }
      const auto cell = static_cast<std::uint32_t>(
          (GridIndex(position[0], Grid[0]) * Grid[1] + GridIndex(position[1], Grid[1])) * Grid[2] +
          GridIndex(position[2], Grid[2]));
      cellOf[id] = cell;
      ++CellStart[cell + 1];
    }
  for (size_t c = 1; c < CellStart.size(); ++c) CellStart[c] += CellStart[c - 1];
  CellImages.resize(CellStart.back());
  std::vector<std::uint32_t> fill(CellStart.begin(), CellStart.end() - 1);
  for (std::uint32_t id = 0; id < images; ++id)
    if (cellOf[id] != kNotFiled) CellImages[fill[cellOf[id]]++] = id;
  Indexed = true;
}

// The grid cells along one axis that the shadow of the ball [c - s, c + s]
// meets, reduced into the unit cell, with a margin for rounding.
std::vector<int> TNeighbourIndex::CellsAlong(int axis, double centre, double span) const {
  const int cells = Grid[axis];
  std::vector<int> along;
  const double reduced = centre - std::floor(centre);
  const double lo = std::floor((reduced - span - kGridMargin) * cells);
  const double hi = std::floor((reduced + span + kGridMargin) * cells);
  if (!(hi - lo + 1 < cells)) {
    for (int k = 0; k < cells; ++k) along.push_back(k);
    return along;
  }
  for (auto k = static_cast<std::int64_t>(lo); k <= static_cast<std::int64_t>(hi); ++k)
    along.push_back(static_cast<int>(((k % cells) + cells) % cells));
  std::sort(along.begin(), along.end());
  along.erase(std::unique(along.begin(), along.end()), along.end());
  return along;
}

TLigArray TNeighbourIndex::Find(int centralAtom, double radius) const {
  const TStructure& model = *Model;
  if (centralAtom < 0 || static_cast<size_t>(centralAtom) >= AtomCount) return {};
  const TVec3 spans = SearchSpans(model.Cell, radius);
  if (!(radius >= 0) || !SpansSearchable(spans)) return {};
  const TVec3& centre = model.FracCoords[static_cast<size_t>(centralAtom)];
  // A centre that is not finite has no candidate at a finite distance.
  if (!Finite(centre)) return {};
  TQuery query(model, centralAtom, radius, spans, OpNumbersRepeat, FirstEqualOp);
  const auto search = [&](std::uint64_t id) {
    query.Search(static_cast<int>(id / OpCount), static_cast<int>(id % OpCount));
    return !query.Full();
  };
  if (!Indexed || !WithinGridRange(centre)) {
    for (size_t atom = 0; atom < AtomCount && !query.Full(); ++atom)
      for (size_t op = 0; op < OpCount && !query.Full(); ++op)
        query.Search(static_cast<int>(atom), static_cast<int>(op));
    return query.Result();
  }
  const std::vector<int> cells0 = CellsAlong(0, centre[0], spans[0]);
  const std::vector<int> cells1 = CellsAlong(1, centre[1], spans[1]);
  const std::vector<int> cells2 = CellsAlong(2, centre[2], spans[2]);
  size_t gathered = Unplaced.size();
  for (int i0 : cells0)
    for (int i1 : cells1)
      for (int i2 : cells2) {
        const size_t cell = (static_cast<size_t>(i0) * Grid[1] + i1) * Grid[2] + i2;
        gathered += CellStart[cell + 1] - CellStart[cell];
      }
  const size_t images = AtomCount * OpCount;
  if (gathered * 8 > images) {
    // Most images are near: marking them is cheaper than sorting them.
    std::vector<char> near(images, 0);
    for (std::uint32_t id : Unplaced) near[id] = 1;
    for (int i0 : cells0)
      for (int i1 : cells1)
        for (int i2 : cells2) {
          const size_t cell = (static_cast<size_t>(i0) * Grid[1] + i1) * Grid[2] + i2;
          for (std::uint32_t k = CellStart[cell]; k < CellStart[cell + 1]; ++k)
            near[CellImages[k]] = 1;
        }
    for (size_t id = 0; id < images; ++id)
      if (near[id] && !search(id)) break;
    return query.Result();
  }
  std::vector<std::uint32_t> ids(Unplaced);
  ids.reserve(gathered);
  for (int i0 : cells0)
    for (int i1 : cells1)
      for (int i2 : cells2) {
        const size_t cell = (static_cast<size_t>(i0) * Grid[1] + i1) * Grid[2] + i2;
        ids.insert(ids.end(), CellImages.begin() + CellStart[cell],
                   CellImages.begin() + CellStart[cell + 1]);
      }
  std::sort(ids.begin(), ids.end());
  for (std::uint32_t id : ids)
    if (!search(id)) break;
  return query.Result();
}

TLigArray FindNeighbours(const TStructure& model, int centralAtom, double radius) {
  return TNeighbourIndex(model, TNeighbourIndex::TWithoutGrid{}).Find(centralAtom, radius);
}
