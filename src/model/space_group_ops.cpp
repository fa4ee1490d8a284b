#include "model/space_group_ops.h"

#include <gemmi/symmetry.hpp>

#include <charconv>
#include <cmath>
#include <exception>
#include <string_view>

#include "io/cif.h"
#include "base/text.h"

namespace {

// Two images of distinct atoms closer than this (A) rule a setting out.
constexpr double kClashDistance = 0.5;
// An atom's image this close to the atom itself is the atom on a special
// position, not a clash.
constexpr double kSameSite = 0.01;
// The clash test looks at this many atoms at most: a wrong origin puts
// images on top of each other throughout the structure.
constexpr size_t kClashTestAtoms = 300;

std::string_view FirstItem(const TCifBlock& block, std::initializer_list<std::string_view> tags) {
  for (std::string_view tag : tags) {
    const std::string_view value = block.GetItem(tag);
    if (!IsNullValue(value)) return TrimControl(value);
  }
  return {};
}

std::string Trimmed(const char* text) { return std::string(TrimControl(text)); }

std::vector<TSymOp> OpsOf(const gemmi::GroupOps& group) {
  std::vector<TSymOp> ops;
  for (gemmi::Op op : group) {
    TSymOp symOp;
    if (!ParseSymOp(op.triplet(), symOp)) continue;
    symOp.OpNum = static_cast<int>(ops.size()) + 1;
    symOp.Code = std::to_string(symOp.OpNum) + "_555";
    ops.push_back(std::move(symOp));
  }
  return ops;
}

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// Rhombohedral axes need a = b = c and alpha = beta = gamma != 90;
// hexagonal axes a = b, alpha = beta = 90, gamma = 120.
bool FitsCell(const gemmi::SpaceGroup& group, const TCell& cell) {
  const double edge = 1e-3 * std::fmax(cell.A, 1.0), angle = 0.05;
  if (group.ext == 'R')
    return Near(cell.A, cell.B, edge) && Near(cell.B, cell.C, edge) &&
           Near(cell.Alpha, cell.Beta, angle) && Near(cell.Beta, cell.Gamma, angle) &&
           !Near(cell.Alpha, 90, angle);
  if (group.ext == 'H')
    return Near(cell.A, cell.B, edge) && Near(cell.Alpha, 90, angle) &&
           Near(cell.Beta, 90, angle) && Near(cell.Gamma, 120, angle);
  return true;
}

// No image of a fully occupied atom comes closer than 0.5 A to another
// such atom (or to an image of itself off its own site).
bool ImagesKeepApart(const std::vector<TSymOp>& ops, const TCell& cell,
                     const std::vector<TAtom>& atoms) {
  const TMat3 m = CellMatrix(cell);
  std::vector<TVec3> sites;
  for (const TAtom& atom : atoms)
    if (atom.Occ >= 1 && sites.size() < kClashTestAtoms) sites.push_back({atom.X, atom.Y, atom.Z});
  for (size_t i = 0; i < sites.size(); ++i)
    for (const TSymOp& op : ops) {
      TVec3 image{};
      for (int r = 0; r < 3; ++r) {
        image[r] = op.Trans[r];
        for (int c = 0; c < 3; ++c) image[r] += op.Rot[r][c] * sites[i][c];
      }
      for (size_t j = 0; j < sites.size(); ++j) {
        TVec3 d{};
        for (int k = 0; k < 3; ++k) d[k] = image[k] - sites[j][k] - std::round(image[k] - sites[j][k]);
        const TVec3 cart = MatVec(m, d);
        const double distance = std::sqrt(cart[0] * cart[0] + cart[1] * cart[1] + cart[2] * cart[2]);
        if (distance < kClashDistance && !(i == j && distance < kSameSite)) return false;
      }
    }
  return true;
}

std::string SettingText(char ext) {
  switch (ext) {
    case '1': return "origin choice 1";
    case '2': return "origin choice 2";
    case 'H': return "hexagonal axes";
    case 'R': return "rhombohedral axes";
    default: return {};
  }
}

// The table's settings of the group that `found` names: those with the
// same symbol, which differ in origin or axes only.
std::vector<const gemmi::SpaceGroup*> SettingsLike(const gemmi::SpaceGroup& found) {
  std::vector<const gemmi::SpaceGroup*> settings;
  for (const gemmi::SpaceGroup& group : gemmi::spacegroup_tables::main)
    if (group.number == found.number && std::string_view(group.hm) == found.hm)
      settings.push_back(&group);
  return settings;
}

TGeneratedSymmetry Generated(const gemmi::GroupOps& group, const std::string& hm,
                             const std::string& hall, const std::string& kind,
                             const std::string& setting) {
  TGeneratedSymmetry symmetry;
  symmetry.Ops = OpsOf(group);
  symmetry.Note = "no symmetry operators in the data block; the " +
                  std::to_string(symmetry.Ops.size()) + " operators of " + hm + " (Hall: " + hall +
                  ") were generated from its " + kind +
                  (setting.empty() ? "" : " (" + setting + ")") + ".";
  return symmetry;
}

// The setting of a symbol that may leave it open: the one that fits the
// cell and keeps the atoms apart, gemmi's default (the first) otherwise.
TGeneratedSymmetry FromTable(const gemmi::SpaceGroup& found, const std::string& kind,
                             bool settingGiven, const TCell& cell,
                             const std::vector<TAtom>& atoms) {
  const std::vector<const gemmi::SpaceGroup*> settings =
      settingGiven ? std::vector<const gemmi::SpaceGroup*>{&found} : SettingsLike(found);
  const gemmi::SpaceGroup* chosen = settings.front();
  if (settings.size() > 1) {
    std::vector<const gemmi::SpaceGroup*> fitting;
    for (const gemmi::SpaceGroup* group : settings)
      if (FitsCell(*group, cell) && ImagesKeepApart(OpsOf(group->operations()), cell, atoms))
        fitting.push_back(group);
    if (fitting.size() == 1) chosen = fitting.front();
  }
  return Generated(chosen->operations(), chosen->xhm(), Trimmed(chosen->hall), kind,
                   settings.size() > 1 ? SettingText(chosen->ext) : "");
}

}  // namespace

