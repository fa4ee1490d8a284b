// The form of a geometric quantity that a numerical su propagation steps: the
// values computed from the Cartesian positions (Angstrom) of a fixed list of
// sites, with every discrete choice made beforehand.
#pragma once

#include <functional>
#include <vector>

#include "ugeom.h"

using TSiteValueFunction = std::function<void(const std::vector<TVec3>& cartesian,
                                              std::vector<double>& values)>;
