#include "metal_structure.h"

#include <array>
#include <cmath>
#include <vector>

#include "bench_support.h"
#include "base/format.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/vector.h"

namespace {

using TPoint = std::array<double, 3>;

// Each molecule sits in a box of this edge (A) around its Ni; its atoms lie
// within 4.4 A of the Ni, so atoms of other molecules stay 5.6 A away.
constexpr double kBoxEdge = 10.0;
constexpr double kBeta = 101.25;
constexpr int kHeavyOrganic = 23;  // 20 C and 3 N
constexpr int kHydrogens = kAtomsPerMolecule - 5 - kHeavyOrganic;

// The molecules fill the slab 0 <= y < 1/4 of the cell, a grid of
// Nx x Ny x Nz boxes; the three other operators of P21/c put their images
// into the other three quarters, so no image comes near a Ni.
struct TLayout {
  int Nx = 0, Ny = 0, Nz = 0;
  double A = 0, B = 0, C = 0;
};

TLayout LayoutFor(int molecules) {
  TLayout layout;
  layout.Ny = std::max(1, static_cast<int>(std::lround(std::cbrt(molecules) / 2.5)));
  int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(molecules) / layout.Ny)));
  side += side % 2;  // even, so that the half translations along c stay on the grid
  layout.Nx = layout.Nz = side;
  layout.A = layout.Nx * kBoxEdge;
  layout.B = 4 * layout.Ny * kBoxEdge;
  layout.C = layout.Nz * kBoxEdge;
  return layout;
}

// Points spread evenly over a sphere (the golden-angle spiral).
std::vector<TPoint> SpherePoints(int count, double radius) {
  std::vector<TPoint> points;
  for (int i = 0; i < count; ++i) {
    const double z = 1 - 2 * (i + 0.5) / count;
    const double r = std::sqrt(1 - z * z);
    const double phi = i * 2.399963229728653;
    points.push_back({radius * r * std::cos(phi), radius * r * std::sin(phi), radius * z});
  }
  return points;
}

double Length(const TPoint& p) { return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]); }

double AngleDegrees(const TPoint& u, const TPoint& v) {
  const double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
  return std::acos(dot / (Length(u) * Length(v))) * kRadToDeg;
}

struct TMolecule {
  std::vector<std::string> Labels, Elements;
  std::vector<TPoint> Offsets;  // Cartesian, from the Ni
};

// Labels are numbered across the whole structure: molecule m holds Ni<m>.
TMolecule MakeMolecule(int m, TSequence& seq, const std::vector<TPoint>& inner,
                       const std::vector<TPoint>& outer) {
  TMolecule mol;
  const auto add = [&mol](std::string label, const char* element, TPoint offset) {
    mol.Labels.push_back(std::move(label));
    mol.Elements.push_back(element);
    mol.Offsets.push_back(offset);
  };
  // Square planar with a tetrahedral twist that differs between molecules,
  // so that tau4 spreads over 0.05 to 0.4.
  const double twist = 0.1 + 0.5 * seq.Fraction();
  const double dP = 2.20 + 0.05 * seq.Fraction();
  const double dCl = 2.15 + 0.04 * seq.Fraction();
  add(Joined("Ni", Number(m)), "Ni", {0, 0, 0});
  add(Joined("P", Number(2 * m - 1)), "P", {dP, 0, twist});
  add(Joined("P", Number(2 * m)), "P", {-dP, 0, twist});
  add(Joined("Cl", Number(2 * m - 1)), "Cl", {0, dCl, -twist});
  add(Joined("Cl", Number(2 * m)), "Cl", {0, -dCl, -twist});
  const auto jittered = [&seq](TPoint p) {
    for (double& x : p) x += 0.2 * (seq.Fraction() - 0.5);
    return p;
  };
  for (int k = 0; k < kHeavyOrganic; ++k) {
    const bool nitrogen = k % 8 == 7;
    const int number = (m - 1) * kHeavyOrganic + k + 1;
    const char* element = nitrogen ? "N" : "C";
    add(Joined(element, Number(number)), element, jittered(inner[k]));
  }
  for (int k = 0; k < kHydrogens; ++k)
    add(Joined("H", Number((m - 1) * kHeavyOrganic + k + 1), "A"), "H", jittered(outer[k]));
  return mol;
}

// Fractional coordinates of a Cartesian point in the monoclinic cell
// (a along x, b along y, c in the xz plane).
TPoint Fractional(const TLayout& layout, const TPoint& p) {
  const double beta = kBeta * kDegToRad;
  const double z = p[2] / (layout.C * std::sin(beta));
  const double x = (p[0] - z * layout.C * std::cos(beta)) / layout.A;
  return {x, p[1] / layout.B, z};
}