std::optional<TGeneratedSymmetry> GenerateSymmetry(const TCifBlock& block, const TCell& cell,
                                                   const std::vector<TAtom>& atoms) {
  try {
    const std::string_view hall =
        FirstItem(block, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall",
                          "_space_group.name_Hall"});
    if (!hall.empty()) {
      const gemmi::GroupOps group = gemmi::symops_from_hall(std::string(hall).c_str());
      const gemmi::SpaceGroup* known = gemmi::find_spacegroup_by_ops(group);
      return Generated(group, known ? known->xhm() : std::string(hall),
                       known ? Trimmed(known->hall) : std::string(hall), "Hall symbol", "");
    }
    const std::string_view hm =
        FirstItem(block, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M",
                          "_space_group.name_H-M_alt"});
    if (!hm.empty()) {
      if (const gemmi::SpaceGroup* found = gemmi::find_spacegroup_by_name(std::string(hm)))
        return FromTable(*found, "Hermann-Mauguin symbol", hm.find(':') != std::string_view::npos,
                         cell, atoms);
    }
    const std::string_view number =
        FirstItem(block, {"_space_group_IT_number", "_symmetry_Int_Tables_number",
                          "_space_group.IT_number"});
    if (!number.empty()) {
      int n = 0;
      const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), n);
      if (error == std::errc() && end == number.data() + number.size() && n >= 1 && n <= 230)
        if (const gemmi::SpaceGroup* found = gemmi::find_spacegroup_by_number(n))
          return FromTable(*found, "number", false, cell, atoms);
    }
  } catch (const std::exception&) {
    // A symbol gemmi cannot read leaves the block as it was.
  }
  return std::nullopt;
}
