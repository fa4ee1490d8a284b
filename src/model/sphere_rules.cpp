#include "model/sphere_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <unordered_map>

#include "crystal/cell.h"
#include "crystal/elements.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"
#include "base/text.h"

namespace {

struct TCandidate {
  size_t Neighbour = 0;  // index into the neighbour list
  bool Taken = true;
  std::string Reason;
};

class TSphereBuilder {
 public:
  TSphereBuilder(const TStructure& model, int centralAtom, const TLigArray& neighbours)
      : Model(model), Centre(centralAtom), Neighbours(neighbours), Cell(CellMatrix(model.Cell)) {
    const TVec3& frac = model.FracCoords[static_cast<size_t>(centralAtom)];
    CentrePosition = MatVec(Cell, frac);
  }

  const TAtom& AtomOf(size_t n) const {
    return Model.Atoms[static_cast<size_t>(Neighbours[n].Site.Atom)];
  }

  TVec3 Position(size_t n) const {
    const TSiteRef& site = Neighbours[n].Site;
    return SiteToCart(Model.FracCoords[static_cast<size_t>(site.Atom)], site.Op, Cell);
  }

  double Apart(size_t a, size_t b) const { return Length(Position(a), Position(b)); }
  double FromCentre(size_t n) const { return Length(Position(n), CentrePosition); }

  // The disorder sites around the centre: the disordered neighbour images
  // (and a disordered centre) joined where two of one assembly lie within
  // bonding distance of each other, so that the parts of one site and the
  // atoms of one part hang together while independent sites, refined with
  // their own occupancies, stay apart. For each site the group of the
  // sphere: the centre's own, else the one of largest occupancy (the first
  // written on a tie). Returns the site of each neighbour (-1 outside any).
  std::vector<int> DisorderSites(double tolerance, double reach,
                                 std::vector<TDisorderChoice>& choices) const {
    const TAtom& centre = Model.Atoms[static_cast<size_t>(Centre)];
    const size_t count = Neighbours.size();
    const size_t centreNode = count;  // the centre, where it is disordered
    std::vector<size_t> nodes;
    for (size_t n = 0; n < count; ++n)
      if (!AtomOf(n).DisorderGroup.empty() && Neighbours[n].Dist <= reach) nodes.push_back(n);
    if (!centre.DisorderGroup.empty()) nodes.push_back(centreNode);
    std::vector<size_t> parent(count + 1);
    for (size_t i = 0; i <= count; ++i) parent[i] = i;
    const auto root = [&](size_t i) {
      while (parent[i] != i) i = parent[i] = parent[parent[i]];
      return i;
    };
    const auto atomOfNode = [&](size_t node) -> const TAtom& {
      return node == centreNode ? centre : AtomOf(node);
    };
    const auto positionOf = [&](size_t node) {
      return node == centreNode ? CentrePosition : Position(node);
    };
    // Disordered sites hold a few dozen atoms: every pair is looked at.
    std::vector<TVec3> positions;
    for (size_t node : nodes) positions.push_back(positionOf(node));
    for (size_t i = 0; i < nodes.size(); ++i)
      for (size_t j = i + 1; j < nodes.size(); ++j) {
        const TAtom& a = atomOfNode(nodes[i]);
        const TAtom& b = atomOfNode(nodes[j]);
        if (a.DisorderAssembly != b.DisorderAssembly) continue;
        const double limit = CovalentRadius(a.Element) + CovalentRadius(b.Element) + tolerance;
        if (Length(positions[i], positions[j]) <= limit) parent[root(nodes[i])] = root(nodes[j]);
      }
    std::map<size_t, size_t> siteOfRoot;
    std::vector<int> firstAtom;
    std::vector<int> site(count, -1);
    for (size_t node : nodes) {
      const TAtom& atom = atomOfNode(node);
      const int index = node == centreNode ? Centre : Neighbours[node].Site.Atom;
      const auto [place, added] = siteOfRoot.try_emplace(root(node), choices.size());
      if (added) {
        choices.push_back({atom.DisorderAssembly, atom.DisorderGroup, atom.Occ});
        firstAtom.push_back(index);
      } else {
        TDisorderChoice& choice = choices[place->second];
        int& first = firstAtom[place->second];
        if (atom.Occ > choice.Occupancy || (atom.Occ == choice.Occupancy && index < first)) {
          choice.Group = atom.DisorderGroup;
          choice.Occupancy = atom.Occ;
          first = index;
        }
      }
      if (node != centreNode) site[node] = static_cast<int>(place->second);
    }
    if (!centre.DisorderGroup.empty()) {
      TDisorderChoice& own = choices[siteOfRoot[root(centreNode)]];
      own.Group = centre.DisorderGroup;
      own.Occupancy = centre.Occ;
    }
    return site;
  }

