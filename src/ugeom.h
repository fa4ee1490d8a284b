// Crystal geometry: vectors and the unit cell, symmetry operations and site
// codes, distances and angles with propagated su, the element table with
// covalent radii, and the formatting of values with su.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------- cell
using TVec3 = std::array<double, 3>;
using TMat3 = std::array<TVec3, 3>;  // rows; Cartesian = M x fractional

struct TCell {
  double A = 0, B = 0, C = 0;             // Angstrom
  double Alpha = 90, Beta = 90, Gamma = 90;  // degrees
  double SuA = 0, SuB = 0, SuC = 0;
  double SuAlpha = 0, SuBeta = 0, SuGamma = 0;  // 0 means exact
};

inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

struct TSymOp;

TMat3 CellMatrix(const TCell& cell);
TVec3 MatVec(const TMat3& m, const TVec3& v);
TVec3 SiteToCart(const TVec3& frac, const TSymOp& op, const TMat3& m);
double SiteDistance(const TVec3& p1, const TSymOp& op1, const TVec3& p2, const TSymOp& op2,
                    const TCell& cell);
// Angle in degrees at the second (vertex) site.
double SiteAngle(const TVec3& p1, const TSymOp& op1, const TVec3& p2, const TSymOp& op2,
                 const TVec3& p3, const TSymOp& op3, const TCell& cell);
// Distance between adjacent lattice planes parallel to the two axes other than
// axis 0 (a), 1 (b) or 2 (c); any other axis number counts as 2.
double CellSpacing(const TCell& cell, int axis);
// Positive edges and three angles that close a cell of non-zero volume.
bool CellIsUsable(const TCell& cell);

// ---------------------------------------------------------------- symmetry
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
TVec3 ApplyOp(const TSymOp& op, const TVec3& v);
TSymOp TranslatedOp(const TSymOp& base, int k, int l, int m);
bool SameSite(const std::vector<TVec3>& positions, const TSiteRef& a, const TSiteRef& b);
bool ParseSiteCode(std::string_view code, const std::vector<TSymOp>& ops, TSymOp& op);
std::string NormaliseSiteCode(std::string_view code);
// label alone for "1_555", otherwise label + "#" + code.
std::string SiteDisplayName(std::string_view label, std::string_view code);

// ---------------------------------------------------------------- su
// The source of coordinate covariances that the su propagation consults.
class TCovSource {
 public:
  virtual ~TCovSource() = default;
  // Number of the refined parameter that is this atom's coordinate, or -1.
  virtual int ParamIndex(int atom, int axis) const = 0;
  // Covariance of two parameters in squared fractions of the cell edges.
  virtual double Covariance(int i, int j) const = 0;
};

// The steps of the numerical su propagation by central differences: in
// fractional coordinates, in the cell edges (A) and in the cell angles (deg).
inline constexpr double kSuCoordinateStep = 1e-6;
inline constexpr double kSuLengthStep = 1e-5;
inline constexpr double kSuAngleStep = 1e-4;

struct TCellSuTerm {
  double TCell::*Parameter;
  double TCell::*Su;
  double Step;
};

// The cell terms in the order a, alpha, b, beta, c, gamma, the order in which
// they are added to a variance.
inline constexpr TCellSuTerm kCellSuTerms[6] = {
    {&TCell::A, &TCell::SuA, kSuLengthStep},   {&TCell::Alpha, &TCell::SuAlpha, kSuAngleStep},
    {&TCell::B, &TCell::SuB, kSuLengthStep},   {&TCell::Beta, &TCell::SuBeta, kSuAngleStep},
    {&TCell::C, &TCell::SuC, kSuLengthStep},   {&TCell::Gamma, &TCell::SuGamma, kSuAngleStep},
};

struct TValueSu {
  double Value = 0;
  double Su = 0;
  int Missing = 0;  // coordinates without a matrix parameter (covariance variants only)
};

TValueSu DistanceSu(const std::vector<TVec3>& fracCoords, const std::vector<TVec3>& fracSu,
                    const TSiteRef& s1, const TSiteRef& s2, const TCell& cell);
TValueSu AngleSu(const std::vector<TVec3>& fracCoords, const std::vector<TVec3>& fracSu,
                 const TSiteRef& s1, const TSiteRef& vertex, const TSiteRef& s3,
                 const TCell& cell);
TValueSu DistanceCovSu(const std::vector<TVec3>& fracCoords, const TSiteRef& s1,
                       const TSiteRef& s2, const TCell& cell, const TCovSource& cov);
TValueSu AngleCovSu(const std::vector<TVec3>& fracCoords, const TSiteRef& s1,
                    const TSiteRef& vertex, const TSiteRef& s3, const TCell& cell,
                    const TCovSource& cov);

// ---------------------------------------------------------------- elements
int ElementIndex(std::string_view symbol);  // 1..96, 0 when unknown
std::string ElementSymbol(int atomicNumber);
bool IsElement(std::string_view symbol);
double CovalentRadius(std::string_view element);  // 1.5 for anything not in the table
std::string LeadingLetters(std::string_view text);
// The element of a label: two leading letters that name an element, else
// one (CO2 is cobalt, C12 carbon); D and T (D1, D2A, T1) are hydrogen.
std::string ElementFromLabel(std::string_view label);
// The metals of the survey: every element but H, He, B, C, N, O, F, Ne, Si,
// P, S, Cl, Ar, Ge, As, Se, Br, Kr, Sb, Te, I, Xe, At and Rn.
bool IsMetal(std::string_view element);
// Deuterium and tritium ("D", "T") are hydrogen; other symbols stay.
std::string HydrogenForIsotopes(std::string element);

// ---------------------------------------------------------------- formatting
// Exactly n decimals, "." separator, halves rounded away from zero on the
// exact decimal expansion of the double.
std::string FormatFixed(double value, int decimals);
// value(su) with the su in units of the last printed digit.
std::string FormatValueSu(double value, double su, int decimalsWithoutSu);
