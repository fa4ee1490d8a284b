#include "geometry/basal_plane.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "crystal/vector.h"

namespace {

bool PairUsable(const TLigandPair& pair) {
  return pair[0] >= 0 && pair[0] < kBasalLigands && pair[1] >= 0 && pair[1] < kBasalLigands &&
         pair[0] != pair[1];
}

bool SharesLigand(const TLigandPair& x, const TLigandPair& y) {
  return x[0] == y[0] || x[0] == y[1] || x[1] == y[0] || x[1] == y[1];
}

struct TBasalSplit {
  std::array<int, 4> Basal{};
  int Apex = -1;
  double AngleSum = 0;
};

// The 15 ways to take an apex and split the other four ligands into two
// pairs: apex lowest first, then the pairing that puts the lowest remaining
// ligand with the lowest partner.
std::array<TBasalSplit, 15> AllSplits(const TVec3& centre, const TFiveLigandPositions& ligands) {
  std::array<TBasalSplit, 15> all{};
  int n = 0;
  for (int apex = 0; apex < kBasalLigands; ++apex) {
    std::array<int, 4> rest{};
    int r = 0;
    for (int i = 0; i < kBasalLigands; ++i)
      if (i != apex) rest[r++] = i;
    for (int partner = 1; partner < 4; ++partner) {
      std::array<int, 2> other{};
      int o = 0;
      for (int i = 1; i < 4; ++i)
        if (i != partner) other[o++] = rest[i];
      TBasalSplit& split = all[n++];
      split.Basal = {rest[0], rest[partner], other[0], other[1]};
      split.Apex = apex;
      split.AngleSum = VertexAngle(ligands[split.Basal[0]], centre, ligands[split.Basal[1]]) +
                       VertexAngle(ligands[split.Basal[2]], centre, ligands[split.Basal[3]]);
    }
  }
  return all;
}

bool SameSplit(const TBasalSplit& split, const TBasalChoice& choice) {
  if (split.Apex != choice.Apex) return false;
  const std::array<int, 2> a = {split.Basal[0], split.Basal[1]};
  for (int k = 0; k < 4; k += 2) {
    const std::array<int, 2> b = {choice.Basal[k], choice.Basal[k + 1]};
    if ((a[0] == b[0] && a[1] == b[1]) || (a[0] == b[1] && a[1] == b[0])) return true;
  }
  return false;
}

// Takes the first split with the largest angle sum (within 1e-9 degrees)
// when choice.Apex is -1, and sets the margin to the best split other than
// the chosen one.
void ChooseBestSplit(const TVec3& centre, const TFiveLigandPositions& ligands,
                     TBasalChoice& choice) {
  const std::array<TBasalSplit, 15> splits = AllSplits(centre, ligands);
  if (choice.Apex < 0) {
    const TBasalSplit* best = &splits[0];
    for (const TBasalSplit& split : splits)
      if (split.AngleSum > best->AngleSum + 1e-9) best = &split;
    choice.Basal = best->Basal;
    choice.Apex = best->Apex;
  }
  double chosenSum = 0;
  double runnerUp = -1;
  for (const TBasalSplit& split : splits) {
    if (SameSplit(split, choice))
      chosenSum = split.AngleSum;
    else
      runnerUp = std::max(runnerUp, split.AngleSum);
  }
  choice.Margin = chosenSum - runnerUp;
}

// Cyclic Jacobi rotations of a symmetric 3x3 matrix; on return a is diagonal
// (the eigenvalues) and the columns of v are the eigenvectors.
void JacobiDiagonalise(TMat3& a, TMat3& v) {
  v = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  for (int sweep = 0; sweep < 50; ++sweep) {
    const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
    const double diagonal = a[0][0] * a[0][0] + a[1][1] * a[1][1] + a[2][2] * a[2][2];
    if (off <= 1e-32 * diagonal || off == 0) return;
    for (int p = 0; p < 2; ++p)
      for (int q = p + 1; q < 3; ++q) {
        if (a[p][q] == 0) continue;
        // The rotation angle that zeroes a[p][q], in the stable form of
        // Numerical Recipes (t = tan of the angle, the smaller root).
        const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const double c = 1 / std::sqrt(t * t + 1);
        const double s = t * c;
        for (int k = 0; k < 3; ++k) {
          const double akp = a[k][p];
          const double akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        for (int k = 0; k < 3; ++k) {
          const double apk = a[p][k];
          const double aqk = a[q][k];
          a[p][k] = c * apk - s * aqk;
          a[q][k] = s * apk + c * aqk;
        }
        for (int k = 0; k < 3; ++k) {
          const double vkp = v[k][p];
          const double vkq = v[k][q];
          v[k][p] = c * vkp - s * vkq;
          v[k][q] = s * vkp + c * vkq;
        }
      }
  }
}

TFiveLigandPositions LigandsOf(const std::vector<TVec3>& sites) {
  TFiveLigandPositions ligands{};
  std::copy(sites.begin(), sites.begin() + kBasalLigands, ligands.begin());
  return ligands;
}

}  // namespace

TBasalChoice ChooseBasalSet(const TVec3& centre, const TFiveLigandPositions& ligands,
                            const TLigandPair& beta, const TLigandPair& alpha) {
  TBasalChoice choice;
  if (!PairUsable(beta) || !PairUsable(alpha)) return choice;
  choice.Usable = true;
  choice.BetaAlphaShareLigand = SharesLigand(beta, alpha);
  if (!choice.BetaAlphaShareLigand) {
    choice.Basal = {beta[0], beta[1], alpha[0], alpha[1]};
    for (int i = 0; i < kBasalLigands; ++i)
      if (std::find(choice.Basal.begin(), choice.Basal.end(), i) == choice.Basal.end())
        choice.Apex = i;
  }
  ChooseBestSplit(centre, ligands, choice);
  return choice;
}

TVec3 LeastSquaresPlaneNormal(const std::vector<TVec3>& points) {
  if (points.size() < 3) return {0, 0, 0};
  TVec3 centroid{0, 0, 0};
  for (const TVec3& p : points) centroid = Plus(centroid, p);
  centroid = Scaled(centroid, 1.0 / static_cast<double>(points.size()));
  TMat3 scatter{};
  for (const TVec3& p : points) {
    const TVec3 d = Minus(p, centroid);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) scatter[i][j] += d[i] * d[j];
  }
  TMat3 vectors{};
  JacobiDiagonalise(scatter, vectors);
  int smallest = 0;
  for (int k = 1; k < 3; ++k)
    if (scatter[k][k] < scatter[smallest][smallest]) smallest = k;
  const TVec3 normal = {vectors[0][smallest], vectors[1][smallest], vectors[2][smallest]};
  const double length = Length(normal);
  return length > 0 ? Scaled(normal, 1.0 / length) : TVec3{0, 0, 0};
}