  // A negative group lies about a special position: of its images only
  // those of one operation belong together, the centre's own where the
  // centre is in it, else that of the group's nearest neighbour.
  std::map<std::string, int> ChooseSpecialImages() const {
    std::map<std::string, int> operation;
    std::map<std::string, double> nearest;
    const TAtom& centre = Model.Atoms[static_cast<size_t>(Centre)];
    if (IsSpecialGroup(centre.DisorderGroup)) operation[GroupKey(centre)] = 1;
    for (size_t n = 0; n < Neighbours.size(); ++n) {
      const TAtom& atom = AtomOf(n);
      if (!IsSpecialGroup(atom.DisorderGroup)) continue;
      const std::string key = GroupKey(atom);
      if (operation.count(key) != 0 && nearest.count(key) == 0) continue;  // the centre's
      // The nearest image; of equally near ones the lowest operation.
      if (nearest.count(key) != 0 &&
          !(Neighbours[n].Dist < nearest[key] - 1e-9 ||
            (Neighbours[n].Dist <= nearest[key] + 1e-9 &&
             Neighbours[n].Site.Op.OpNum < operation[key])))
        continue;
      operation[key] = Neighbours[n].Site.Op.OpNum;
      nearest[key] = Neighbours[n].Dist;
    }
    return operation;
  }

  static bool IsSpecialGroup(const std::string& group) { return !group.empty() && group[0] == '-'; }
  static std::string GroupKey(const TAtom& atom) {
    return atom.DisorderAssembly + '\n' + atom.DisorderGroup;
  }

  const TStructure& Model;
  const int Centre;
  const TLigArray& Neighbours;
  const TMat3 Cell;
  TVec3 CentrePosition{};

  static double Length(const TVec3& a, const TVec3& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
  }
};

bool Partial(const TAtom& atom) { return atom.Occ < 1; }

constexpr size_t kMaxPairChecks = 5'000'000;

double Distance(const TVec3& a, const TVec3& b) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                   (a[2] - b[2]) * (a[2] - b[2]));
}

// Cubes of the alternative distance.
std::array<std::int64_t, 3> CubeOf(const TVec3& p) {
  std::array<std::int64_t, 3> cube{};
  for (size_t k = 0; k < 3; ++k)
    cube[k] = static_cast<std::int64_t>(std::floor(std::clamp(p[k], -1e6, 1e6) / kAlternativeDistance));
  return cube;
}

std::int64_t CubeKey(const std::array<std::int64_t, 3>& cube) {
  return (cube[0] & 0x1FFFFF) | ((cube[1] & 0x1FFFFF) << 21) | ((cube[2] & 0x1FFFFF) << 42);
}

// Centres whose covalent radius underestimates their bonds: alkali and
// alkaline-earth metals (Be, a small covalent one, aside), Tl, Pb, Bi and
// the lanthanides.
bool IsLargeCation(const std::string& element) {
  const int z = ElementIndex(element);
  static constexpr int kLarge[] = {3, 11, 19, 37, 55, 87, 12, 20, 38, 56, 88, 81, 82, 83};
  for (int large : kLarge)
    if (z == large) return true;
  return z >= 57 && z <= 71;
}

// An atom behind a nearer ligand, seen from the centre: bonded to it,
// farther from the centre by a margin, and at an angle centre-ligand-atom
// of a right angle or more (a kappa2-carboxylate's C at about 95 deg, a
// silicate's Si at 130 deg), where the atoms of a side-on ligand (an
// alkene, a Cp ring, about 70 deg) lie beside each other.
// An atom bonded to two nearer ligand atoms (the S of a sulfate that
// chelates a large cation with long bonds) needs a smaller margin and angle.
struct TBehind {
  double Margin;  // A
  double Angle;   // deg
};
constexpr TBehind kBehindOne{0.25, 85};
constexpr double kSameElementMargin = 0.5;
constexpr TBehind kBehindTwo{0.15, 75};