TPoint Cartesian(const TLayout& layout, const TPoint& f) {
  const double beta = kBeta * kDegToRad;
  return {f[0] * layout.A + f[2] * layout.C * std::cos(beta), f[1] * layout.B,
          f[2] * layout.C * std::sin(beta)};
}

TPoint BoxCentre(const TLayout& layout, int index) {
  const int i = index % layout.Nx;
  const int j = (index / layout.Nx) % layout.Ny;
  const int k = index / (layout.Nx * layout.Ny);
  const TPoint fraction{(i + 0.5) / layout.Nx, (j + 0.5) / (4 * layout.Ny), (k + 0.5) / layout.Nz};
  return Cartesian(layout, fraction);
}

std::string Su(TSequence& seq, int below) { return Joined("(", Number(1 + seq.Next(below)), ")"); }

std::string OrganicAngle(TSequence& seq) {
  return Joined(Number(100 + seq.Next(30)), ".", Number(seq.Next(10)), Su(seq, 9));
}

void PutHeader(std::string& cif, const TLayout& layout, int molecules) {
  cif += "data_nickel_survey\n";
  cif += "_audit_creation_method            'SHELXL-2018/3'\n";
  cif += "_chemical_name_systematic         ?\n";
  Put(cif, "_chemical_formula_moiety          '", Number(molecules), "(C20 H22 Cl2 N3 Ni P2)'\n");
  for (const char* tag : {"_exptl_crystal_colour", "_diffrn_radiation_type",
                          "_computing_structure_solution", "_computing_structure_refinement",
                          "_refine_ls_structure_factor_coef", "_refine_ls_weighting_scheme"})
    Put(cif, tag, "   'text of the item'\n");
  cif += "_space_group_crystal_system       monoclinic\n";
  cif += "_space_group_name_H-M_alt         'P 21/c'\n";
  cif += "loop_\n _space_group_symop_operation_xyz\n 'x, y, z'\n '-x, y+1/2, -z+1/2'\n"
         " '-x, -y, -z'\n 'x, -y+1/2, z+1/2'\n";
  Put(cif, "_cell_length_a                    ", FormatFixed(layout.A, 4), "(6)\n");
  Put(cif, "_cell_length_b                    ", FormatFixed(layout.B, 4), "(9)\n");
  Put(cif, "_cell_length_c                    ", FormatFixed(layout.C, 4), "(11)\n");
  Put(cif, "_cell_angle_alpha                 90\n_cell_angle_beta                  ",
      FormatFixed(kBeta, 3), "(2)\n_cell_angle_gamma                 90\n");
}

void PutAtomSites(std::string& cif, TSequence& seq, const std::vector<TMolecule>& molecules,
                  const TLayout& layout) {
  cif += "loop_\n _atom_site_label\n _atom_site_type_symbol\n _atom_site_fract_x\n"
         " _atom_site_fract_y\n _atom_site_fract_z\n _atom_site_U_iso_or_equiv\n"
         " _atom_site_adp_type\n _atom_site_occupancy\n _atom_site_site_symmetry_order\n"
         " _atom_site_calc_flag\n _atom_site_refinement_flags_posn\n"
         " _atom_site_disorder_assembly\n _atom_site_disorder_group\n";
  for (std::size_t m = 0; m < molecules.size(); ++m) {
    const TMolecule& mol = molecules[m];
    const TPoint centre = BoxCentre(layout, static_cast<int>(m));
    for (std::size_t a = 0; a < mol.Labels.size(); ++a) {
      const TPoint& d = mol.Offsets[a];
      const TPoint f = Fractional(layout, {centre[0] + d[0], centre[1] + d[1], centre[2] + d[2]});
      const bool hydrogen = mol.Elements[a] == "H";
      Put(cif, mol.Labels[a], " ", mol.Elements[a]);
      for (double x : f) {
        // Six decimals: the cell edges are hundreds of A long.
        Put(cif, " ", FormatFixed(x, hydrogen ? 5 : 6));
        if (!hydrogen) cif += Su(seq, 20);
      }
      if (hydrogen)
        Put(cif, " 0.0", Padded(30 + seq.Next(40), 2), " Uiso 1 1 calc R . .\n");
      else
        Put(cif, " 0.0", Padded(seq.Next(1000), 3), Su(seq, 9), " Uani 1 1 d . . .\n");
    }
  }
}

