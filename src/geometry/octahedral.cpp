#include "geometry/octahedral.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "crystal/vector.h"

namespace {

using TAngleTable = std::array<std::array<double, kOctaLigands>, kOctaLigands>;
using TMatching = std::array<std::array<int, 2>, 3>;

TAngleTable LigandAngles(const TVec3& centre, const TOctaLigandPositions& ligands) {
  TAngleTable angles{};
  for (int i = 0; i < kOctaLigands; ++i)
    for (int j = i + 1; j < kOctaLigands; ++j)
      angles[i][j] = angles[j][i] = VertexAngle(ligands[i], centre, ligands[j]);
  return angles;
}

// The 15 perfect matchings of six ligands: the partner of ligand 0 first,
// then the partner of the lowest ligand left; each pair and the list in
// increasing order.
std::array<TMatching, 15> AllMatchings() {
  std::array<TMatching, 15> all{};
  int n = 0;
  for (int first = 1; first < kOctaLigands; ++first) {
    std::array<int, 4> rest{};
    int r = 0;
    for (int i = 1; i < kOctaLigands; ++i)
      if (i != first) rest[r++] = i;
    for (int second = 1; second < 4; ++second) {
      std::array<int, 2> last{};
      int l = 0;
      for (int i = 1; i < 4; ++i)
        if (i != second) last[l++] = rest[i];
      all[n++] = {{{0, first}, {rest[0], rest[second]}, {last[0], last[1]}}};
    }
  }
  return all;
}

constexpr double kMatchingTie = 1e-9;  // degrees
constexpr double kFaceThroughCentre = 1e-6;  // Angstrom
constexpr double kSplitTie = 1e-6;  // degrees
constexpr double kShortestBond = 1e-6;  // Angstrom

void ChooseTransPairs(const TAngleTable& angles, TOctahedralChoices& choices) {
  const std::array<TMatching, 15> matchings = AllMatchings();
  std::array<double, 15> sums{};
  double best = -1;
  for (size_t m = 0; m < matchings.size(); ++m) {
    for (const std::array<int, 2>& pair : matchings[m]) sums[m] += angles[pair[0]][pair[1]];
    best = std::max(best, sums[m]);
  }
  int chosen = -1;
  int withinTie = 0;
  for (size_t m = 0; m < matchings.size(); ++m) {
    if (sums[m] < best - kMatchingTie) continue;
    if (chosen < 0) chosen = static_cast<int>(m);
    ++withinTie;
  }
  double runnerUp = -1;
  for (size_t m = 0; m < matchings.size(); ++m)
    if (static_cast<int>(m) != chosen) runnerUp = std::max(runnerUp, sums[m]);
  choices.TransPairs = matchings[chosen];
  choices.TransPairsTied = withinTie > 1;
  choices.TransPairsMargin = sums[chosen] - runnerUp;
  for (const std::array<int, 2>& pair : choices.TransPairs) {
    choices.TransPartner[pair[0]] = pair[1];
    choices.TransPartner[pair[1]] = pair[0];
  }
  int k = 0;
  for (int i = 0; i < kOctaLigands; ++i)
    for (int j = i + 1; j < kOctaLigands; ++j)
      if (choices.TransPartner[i] != j) choices.CisPairs[k++] = {i, j};
}

TVec3 Centroid(const TVec3& a, const TVec3& b, const TVec3& c) {
  return Scaled(Plus(Plus(a, b), c), 1.0 / 3.0);
}

// (b - a) x (c - a) scaled to unit length; the zero vector for three points
// on a line.
TVec3 FaceNormal(const TVec3& a, const TVec3& b, const TVec3& c) {
  const TVec3 n = CrossProduct(Minus(b, a), Minus(c, a));
  const double length = Length(n);
  return length > 0 ? Scaled(n, 1.0 / length) : TVec3{0, 0, 0};
}

void OrderFaces(const TVec3& centre, const TOctaLigandPositions& ligands,
                TOctahedralChoices& choices) {
  choices.FaceThroughCentre = false;
  for (int f = 0; f < kOctaFaces; ++f) {
    std::array<int, 3> face{};
    for (int k = 0; k < 3; ++k) face[k] = choices.TransPairs[k][(f >> k) & 1];
    const TVec3& a = ligands[face[0]];
    const TVec3& b = ligands[face[1]];
    const TVec3& c = ligands[face[2]];
    const double side = DotProduct(FaceNormal(a, b, c), Minus(Centroid(a, b, c), centre));
    if (side < 0) std::swap(face[1], face[2]);
    if (std::fabs(side) < kFaceThroughCentre) choices.FaceThroughCentre = true;
    choices.Faces[f] = face;
  }
}

// The arguments x of the |x| terms, for the trans pairs and faces chosen.
struct TTermArguments {
  double MeanBond = 0;
  std::array<double, kOctaLigands> Bond{};   // d_i - d_mean
  std::array<double, kOctaCisAngles> Cis{};  // phi - 90
  std::array<std::array<double, kOctaFaceAngles>, kOctaFaces> FaceAngle{};  // theta - 60
};

// Projects the opposite face (the trans partners a', b', c') and M onto the
// plane of the face a, b, c and measures, about the projected M and
// anticlockwise about the outward normal, the six angles a -> c' -> b -> a' ->
// c -> b' -> a; for a regular octahedron each is 60 degrees. Signed angles in
// (-180, 180], so that a projected vertex that passes its neighbour gives a
// negative angle rather than one near 360 degrees.
std::array<double, kOctaFaceAngles> FaceAngles(const TOctahedralChoices& choices, int f,
                                               const TVec3& centre,
                                               const TOctaLigandPositions& ligands) {
  const std::array<int, 3>& face = choices.Faces[f];
  const TVec3 normal = FaceNormal(ligands[face[0]], ligands[face[1]], ligands[face[2]]);
  const std::array<int, kOctaFaceAngles> sequence = {
      face[0], choices.TransPartner[face[2]], face[1],
      choices.TransPartner[face[0]], face[2], choices.TransPartner[face[1]]};
  std::array<TVec3, kOctaFaceAngles> inPlane{};
  for (int k = 0; k < kOctaFaceAngles; ++k) {
    const TVec3 fromCentre = Minus(ligands[sequence[k]], centre);
    inPlane[k] = Minus(fromCentre, Scaled(normal, DotProduct(normal, fromCentre)));
  }
  std::array<double, kOctaFaceAngles> angles{};
  for (int k = 0; k < kOctaFaceAngles; ++k) {
    const TVec3& from = inPlane[k];
    const TVec3& to = inPlane[(k + 1) % kOctaFaceAngles];
    angles[k] = std::atan2(DotProduct(normal, CrossProduct(from, to)), DotProduct(from, to)) *
                kRadToDeg;
  }
  return angles;
}

TTermArguments TermArguments(const TOctahedralChoices& choices, const TVec3& centre,
                             const TOctaLigandPositions& ligands) {
  TTermArguments t;
  for (int i = 0; i < kOctaLigands; ++i) {
    t.Bond[i] = Length(Minus(ligands[i], centre));
    t.MeanBond += t.Bond[i];
  }
  t.MeanBond /= kOctaLigands;
  for (double& d : t.Bond) d -= t.MeanBond;
  for (int k = 0; k < kOctaCisAngles; ++k) {
    const std::array<int, 2>& pair = choices.CisPairs[k];
    t.Cis[k] = VertexAngle(ligands[pair[0]], centre, ligands[pair[1]]) - 90;
  }
  for (int f = 0; f < kOctaFaces; ++f) {
    t.FaceAngle[f] = FaceAngles(choices, f, centre, ligands);
    for (double& theta : t.FaceAngle[f]) theta -= 60;
  }
  return t;
}

int SignOf(double x, double zero) {
  if (std::fabs(x) < zero) return 0;
  return x > 0 ? 1 : -1;
}

// |x| with the sign held fixed: the derivative is +-1 off zero and 0 at it.
double FixedSignAbs(int sign, double x) { return sign == 0 ? std::fabs(x) : sign * x; }

void FixSigns(const TTermArguments& t, TOctahedralChoices& choices) {
  for (int i = 0; i < kOctaLigands; ++i) choices.BondSigns[i] = SignOf(t.Bond[i], kOctaZeroBond);
  for (int k = 0; k < kOctaCisAngles; ++k) choices.CisSigns[k] = SignOf(t.Cis[k], kOctaZeroAngle);
  for (int f = 0; f < kOctaFaces; ++f)
    for (int k = 0; k < kOctaFaceAngles; ++k)
      choices.FaceAngleSigns[f][k] = SignOf(t.FaceAngle[f][k], kOctaZeroAngle);
}

// Everything but Theta_min and Theta_max, which need the face ranking.
TOctahedralParameters SumTerms(const TOctahedralChoices& choices, const TTermArguments& t) {
  TOctahedralParameters p;
  p.MeanBond = t.MeanBond;
  for (int i = 0; i < kOctaLigands; ++i) {
    p.Zeta += FixedSignAbs(choices.BondSigns[i], t.Bond[i]);
    const double relative = t.Bond[i] / t.MeanBond;
    p.Delta += relative * relative;
  }
  p.Delta /= kOctaLigands;
  for (int k = 0; k < kOctaCisAngles; ++k) p.Sigma += FixedSignAbs(choices.CisSigns[k], t.Cis[k]);
  for (int f = 0; f < kOctaFaces; ++f) {
    for (int k = 0; k < kOctaFaceAngles; ++k)
      p.FaceSums[f] += FixedSignAbs(choices.FaceAngleSigns[f][k], t.FaceAngle[f][k]);
    p.Theta += p.FaceSums[f];
  }
  // Each pair of opposite faces enters twice, once projected onto either face.
  p.Theta /= 2;
  return p;
}

void AddThetaMinMax(const TOctahedralChoices& choices, TOctahedralParameters& p) {
  for (int r = 0; r < kOctaFaces; ++r)
    (r < kOctaFaces / 2 ? p.ThetaMin : p.ThetaMax) += p.FaceSums[choices.FacesBySum[r]];
}

void RankFaces(const TOctahedralParameters& p, TOctahedralChoices& choices) {
  for (int f = 0; f < kOctaFaces; ++f) choices.FacesBySum[f] = f;
  std::stable_sort(choices.FacesBySum.begin(), choices.FacesBySum.end(),
                   [&](int x, int y) { return p.FaceSums[x] < p.FaceSums[y]; });
  const double fourth = p.FaceSums[choices.FacesBySum[kOctaFaces / 2 - 1]];
  const double fifth = p.FaceSums[choices.FacesBySum[kOctaFaces / 2]];
  choices.ThetaSplitTied = fifth - fourth < kSplitTie;
}

TOctahedralZeroTerms CountZeroTerms(const TOctahedralChoices& choices) {
  TOctahedralZeroTerms z;
  z.Zeta = static_cast<int>(std::count(choices.BondSigns.begin(), choices.BondSigns.end(), 0));
  z.Sigma = static_cast<int>(std::count(choices.CisSigns.begin(), choices.CisSigns.end(), 0));
  for (int r = 0; r < kOctaFaces; ++r) {
    const std::array<int, kOctaFaceAngles>& signs = choices.FaceAngleSigns[choices.FacesBySum[r]];
    const int zeros = static_cast<int>(std::count(signs.begin(), signs.end(), 0));
    z.Theta += zeros;
    (r < kOctaFaces / 2 ? z.ThetaMin : z.ThetaMax) += zeros;
  }
  return z;
}

bool PositionsUsable(const TVec3& centre, const TOctaLigandPositions& ligands) {
  auto finite = [](const TVec3& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
  };
  if (!finite(centre)) return false;
  for (const TVec3& ligand : ligands)
    if (!finite(ligand) || !(Length(Minus(ligand, centre)) >= kShortestBond)) return false;
  return true;
}

}  // namespace