template <class TBuilder>
bool BehindLigand(const TBuilder& builder, size_t atom, size_t ligand, double tolerance,
                  const TBehind& limits) {
  const TLigand& a = builder.Neighbours[atom];
  const TLigand& l = builder.Neighbours[ligand];
  // Two atoms of one element bonded to each other are more likely two atoms
  // of a slipped ring or chain bound side-on than an atom behind another:
  // they need a larger margin (the second N of an end-on azide has 1 A).
  const double margin = SameTextIgnoringCase(a.Element, l.Element)
                            ? std::fmax(limits.Margin, kSameElementMargin)
                            : limits.Margin;
  if (!(a.Dist >= l.Dist + margin)) return false;
  const TVec3 pa = builder.Position(atom), pl = builder.Position(ligand);
  const double bond = Distance(pa, pl);
  if (!(bond <= CovalentRadius(a.Element) + CovalentRadius(l.Element) + tolerance)) return false;
  // The angle at the ligand between the centre and the atom.
  const double cosine = (l.Dist * l.Dist + bond * bond - a.Dist * a.Dist) / (2 * l.Dist * bond);
  return std::acos(std::clamp(cosine, -1.0, 1.0)) * kRadToDeg >= limits.Angle;
}

// The label of a non-metal atom that the H atom bonds to (d <= r1 + r2 +
// tolerance), or "" for a hydride, bonded to metals only.
std::string NonMetalPartnerOfHydrogen(const TStructure& model, int hydrogen, double tolerance,
                                      const TNeighbourQuery& query) {
  constexpr double kLongestBondToH = 2.0;
  const double radius = kLongestBondToH + tolerance;
  std::string partner;
  double nearest = 0;
  for (const TLigand& neighbour :
       query ? query(hydrogen, radius) : FindNeighbours(model, hydrogen, radius)) {
    if (IsMetal(neighbour.Element)) continue;
    if (!(neighbour.Dist <= CovalentRadius("H") + CovalentRadius(neighbour.Element) + tolerance))
      continue;
    if (partner.empty() || neighbour.Dist < nearest) {
      partner = neighbour.Label;
      nearest = neighbour.Dist;
    }
  }
  return partner;
}

// Hoppe's effective coordination (Z. Kristallogr. 150, 23 (1979)): the
// weights w = exp(1 - (d / d_av)^6) of the non-metal neighbours, with d_av
// the weighted mean distance, iterated from the shortest one; a neighbour of
// weight 1/2 or more is a contact (d up to 1.09 d_av).
template <class TBuilder>
std::vector<size_t> IonicContacts(const TBuilder& builder, double minOccupancy) {
  std::vector<size_t> pool;
  double shortest = 0;
  for (size_t n = 0; n < builder.Neighbours.size(); ++n) {
    const TLigand& neighbour = builder.Neighbours[n];
    const TAtom& atom = builder.AtomOf(n);
    if (IsMetal(neighbour.Element) || SameTextIgnoringCase(neighbour.Element, "H")) continue;
    if (!IsElement(neighbour.Element)) continue;
    if (atom.DisorderGroup.empty() && !(std::isnan(atom.Occ) || atom.Occ >= minOccupancy)) continue;
    pool.push_back(n);
    if (pool.size() == 1 || neighbour.Dist < shortest) shortest = neighbour.Dist;
  }
  if (pool.empty() || !(shortest > 0)) return {};
  double mean = shortest;
  for (int round = 0; round < 100; ++round) {
    double sum = 0, weights = 0;
    for (size_t n : pool) {
      const double d = builder.Neighbours[n].Dist;
      const double w = std::exp(1 - std::pow(d / mean, 6));
      sum += d * w;
      weights += w;
    }
    const double next = sum / weights;
    const bool settled = std::fabs(next - mean) < 1e-9;
    mean = next;
    if (settled) break;
  }
  std::vector<size_t> contacts;
  for (size_t n : pool)
    if (std::exp(1 - std::pow(builder.Neighbours[n].Dist / mean, 6)) >= 0.5) contacts.push_back(n);
  return contacts;
}

