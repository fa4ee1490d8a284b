// Symmetry operations and site codes ("n_klm"): parsing, applying, naming.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "crystal/vector.h"

struct TSymOp {
  double Rot[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};  // Rot[i][j]: input j into output i
  TVec3 Trans{0, 0, 0};
  int OpNum = 1;              // 1-based position in the structure's list
  std::string Code = "1_555";  // site code "n_klm"
};

struct TSiteRef {
  int Atom = -1;  // 0-based index into the structure's atom list
  TSymOp Op;
};

TSymOp IdentityOp();
bool ParseSymOp(std::string_view text, TSymOp& op);
// The fractional coordinates of the image of a fractional position.
TVec3 ApplyOp(const TSymOp& op, const TVec3& frac);
TSymOp TranslatedOp(const TSymOp& base, int k, int l, int m);
bool SameSite(const std::vector<TVec3>& fracPositions, const TSiteRef& a, const TSiteRef& b);
bool ParseSiteCode(std::string_view code, const std::vector<TSymOp>& ops, TSymOp& op);
std::string NormaliseSiteCode(std::string_view code);
// label alone for "1_555", otherwise label + "#" + code.
std::string SiteDisplayName(std::string_view label, std::string_view code);
