// The coordination sphere of the structure as the file means it (the
// default, --sphere=chemical): the bond rule's ligands from one
// configuration of a disordered structure, with alternative positions and
// coincident atoms counted once, and every atom the rules leave out listed
// with its reason. --sphere=radii is the bond rule alone.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/coordination.h"
#include "model/structure.h"

// An atom image that the bond rule takes and a rule leaves out.
struct TExcludedAtom {
  TLigand Image;       // label, site code, distance (su filled in later)
  std::string Reason;  // "other disorder group", "alternative position", "coincident with Fe1"
};

// A disorder group chosen for the sphere: the centre's own, or the one of
// largest occupancy among the centre's neighbours.
struct TDisorderChoice {
  std::string Assembly;  // "" where the file names none (SHELX PART)
  std::string Group;
  double Occupancy = 0;
};

// Ligand atoms bonded to each other (an eta2 alkene or O2, an allyl, a Cp
// or arene ring) bind side-on as one ligand, placed at their centroid.
struct TPiGroup {
  TLigArray Members;  // nearest first
};

struct TSphere {
  TLigArray Ligands;           // the single atoms
  std::vector<TPiGroup> PiGroups;
  std::vector<TExcludedAtom> Excluded;
  // The groups that decided what was left out, in the order of the
  // neighbour list; empty where no disorder rule acted.
  std::vector<TDisorderChoice> Configuration;
};

// Two atom images closer than this (A) are one site.
inline constexpr double kCoincidentDistance = 0.1;
// Partially occupied atoms of one element closer than this (A) are
// alternative positions.
inline constexpr double kAlternativeDistance = 1.0;

// The chemical sphere of the central atom from its neighbours (every atom
// image within the search radius, as FindNeighbours gives them): the bond
// rule d <= r1 + r2 + tolerance, occupancy >= minOccupancy outside
// disorder groups, and the rules above.
// The neighbours of an atom within a radius, as the run searches them (an
// index where many centres share the model); FindNeighbours where none.
using TNeighbourQuery = std::function<TLigArray(int atom, double radius)>;
TSphere ChemicalSphere(const TStructure& model, int centralAtom, const TLigArray& neighbours,
                       double tolerance, double minOccupancy, const TNeighbourQuery& query = {});