// Two ligand atoms closer than the sum of their radii and this (A) are
// bonded to each other: C-C of an arene (1.40 A) and of an alkene, N=N, O-O,
// S-S; donor atoms of a chelate lie farther apart.
constexpr double kPiBondMargin = 0.1;

// The ligand atoms bonded to other ligand atoms, joined into groups; the
// rest stay single.
template <class TBuilder>
void SplitPiGroups(const TBuilder& builder, TSphere& sphere) {
  TLigArray& ligands = sphere.Ligands;
  const size_t count = ligands.size();
  std::vector<TVec3> positions;
  for (const TLigand& ligand : ligands)
    positions.push_back(SiteToCart(builder.Model.FracCoords[static_cast<size_t>(ligand.Site.Atom)],
                                   ligand.Site.Op, builder.Cell));
  std::vector<size_t> group(count);
  for (size_t i = 0; i < count; ++i) group[i] = i;
  const auto root = [&](size_t i) {
    while (group[i] != i) i = group[i] = group[group[i]];
    return i;
  };
  const auto sideOn = [](const TLigand& ligand) {
    return IsElement(ligand.Element) && !IsMetal(ligand.Element) &&
           !SameTextIgnoringCase(ligand.Element, "H");
  };
  bool any = false;
  for (size_t i = 0; i < count; ++i)
    for (size_t j = i + 1; j < count; ++j) {
      if (!sideOn(ligands[i]) || !sideOn(ligands[j])) continue;
      const double limit = CovalentRadius(ligands[i].Element) + CovalentRadius(ligands[j].Element) +
                           kPiBondMargin;
      if (Distance(positions[i], positions[j]) <= limit) {
        group[root(i)] = root(j);
        any = true;
      }
    }
  if (!any) return;
  std::map<size_t, size_t> groupOfRoot;
  TLigArray single;
  std::vector<TPiGroup> groups;
  for (size_t i = 0; i < count; ++i) {
    const size_t r = root(i);
    bool alone = true;
    for (size_t j = 0; j < count && alone; ++j) alone = j == i || root(j) != r;
    if (alone) {
      single.push_back(ligands[i]);
      continue;
    }
    const auto [place, added] = groupOfRoot.try_emplace(r, groups.size());
    if (added) groups.emplace_back();
    groups[place->second].Members.push_back(ligands[i]);
  }
  for (TPiGroup& g : groups)
    std::stable_sort(g.Members.begin(), g.Members.end(),
                     [](const TLigand& a, const TLigand& b) { return a.Dist < b.Dist; });
  ligands = std::move(single);
  sphere.PiGroups = std::move(groups);
}

}  // namespace