void PutAnisotropic(std::string& cif, TSequence& seq, const std::vector<TMolecule>& molecules) {
  cif += "loop_\n _atom_site_aniso_label\n _atom_site_aniso_U_11\n _atom_site_aniso_U_22\n"
         " _atom_site_aniso_U_33\n _atom_site_aniso_U_23\n _atom_site_aniso_U_13\n"
         " _atom_site_aniso_U_12\n";
  for (const TMolecule& mol : molecules)
    for (std::size_t a = 0; a < mol.Labels.size(); ++a) {
      if (mol.Elements[a] == "H") continue;
      cif += mol.Labels[a];
      for (int u = 0; u < 6; ++u)
        Put(cif, u < 3 ? " 0.0" : " -0.00", Padded(seq.Next(1000), 3), Su(seq, 9));
      cif += '\n';
    }
}

// Ni-L bonds from the geometry, then a chain through the organic atoms and
// one bond to each H.
void PutBonds(std::string& cif, TSequence& seq, const std::vector<TMolecule>& molecules) {
  cif += "loop_\n _geom_bond_atom_site_label_1\n _geom_bond_atom_site_label_2\n"
         " _geom_bond_distance\n _geom_bond_site_symmetry_2\n _geom_bond_publ_flag\n";
  for (const TMolecule& mol : molecules) {
    for (int l = 1; l <= 4; ++l)
      Put(cif, mol.Labels[0], " ", mol.Labels[l], " ", FormatFixed(Length(mol.Offsets[l]), 4),
          Su(seq, 9), " . ?\n");
    for (int k = 5; k + 1 < 5 + kHeavyOrganic; ++k)
      Put(cif, mol.Labels[k], " ", mol.Labels[k + 1], " 1.", Padded(350 + seq.Next(150), 3),
          Su(seq, 9), " . ?\n");
    for (int h = 0; h < kHydrogens; ++h)
      Put(cif, mol.Labels[5 + h], " ", mol.Labels[5 + kHeavyOrganic + h], " 0.9500 . ?\n");
  }
}

void PutAngles(std::string& cif, TSequence& seq, const std::vector<TMolecule>& molecules) {
  cif += "loop_\n _geom_angle_atom_site_label_1\n _geom_angle_atom_site_label_2\n"
         " _geom_angle_atom_site_label_3\n _geom_angle\n _geom_angle_site_symmetry_1\n"
         " _geom_angle_site_symmetry_3\n _geom_angle_publ_flag\n";
  for (const TMolecule& mol : molecules) {
    for (int i = 1; i <= 4; ++i)
      for (int k = i + 1; k <= 4; ++k)
        Put(cif, mol.Labels[i], " ", mol.Labels[0], " ", mol.Labels[k], " ",
            FormatFixed(AngleDegrees(mol.Offsets[i], mol.Offsets[k]), 2), Su(seq, 5), " . . ?\n");
    const auto label = [&mol](int k) -> const std::string& { return mol.Labels[k]; };
    for (int k = 5; k + 2 < 5 + kHeavyOrganic; ++k) {
      Put(cif, label(k), " ", label(k + 1), " ", label(k + 2), " ", OrganicAngle(seq), " . . ?\n");
      Put(cif, label(k + 2), " ", label(k + 1), " ", label(k), " ", OrganicAngle(seq), " . . ?\n");
    }
    for (int h = 0; h < kHydrogens; ++h) {
      const int carbon = 5 + h;
      const int hydrogen = 5 + kHeavyOrganic + h;
      Put(cif, label(hydrogen), " ", label(carbon), " ", label(carbon + 1), " 109.5 . . ?\n");
      Put(cif, label(hydrogen), " ", label(carbon), " ", label(carbon > 5 ? carbon - 1 : carbon + 2),
          " 109.5 . . ?\n");
    }
  }
}

}  // namespace

std::string MetalStructureCif(int atoms) {
  const int count = (atoms + kAtomsPerMolecule - 1) / kAtomsPerMolecule;
  const TLayout layout = LayoutFor(count);
  const std::vector<TPoint> inner = SpherePoints(kHeavyOrganic, 3.4);
  const std::vector<TPoint> outer = SpherePoints(kHydrogens, 4.3);
  TSequence seq;
  std::vector<TMolecule> molecules;
  molecules.reserve(static_cast<std::size_t>(count));
  for (int m = 1; m <= count; ++m) molecules.push_back(MakeMolecule(m, seq, inner, outer));
  std::string cif;
  cif.reserve(static_cast<std::size_t>(count) * 10000);
  PutHeader(cif, layout, count);
  PutAtomSites(cif, seq, molecules, layout);
  PutAnisotropic(cif, seq, molecules);
  PutBonds(cif, seq, molecules);
  PutAngles(cif, seq, molecules);
  return cif;
}
