// A coordinate covariance written by hand: the parameters of a few chosen
// coordinates and their covariance matrix.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/vector.h"

struct THandMatrix : TCovSource {
  std::map<std::pair<int, int>, int> Params;  // (atom, axis) -> parameter
  std::vector<std::vector<double>> Cov;

  int ParamIndex(int atom, int axis) const override {
    const auto it = Params.find({atom, axis});
    return it == Params.end() ? -1 : it->second;
  }
  double Covariance(int i, int j) const override {
    return Cov[static_cast<size_t>(i)][static_cast<size_t>(j)];
  }
};