TSphere ChemicalSphere(const TStructure& model, int centralAtom, const TLigArray& neighbours,
                       double tolerance, double minOccupancy, const TNeighbourQuery& query) {
  const TSphereBuilder builder(model, centralAtom, neighbours);
  const TAtom& centre = model.Atoms[static_cast<size_t>(centralAtom)];
  const double centralRadius = CovalentRadius(centre.Element);

  // The bond rule's candidates: within the bond distance, and above the
  // occupancy limit where the atom is in no disorder group.
  std::vector<TCandidate> candidates;
  std::vector<bool> radiiTakes;
  double reach = 0;
  for (size_t n = 0; n < neighbours.size(); ++n) {
    const TLigand& neighbour = neighbours[n];
    const TAtom& atom = builder.AtomOf(n);
    const double bondLimit = centralRadius + CovalentRadius(neighbour.Element) + tolerance;
    if (!(neighbour.Dist <= bondLimit)) continue;
    const bool occupied = std::isnan(atom.Occ) || atom.Occ >= minOccupancy;
    if (!occupied && atom.DisorderGroup.empty()) continue;
    candidates.push_back({n, true, {}});
    radiiTakes.push_back(occupied);
    reach = std::fmax(reach, neighbour.Dist);
  }
  // Large cations: the contacts that their effective coordination counts.
  if (IsLargeCation(centre.Element))
    for (size_t n : IonicContacts(builder, minOccupancy)) {
      bool listed = false;
      for (const TCandidate& candidate : candidates) listed = listed || candidate.Neighbour == n;
      if (listed) continue;
      candidates.push_back({n, true, {}});
      radiiTakes.push_back(false);
      reach = std::fmax(reach, neighbours[n].Dist);
    }
  // A disordered site reaches a few A beyond its atoms that bond.
  constexpr double kSiteReach = 3.0;
  std::vector<TDisorderChoice> choices;
  const std::vector<int> siteOf = builder.DisorderSites(tolerance, reach + kSiteReach, choices);
  const std::map<std::string, int> specialImages = builder.ChooseSpecialImages();
  const auto exclude = [](TCandidate& candidate, std::string reason) {
    if (!candidate.Taken) return;
    candidate.Taken = false;
    candidate.Reason = std::move(reason);
  };

  std::vector<bool> siteActed(choices.size(), false);
  for (TCandidate& candidate : candidates) {
    const size_t n = candidate.Neighbour;
    const TAtom& atom = builder.AtomOf(n);
    const bool self = neighbours[n].Site.Atom == centralAtom;
    // The centre's coincident partner (a mixed site) is no ligand of it.
    if (!self && builder.FromCentre(n) < kCoincidentDistance) {
      exclude(candidate, "coincident with " + centre.Label);
      continue;
    }
    if (!atom.DisorderGroup.empty()) {
      const size_t site = static_cast<size_t>(siteOf[n]);
      const auto image = specialImages.find(TSphereBuilder::GroupKey(atom));
      if (choices[site].Group != atom.DisorderGroup ||
          (image != specialImages.end() && image->second != neighbours[n].Site.Op.OpNum)) {
        exclude(candidate, "other disorder group");
        siteActed[site] = true;
        continue;
      }
    }
    // The centre's own alternative position is no ligand of it.
    if (!self && centre.DisorderGroup.empty() && atom.DisorderGroup.empty() && Partial(centre) &&
        Partial(atom) && SameTextIgnoringCase(atom.Element, centre.Element) &&
        builder.FromCentre(n) < kAlternativeDistance) {
      exclude(candidate, "alternative position");
      continue;
    }
  }

  // One site for coincident atoms (the first written) and one position of
  // alternatives without disorder markup (the larger occupancy, else the
  // first written). The pairs are looked up among the neighbours that can
  // lie within 1 A of a candidate, filed in cubes of 1 A.
  std::vector<int> candidateOf(neighbours.size(), -1);
  for (size_t i = 0; i < candidates.size(); ++i)
    candidateOf[candidates[i].Neighbour] = static_cast<int>(i);
  std::vector<TVec3> position(neighbours.size());
  std::unordered_map<std::int64_t, std::vector<size_t>> cubes;
  for (size_t m = 0; m < neighbours.size(); ++m) {
    if (neighbours[m].Dist > reach + kAlternativeDistance || neighbours[m].Site.Atom == centralAtom)
      continue;
    position[m] = builder.Position(m);
    cubes[CubeKey(CubeOf(position[m]))].push_back(m);
  }
  size_t checks = 0;
  for (TCandidate& candidate : candidates) {
    const size_t n = candidate.Neighbour;
    if (!candidate.Taken || neighbours[n].Site.Atom == centralAtom) continue;
    const TAtom& atom = builder.AtomOf(n);
    const int index = neighbours[n].Site.Atom;
    const std::array<std::int64_t, 3> cube = CubeOf(position[n]);
    for (int dx = -1; dx <= 1 && candidate.Taken; ++dx)
      for (int dy = -1; dy <= 1 && candidate.Taken; ++dy)
        for (int dz = -1; dz <= 1 && candidate.Taken; ++dz) {
          const auto filed = cubes.find(CubeKey({cube[0] + dx, cube[1] + dy, cube[2] + dz}));
          if (filed == cubes.end()) continue;
          for (size_t m : filed->second) {
            // A cell no structure has can file thousands of images in one
            // cube; the pair rules then stop rather than take minutes.
            if (++checks > kMaxPairChecks || !candidate.Taken) break;
            if (m == n) continue;
            const TAtom& other = builder.AtomOf(m);
            const int otherIndex = neighbours[m].Site.Atom;
            const bool alternatives = atom.DisorderGroup.empty() && other.DisorderGroup.empty() &&
                                      Partial(atom) && Partial(other) &&
                                      SameTextIgnoringCase(atom.Element, other.Element);
            if (otherIndex == index && !alternatives) continue;
            const double apart = Distance(position[n], position[m]);
            if (otherIndex != index && apart < kCoincidentDistance) {
              const int otherCandidate = candidateOf[m];
              if (otherIndex < index && otherCandidate >= 0 &&
                  candidates[static_cast<size_t>(otherCandidate)].Taken)
                exclude(candidate, "coincident with " + other.Label);
              continue;
            }
            if (alternatives && apart < kAlternativeDistance) {
              const bool preferred = other.Occ > atom.Occ ||
                                     (other.Occ == atom.Occ &&
                                      (otherIndex < index || (otherIndex == index && m < n)));
              if (preferred) exclude(candidate, "alternative position");
            }
          }
        }
  }

  // What a chemist does not draw: metal neighbours of a metal, the H atoms
  // of ligands, and atoms behind a nearer ligand. Nearest first, so that a
  // ligand is settled before the atoms behind it.
  std::vector<size_t> byDistance(candidates.size());
  for (size_t i = 0; i < candidates.size(); ++i) byDistance[i] = i;
  std::stable_sort(byDistance.begin(), byDistance.end(), [&](size_t a, size_t b) {
    return neighbours[candidates[a].Neighbour].Dist < neighbours[candidates[b].Neighbour].Dist;
  });
  // A metal among metals alone (an alloy, an intermetallic phase) bonds to
  // its metal neighbours: they stay.
  bool nonMetalNear = false;
  for (const TLigand& neighbour : neighbours)
    nonMetalNear = nonMetalNear || (IsElement(neighbour.Element) && !IsMetal(neighbour.Element));
  const bool metalCentre = IsMetal(centre.Element) && nonMetalNear;
  for (size_t i : byDistance) {
    TCandidate& candidate = candidates[i];
    if (!candidate.Taken) continue;
    const size_t n = candidate.Neighbour;
    const TLigand& image = neighbours[n];
    // An element read from a label that the formula lacks is doubted, not
    // taken for a metal (the water O "Wat1" read as W).
    if (metalCentre && IsMetal(image.Element) && !builder.AtomOf(n).ElementNotInFormula) {
      exclude(candidate, "metal contact");
      continue;
    }
    if (SameTextIgnoringCase(image.Element, "H")) {
      const std::string partner =
          NonMetalPartnerOfHydrogen(model, image.Site.Atom, tolerance, query);
      if (!partner.empty()) exclude(candidate, "H of " + partner);
      continue;
    }
    std::vector<size_t> chelated;  // nearer ligands it lies behind by the smaller limits
    for (size_t j : byDistance) {
      if (j == i) break;
      const TCandidate& nearer = candidates[j];
      if (!nearer.Taken) continue;
      const TLigand& ligand = neighbours[nearer.Neighbour];
      if (SameTextIgnoringCase(ligand.Element, "H")) continue;
      if (BehindLigand(builder, n, nearer.Neighbour, tolerance, kBehindOne)) {
        exclude(candidate, "behind " + LigandDisplayName(ligand));
        break;
      }
      if (BehindLigand(builder, n, nearer.Neighbour, tolerance, kBehindTwo))
        chelated.push_back(nearer.Neighbour);
    }
    if (candidate.Taken && chelated.size() >= 2)
      exclude(candidate, "behind " + LigandDisplayName(neighbours[chelated.front()]));
  }

  TSphere sphere;
  for (size_t i = 0; i < candidates.size(); ++i) {
    const TCandidate& candidate = candidates[i];
    const TLigand& neighbour = neighbours[candidate.Neighbour];
    if (candidate.Taken) {
      sphere.Ligands.push_back(neighbour);
      // A disordered atom of the chosen group below the occupancy limit:
      // its site's configuration decided (an ionic contact is in none).
      const int site = siteOf[candidate.Neighbour];
      if (!radiiTakes[i] && site >= 0) siteActed[static_cast<size_t>(site)] = true;
    } else if (radiiTakes[i]) {
      sphere.Excluded.push_back({neighbour, candidate.Reason});
    }
  }
  for (size_t site = 0; site < choices.size(); ++site)
    if (siteActed[site]) sphere.Configuration.push_back(choices[site]);
  SplitPiGroups(builder, sphere);
  return sphere;
}
