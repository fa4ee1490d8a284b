// The symmetry operators of a data block that names its space group but
// lists no operators: generated from the Hall symbol, else the
// Hermann-Mauguin symbol, else the number, with gemmi's space-group tables.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/structure.h"

class TCifBlock;

struct TGeneratedSymmetry {
  std::vector<TSymOp> Ops;  // identity first, numbered in gemmi's order
  std::string Note;         // the report's note, without "Note         : "
};

// The operators for the block's space-group tags; none where no tag names a
// group gemmi knows. Where the symbol leaves the setting open (two origin
// choices; hexagonal or rhombohedral axes), the setting is the one that
// fits the cell and under which no two distinct atom images come closer
// than 0.5 A; gemmi's default where neither or both fit.
std::optional<TGeneratedSymmetry> GenerateSymmetry(const TCifBlock& block, const TCell& cell,
                                                   const std::vector<TAtom>& atoms);
