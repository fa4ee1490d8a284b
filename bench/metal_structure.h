// A large structure for the benchmarks: square-planar NiP2Cl2 molecules
// among organic atoms, written as SHELXL writes a CIF (atom sites with su,
// anisotropic displacements, bonds and angles).
#pragma once

#include <string>

// Molecules of this many atoms, one Ni centre each.
inline constexpr int kAtomsPerMolecule = 50;

// The CIF of a P21/c structure with atoms / kAtomsPerMolecule molecules
// (rounded up). Every Ni (labelled Ni1, Ni2, ...) has exactly four ligands
// within bonding distance, two P and two Cl; every other atom is at least
// 3 A from it, so the automatic ligand search finds CN 4 for each centre.
// The _geom_angle rows of the Ni centres hold the angles of the written
// coordinates.
std::string MetalStructureCif(int atoms);