TBasalPlane BasalPlane(const TBasalChoice& choice, const TVec3& centre,
                       const TFiveLigandPositions& ligands) {
  TBasalPlane plane;
  if (!choice.Usable) return plane;
  std::vector<TVec3> basal;
  TVec3 centroid{0, 0, 0};
  for (int i : choice.Basal) {
    basal.push_back(ligands[i]);
    centroid = Plus(centroid, ligands[i]);
  }
  centroid = Scaled(centroid, 0.25);
  plane.Normal = LeastSquaresPlaneNormal(basal);
  const TVec3& apex = ligands[choice.Apex];
  if (DotProduct(plane.Normal, Minus(apex, centroid)) < 0) plane.Normal = Scaled(plane.Normal, -1);
  plane.Displacement = DotProduct(plane.Normal, Minus(centre, centroid));
  plane.ApexTilt = VectorAngle(Minus(apex, centre), plane.Normal);
  return plane;
}

void BasalPlaneValues(const TBasalChoice& choice, const std::vector<TVec3>& sites,
                      std::vector<double>& values) {
  if (sites.size() != kBasalLigands + 1 || !choice.Usable)
    throw std::invalid_argument("the basal plane needs a usable choice, five ligands and the centre");
  const TBasalPlane plane = BasalPlane(choice, sites[kBasalLigands], LigandsOf(sites));
  values.assign(kBasalValueCount, 0.0);
  values[kBasalDisplacement] = plane.Displacement;
  values[kBasalApexTilt] = plane.ApexTilt;
}

TSitesFunction BasalPlaneValueFunction(const TBasalChoice& choice) {
  return [choice](const std::vector<TVec3>& sites, std::vector<double>& values) {
    BasalPlaneValues(choice, sites, values);
  };
}
