// Hand-built structure models for the coordination tests, and the plain
// neighbour search (every translation of the box, every entry compared with
// every listed one) that the real search must reproduce entry for entry.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/fail.h"
#include "model/coordination.h"

using TRotation = std::array<std::array<double, 3>, 3>;

inline TSymOp MakeOp(int opNum, const TRotation& rot, const TVec3& trans) {
  TSymOp op;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) op.Rot[i][j] = rot[i][j];
  op.Trans = trans;
  op.OpNum = opNum;
  op.Code = std::to_string(opNum) + "_555";
  return op;
}

inline const TRotation kUnit{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
inline const TRotation kInverse{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
inline const TRotation kTwoFoldB{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}};
inline const TRotation kMirrorB{{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};

inline TCell MakeCell(double a, double b, double c, double alpha = 90, double beta = 90,
                      double gamma = 90) {
  TCell cell;
  cell.A = a;
  cell.B = b;
  cell.C = c;
  cell.Alpha = alpha;
  cell.Beta = beta;
  cell.Gamma = gamma;
  return cell;
}

inline TStructure MakeModel(const TCell& cell, std::vector<TSymOp> ops = {}) {
  TStructure model;
  model.Cell = cell;
  if (ops.empty()) ops.push_back(MakeOp(1, kUnit, {0, 0, 0}));
  model.SymOps = std::move(ops);
  return model;
}

inline int AddAtom(TStructure& model, const std::string& label, const std::string& element,
                   const TVec3& frac, double occ = 1.0, const TVec3& su = {0, 0, 0}) {
  TAtom atom;
  atom.Label = label;
  atom.Element = element;
  atom.X = frac[0];
  atom.Y = frac[1];
  atom.Z = frac[2];
  atom.SuX = su[0];
  atom.SuY = su[1];
  atom.SuZ = su[2];
  atom.Occ = occ;
  model.Atoms.push_back(atom);
  model.FracCoords.push_back(frac);
  model.FracSu.push_back(su);
  return static_cast<int>(model.Atoms.size()) - 1;
}

struct TAtomSpec {
  std::string Label, Element;
  TVec3 Frac;
  double Occ = 1.0;
};

// A model of the cell, the operations (the identity when none) and the atoms.
inline TStructure MakeModel(const TCell& cell, std::vector<TSymOp> ops, const std::vector<TAtomSpec>& atoms) {
  TStructure model = MakeModel(cell, std::move(ops));
  for (const TAtomSpec& atom : atoms) AddAtom(model, atom.Label, atom.Element, atom.Frac, atom.Occ);
  return model;
}

template <typename TCall>
std::string FatalMessageOf(TCall&& call) {
  try {
    call();
  } catch (const TFatalError& error) {
    return error.Message;
  }
  return "(no error)";
}

inline std::vector<std::string> Codes(const TLigArray& list) {
  std::vector<std::string> codes;
  for (const TLigand& entry : list) codes.push_back(entry.Label + "#" + entry.Site.Op.Code);
  return codes;
}

// Every translation from lo to hi on each axis, each candidate compared with
// every entry already listed; nothing is stored once the list is full.
inline TLigArray PlainNeighbourSearch(const TStructure& model, int centralAtom, double radius) {
  const TMat3 m = CellMatrix(model.Cell);
  const TVec3 c = model.FracCoords[centralAtom];
  const TVec3 mc = MatVec(m, c);
  double span[3];
  for (int s = 0; s < 3; ++s) span[s] = radius / CellSpacing(model.Cell, s);
  const TSiteRef central{centralAtom, IdentityOp()};
  TLigArray found;
  std::vector<int> foundAtoms;
  std::vector<TVec3> foundPositions;
  std::vector<size_t> foundCodeHashes;
  for (size_t i = 0; i < model.Atoms.size(); ++i)
    for (const TSymOp& op : model.SymOps) {
      const TVec3 x = ApplyOp(op, model.FracCoords[i]);
      std::int64_t lo[3], hi[3];
      for (int s = 0; s < 3; ++s) {
        lo[s] = static_cast<std::int64_t>(std::ceil(c[s] - span[s] - x[s]));
        hi[s] = static_cast<std::int64_t>(std::floor(c[s] + span[s] - x[s]));
      }
      for (std::int64_t t0 = lo[0]; t0 <= hi[0]; ++t0)
        for (std::int64_t t1 = lo[1]; t1 <= hi[1]; ++t1)
          for (std::int64_t t2 = lo[2]; t2 <= hi[2]; ++t2) {
            const TVec3 xt{x[0] + static_cast<double>(t0), x[1] + static_cast<double>(t1),
                           x[2] + static_cast<double>(t2)};
            const TVec3 p = MatVec(m, xt);
            const TVec3 dv{p[0] - mc[0], p[1] - mc[1], p[2] - mc[2]};
            const double d = std::sqrt(dv[0] * dv[0] + dv[1] * dv[1] + dv[2] * dv[2]);
            if (!(d >= 0.4 && d <= radius)) continue;
            if (found.size() >= static_cast<size_t>(kMaxNeighbours)) return found;
            TSiteRef site{static_cast<int>(i),
                          TranslatedOp(op, static_cast<int>(t0), static_cast<int>(t1),
                                       static_cast<int>(t2))};
            if (SameSite(model.FracCoords, central, site)) continue;
            const TVec3 position = ApplyOp(site.Op, model.FracCoords[i]);
            const size_t codeHash = std::hash<std::string>()(site.Op.Code);
            bool listed = false;
            for (size_t k = 0; k < found.size() && !listed; ++k) {
              if (foundAtoms[k] != site.Atom) continue;
              // SameSite decides; the cheap tests only spare it the entries
              // that plainly have another code and lie elsewhere.
              const TVec3& other = foundPositions[k];
              const bool near = std::fabs(other[0] - position[0]) <= 0.01 &&
                                std::fabs(other[1] - position[1]) <= 0.01 &&
                                std::fabs(other[2] - position[2]) <= 0.01;
              if (near || foundCodeHashes[k] == codeHash)
                listed = SameSite(model.FracCoords, found[k].Site, site);
            }
            if (listed) continue;
            TLigand entry;
            entry.Site = site;
            entry.Label = model.Atoms[i].Label;
            entry.Element = model.Atoms[i].Element;
            entry.Dist = d;
            found.push_back(entry);
            foundAtoms.push_back(site.Atom);
            foundPositions.push_back(position);
            foundCodeHashes.push_back(codeHash);
          }
    }
  return found;
}

// Entry for entry: the same sites, codes and distances in the same order.
inline void ExpectSameList(const TLigArray& found, const TLigArray& expected,
                           const std::string& what) {
  ASSERT_EQ(found.size(), expected.size()) << what;
  for (size_t k = 0; k < found.size(); ++k) {
    ASSERT_EQ(found[k].Site.Atom, expected[k].Site.Atom) << what << " entry " << k;
    ASSERT_EQ(found[k].Site.Op.Code, expected[k].Site.Op.Code) << what << " entry " << k;
    ASSERT_EQ(found[k].Dist, expected[k].Dist) << what << " entry " << k;
  }
}