TOctahedralAnalysis AnalyseOctahedron(const TVec3& centre, const TOctaLigandPositions& ligands) {
  TOctahedralAnalysis analysis;
  if (!PositionsUsable(centre, ligands)) return analysis;
  analysis.Usable = true;
  TOctahedralChoices& choices = analysis.Choices;
  const TAngleTable angles = LigandAngles(centre, ligands);
  ChooseTransPairs(angles, choices);
  OrderFaces(centre, ligands, choices);
  const TTermArguments terms = TermArguments(choices, centre, ligands);
  FixSigns(terms, choices);
  analysis.Parameters = SumTerms(choices, terms);
  RankFaces(analysis.Parameters, choices);
  AddThetaMinMax(choices, analysis.Parameters);
  analysis.ZeroTerms = CountZeroTerms(choices);
  analysis.SmallestTransAngle = 180;
  for (const std::array<int, 2>& pair : choices.TransPairs)
    analysis.SmallestTransAngle = std::min(analysis.SmallestTransAngle, angles[pair[0]][pair[1]]);
  analysis.FarFromOctahedron = analysis.SmallestTransAngle < kOctaMinTransAngle;
  return analysis;
}

TOctahedralParameters OctahedralParameters(const TOctahedralChoices& choices, const TVec3& centre,
                                           const TOctaLigandPositions& ligands) {
  TOctahedralParameters p = SumTerms(choices, TermArguments(choices, centre, ligands));
  AddThetaMinMax(choices, p);
  return p;
}

void OctahedralValues(const TOctahedralChoices& choices, const std::vector<TVec3>& sites,
                      std::vector<double>& values) {
  if (sites.size() != kOctaLigands + 1)
    throw std::invalid_argument("octahedral parameters need six ligands and the centre");
  TOctaLigandPositions ligands{};
  std::copy(sites.begin(), sites.begin() + kOctaLigands, ligands.begin());
  const TOctahedralParameters p = OctahedralParameters(choices, sites[kOctaLigands], ligands);
  values.assign(kOctaValueCount, 0.0);
  values[kOctaMeanBond] = p.MeanBond;
  values[kOctaZeta] = p.Zeta;
  values[kOctaDelta] = p.Delta;
  values[kOctaSigma] = p.Sigma;
  values[kOctaTheta] = p.Theta;
  values[kOctaThetaMin] = p.ThetaMin;
  values[kOctaThetaMax] = p.ThetaMax;
  std::copy(p.FaceSums.begin(), p.FaceSums.end(), values.begin() + kOctaFirstFaceSum);
}

TSitesFunction OctahedralValueFunction(const TOctahedralChoices& choices) {
  return [choices](const std::vector<TVec3>& sites, std::vector<double>& values) {
    OctahedralValues(choices, sites, values);
  };
}
