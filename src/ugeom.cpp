#include "ugeom.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <system_error>

#include "utext.h"

// ================================================================ cell

namespace {

struct TCellCosines {
  double Ca, Cb, Cg;
};

TCellCosines CellCosines(const TCell& cell) {
  return {std::cos(cell.Alpha * kDegToRad), std::cos(cell.Beta * kDegToRad),
          std::cos(cell.Gamma * kDegToRad)};
}

// 1 - ca^2 - cb^2 - cg^2 + 2 ca cb cg, i.e. (V / abc)^2.
double ReducedVolumeSquared(const TCellCosines& c) {
  return 1.0 - c.Ca * c.Ca - c.Cb * c.Cb - c.Cg * c.Cg + 2.0 * c.Ca * c.Cb * c.Cg;
}

TVec3 Difference(const TVec3& a, const TVec3& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

double Dot(const TVec3& a, const TVec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

TMat3 CellMatrix(const TCell& cell) {
  const TCellCosines c = CellCosines(cell);
  const double sg = std::sin(cell.Gamma * kDegToRad);
  double h = ReducedVolumeSquared(c);
  // Angles that cannot close a cell flatten it rather than produce NaN.
  if (h < 0) h = 0;
  TMat3 m{};
  m[0] = {cell.A, cell.B * c.Cg, cell.C * c.Cb};
  m[1] = {0.0, cell.B * sg, cell.C * (c.Ca - c.Cb * c.Cg) / sg};
  m[2] = {0.0, 0.0, cell.C * std::sqrt(h) / sg};
  return m;
}

TVec3 MatVec(const TMat3& m, const TVec3& v) {
  return {Dot(m[0], v), Dot(m[1], v), Dot(m[2], v)};
}

TVec3 SiteToCart(const TVec3& frac, const TSymOp& op, const TMat3& m) {
  return MatVec(m, ApplyOp(op, frac));
}

double SiteDistance(const TVec3& p1, const TSymOp& op1, const TVec3& p2, const TSymOp& op2,
                    const TCell& cell) {
  const TMat3 m = CellMatrix(cell);
  const TVec3 d = Difference(SiteToCart(p1, op1, m), SiteToCart(p2, op2, m));
  return std::sqrt(Dot(d, d));
}

double SiteAngle(const TVec3& p1, const TSymOp& op1, const TVec3& p2, const TSymOp& op2,
                 const TVec3& p3, const TSymOp& op3, const TCell& cell) {
  const TMat3 m = CellMatrix(cell);
  const TVec3 vertex = SiteToCart(p2, op2, m);
  const TVec3 u = Difference(SiteToCart(p1, op1, m), vertex);
  const TVec3 w = Difference(SiteToCart(p3, op3, m), vertex);
  const double lu = std::sqrt(Dot(u, u));
  const double lw = std::sqrt(Dot(w, w));
  if (lu == 0 || lw == 0) return 0;
  double cosine = Dot(u, w) / (lu * lw);
  // Collinear sites can round the cosine just beyond +-1, outside acos.
  if (cosine > 1) cosine = 1;
  if (cosine < -1) cosine = -1;
  return std::acos(cosine) * kRadToDeg;
}

double CellSpacing(const TCell& cell, int axis) {
  double h = ReducedVolumeSquared(CellCosines(cell));
  // A tiny positive floor keeps the spacing above zero for a degenerate cell,
  // so the neighbour search still sees a bounded number of translations.
  if (h < 1e-12) h = 1e-12;
  const double volume = cell.A * cell.B * cell.C * std::sqrt(h);
  switch (axis) {
    case 0: return volume / (std::sin(cell.Alpha * kDegToRad) * cell.B * cell.C);
    case 1: return volume / (std::sin(cell.Beta * kDegToRad) * cell.A * cell.C);
    default: return volume / (std::sin(cell.Gamma * kDegToRad) * cell.A * cell.B);
  }
}

// The three angles must close a cell of non-zero volume: each strictly
// between 0 and 180 degrees, and h = 1 - ca^2 - cb^2 - cg^2 + 2 ca cb cg
// (the squared volume of the cell with unit edges) above the 1e-12 that the
// plane spacings are floored at; 120, 120, 120 gives h = 0 up to rounding.
// Otherwise the orthogonalisation divides by sin(gamma) = 0 or flattens
// every site into one plane.
bool CellIsUsable(const TCell& cell) {
  if (!(cell.A > 0 && cell.B > 0 && cell.C > 0)) return false;
  for (double angle : {cell.Alpha, cell.Beta, cell.Gamma})
    if (!(angle > 0 && angle < 180)) return false;
  const double ca = std::cos(cell.Alpha * kDegToRad);
  const double cb = std::cos(cell.Beta * kDegToRad);
  const double cg = std::cos(cell.Gamma * kDegToRad);
  return 1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg > 1e-12;
}

// ================================================================ symmetry

TSymOp IdentityOp() {
  TSymOp op;
  for (int i = 0; i < 3; ++i) op.Rot[i][i] = 1;
  return op;
}

namespace {

bool IsNumberChar(char c) { return IsAsciiDigit(c) || c == '.'; }

// Axis 0..2 for x, y, z in either case, otherwise -1.
int AxisOfLetter(char c) {
  switch (AsciiLower(c)) {
    case 'x': return 0;
    case 'y': return 1;
    case 'z': return 2;
    default: return -1;
  }
}

// Length of an exponent ("e", optional sign, at least one digit) at pos, or 0.
size_t ExponentLength(std::string_view text, size_t pos) {
  if (pos >= text.size() || (text[pos] != 'e' && text[pos] != 'E')) return 0;
  size_t i = pos + 1;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t digitsStart = i;
  while (i < text.size() && IsAsciiDigit(text[i])) ++i;
  return i > digitsStart ? i - pos : 0;
}

// Reads the run of digits and "." at pos (with an exponent written directly
// after it, so that 1e999 is seen as one number that overflows rather than as
// 1 and 999); advances pos. Fails when the run is no decimal number.
bool ReadOperatorNumber(std::string_view text, size_t& pos, double& value) {
  const size_t start = pos;
  while (pos < text.size() && IsNumberChar(text[pos])) ++pos;
  pos += ExponentLength(text, pos);
  return ParseDecimal(text.substr(start, pos - start), value);
}

// A number with an optional "/denominator" starting at pos.
bool ReadOperatorFraction(std::string_view text, size_t& pos, double& value) {
  if (!ReadOperatorNumber(text, pos, value)) return false;
  if (pos >= text.size() || text[pos] != '/') return true;
  ++pos;
  double denominator = 0;
  if (!ReadOperatorNumber(text, pos, denominator) || denominator == 0) return false;
  value /= denominator;
  return std::isfinite(value);
}

bool ParseSymOpRow(std::string_view text, double rot[3], double& trans) {
  double sign = 1;
  size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    const int axis = AxisOfLetter(c);
    if (c == '-') {
      sign = -1;
      ++pos;
    } else if (c == '+') {
      sign = 1;
      ++pos;
    } else if (axis >= 0) {
      rot[axis] += sign;
      sign = 1;
      ++pos;
    } else if (IsNumberChar(c)) {
      double number = 0;
      if (!ReadOperatorFraction(text, pos, number)) return false;
      if (pos < text.size() && text[pos] == '*') ++pos;
      const int factorAxis = pos < text.size() ? AxisOfLetter(text[pos]) : -1;
      if (factorAxis >= 0) {
        rot[factorAxis] += sign * number;
        ++pos;
      } else {
        trans += sign * number;
      }
      sign = 1;
    } else {
      ++pos;
    }
  }
  return true;
}

// Appends the decimal text of a whole number without any locale.
void AppendInteger(std::string& out, long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace

bool ParseSymOp(std::string_view text, TSymOp& op) {
  op = TSymOp{};
  size_t start = 0;
  for (int row = 0; row < 3; ++row) {
    const size_t comma = text.find(',', start);
    const size_t end = comma == std::string_view::npos ? text.size() : comma;
    if (!ParseSymOpRow(text.substr(start, end - start), op.Rot[row], op.Trans[row])) return false;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return true;
}

TVec3 ApplyOp(const TSymOp& op, const TVec3& v) {
  TVec3 r{};
  for (int i = 0; i < 3; ++i)
    r[i] = ((op.Rot[i][0] * v[0] + op.Rot[i][1] * v[1]) + op.Rot[i][2] * v[2]) + op.Trans[i];
  return r;
}

TSymOp TranslatedOp(const TSymOp& base, int k, int l, int m) {
  TSymOp op = base;
  op.Trans[0] += k;
  op.Trans[1] += l;
  op.Trans[2] += m;
  std::string code;
  AppendInteger(code, op.OpNum);
  code += '_';
  // Translations beyond -5..+4 write the full number, e.g. 1_1055 or 1_-155.
  AppendInteger(code, static_cast<long long>(k) + 5);
  AppendInteger(code, static_cast<long long>(l) + 5);
  AppendInteger(code, static_cast<long long>(m) + 5);
  op.Code = std::move(code);
  return op;
}

bool SameSite(const std::vector<TVec3>& positions, const TSiteRef& a, const TSiteRef& b) {
  if (a.Atom != b.Atom) return false;
  if (a.Op.Code == b.Op.Code) return true;
  if (a.Atom < 0 || static_cast<size_t>(a.Atom) >= positions.size()) return false;
  const TVec3& p = positions[static_cast<size_t>(a.Atom)];
  const TVec3 pa = ApplyOp(a.Op, p);
  const TVec3 pb = ApplyOp(b.Op, p);
  for (int k = 0; k < 3; ++k)
    if (!(std::fabs(pa[k] - pb[k]) <= 0.001)) return false;
  return true;
}

namespace {

// A whole number of digits only, at most limit (leading zeros allowed).
bool ReadBoundedCount(std::string_view text, size_t limit, size_t& value) {
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (!IsAsciiDigit(c)) return false;
    value = value * 10 + static_cast<size_t>(c - '0');
    if (value > limit) return false;
  }
  return true;
}

}  // namespace

bool ParseSiteCode(std::string_view code, const std::vector<TSymOp>& ops, TSymOp& op) {
  const size_t underscore = code.find('_');
  if (underscore == std::string_view::npos || underscore == 0) return false;
  size_t opNumber = 0;
  if (!ReadBoundedCount(code.substr(0, underscore), ops.size(), opNumber) || opNumber < 1)
    return false;
  const std::string_view translation = code.substr(underscore + 1);
  if (translation.size() != 3) return false;
  for (char c : translation)
    if (!IsAsciiDigit(c)) return false;
  TSymOp base = ops[opNumber - 1];
  base.OpNum = static_cast<int>(opNumber);
  op = TranslatedOp(base, translation[0] - '5', translation[1] - '5', translation[2] - '5');
  return true;
}

std::string NormaliseSiteCode(std::string_view code) {
  const std::string_view trimmed = TrimControl(code);
  if (trimmed.empty() || trimmed == "." || trimmed == "?") return "1_555";
  if (trimmed.find('_') == std::string_view::npos) return std::string(trimmed) + "_555";
  return std::string(trimmed);
}

std::string SiteDisplayName(std::string_view label, std::string_view code) {
  std::string name(label);
  if (code != "1_555") {
    name += '#';
    name += code;
  }
  return name;
}

// ================================================================ su

namespace {

// The sites of one distance (2) or angle (3) with private copies of their
// positions and of the cell, so that parameters can be stepped freely.
struct TSiteSet {
  int Count = 0;
  const TSiteRef* Sites[3] = {nullptr, nullptr, nullptr};
  TVec3 Positions[3] = {};
  TCell Cell;
  int Atoms[3] = {-1, -1, -1};  // distinct atoms in site order, valid ones only
  int AtomCount = 0;
  int InvalidAtoms = 0;         // distinct atom indices outside the position list
};

bool AtomInRange(const std::vector<TVec3>& coords, int atom) {
  return atom >= 0 && static_cast<size_t>(atom) < coords.size();
}

bool Contains(const int* list, int count, int value) {
  for (int i = 0; i < count; ++i)
    if (list[i] == value) return true;
  return false;
}

TSiteSet MakeSiteSet(const std::vector<TVec3>& coords, std::initializer_list<const TSiteRef*> sites,
                     const TCell& cell) {
  TSiteSet set;
  set.Cell = cell;
  int seenInvalid[3] = {0, 0, 0};
  int invalidCount = 0;
  for (const TSiteRef* site : sites) {
    const int i = set.Count++;
    set.Sites[i] = site;
    const int atom = site->Atom;
    if (AtomInRange(coords, atom)) {
      set.Positions[i] = coords[static_cast<size_t>(atom)];
      if (!Contains(set.Atoms, set.AtomCount, atom)) set.Atoms[set.AtomCount++] = atom;
    } else {
      // No position: the value comes out NaN instead of a plausible number.
      const double nan = std::numeric_limits<double>::quiet_NaN();
      set.Positions[i] = {nan, nan, nan};
      if (!Contains(seenInvalid, invalidCount, atom)) seenInvalid[invalidCount++] = atom;
    }
  }
  set.InvalidAtoms = invalidCount;
  return set;
}

double EvaluateSites(const TSiteSet& set) {
  const TSiteRef& s0 = *set.Sites[0];
  const TSiteRef& s1 = *set.Sites[1];
  if (set.Count == 2)
    return SiteDistance(set.Positions[0], s0.Op, set.Positions[1], s1.Op, set.Cell);
  const TSiteRef& s2 = *set.Sites[2];
  return SiteAngle(set.Positions[0], s0.Op, set.Positions[1], s1.Op, set.Positions[2], s2.Op,
                   set.Cell);
}

void SetAtomCoordinate(TSiteSet& set, int atom, int axis, double value) {
  for (int i = 0; i < set.Count; ++i)
    if (set.Sites[i]->Atom == atom) set.Positions[i][static_cast<size_t>(axis)] = value;
}

// Central difference along one coordinate of an atom, moving every site of
// that atom together (an atom and its symmetry image move as one).
double CoordinateDerivative(TSiteSet& set, int atom, int axis) {
  int first = 0;
  while (set.Sites[first]->Atom != atom) ++first;
  const double original = set.Positions[first][static_cast<size_t>(axis)];
  const double up = original + kSuCoordinateStep;
  SetAtomCoordinate(set, atom, axis, up);
  const double fPlus = EvaluateSites(set);
  SetAtomCoordinate(set, atom, axis, up - 2 * kSuCoordinateStep);
  const double fMinus = EvaluateSites(set);
  SetAtomCoordinate(set, atom, axis, original);
  return (fPlus - fMinus) / (2 * kSuCoordinateStep);
}

double CellParameterDerivative(TSiteSet& set, double TCell::*parameter, double step) {
  double& value = set.Cell.*parameter;
  const double original = value;
  value = original + step;
  const double fPlus = EvaluateSites(set);
  value = (original + step) - 2 * step;
  const double fMinus = EvaluateSites(set);
  value = original;
  return (fPlus - fMinus) / (2 * step);
}

// Adds the cell terms one by one to the running sum of the coordinate terms,
// so that the sum is formed in the same order as the terms are taken.
void AddCellVariance(TSiteSet& set, double& sum) {
  for (const TCellSuTerm& term : kCellSuTerms) {
    const double su = set.Cell.*term.Su;
    if (!(su > 0)) continue;
    const double g = CellParameterDerivative(set, term.Parameter, term.Step);
    sum += (g * su) * (g * su);
  }
}

double CoordinateVarianceFromSu(TSiteSet& set, const std::vector<TVec3>& fracSu) {
  double sum = 0;
  for (int a = 0; a < set.AtomCount; ++a) {
    const int atom = set.Atoms[a];
    if (static_cast<size_t>(atom) >= fracSu.size()) continue;
    for (int k = 0; k < 3; ++k) {
      const double su = fracSu[static_cast<size_t>(atom)][static_cast<size_t>(k)];
      if (!(su > 0)) continue;
      const double g = CoordinateDerivative(set, atom, k);
      sum += (g * su) * (g * su);
    }
  }
  return sum;
}

double CoordinateVarianceFromMatrix(TSiteSet& set, const TCovSource& cov, int& missing) {
  int params[9];
  double grads[9];
  int n = 0;
  missing = 3 * set.InvalidAtoms;
  for (int a = 0; a < set.AtomCount; ++a) {
    const int atom = set.Atoms[a];
    for (int k = 0; k < 3; ++k) {
      const int p = cov.ParamIndex(atom, k);
      if (p < 0) {
        ++missing;
        continue;
      }
      params[n] = p;
      grads[n] = CoordinateDerivative(set, atom, k);
      ++n;
    }
  }
  double sum = 0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) sum += grads[i] * grads[j] * cov.Covariance(params[i], params[j]);
  // A matrix that is not positive semi-definite must not yield a NaN su.
  if (sum < 0) sum = 0;
  return sum;
}

TValueSu SuWithoutCovariances(TSiteSet set, const std::vector<TVec3>& fracSu) {
  TValueSu result;
  result.Value = EvaluateSites(set);
  double sum = CoordinateVarianceFromSu(set, fracSu);
  AddCellVariance(set, sum);
  result.Su = std::sqrt(sum);
  return result;
}

TValueSu SuWithCovariances(TSiteSet set, const TCovSource& cov) {
  TValueSu result;
  result.Value = EvaluateSites(set);
  double sum = CoordinateVarianceFromMatrix(set, cov, result.Missing);
  AddCellVariance(set, sum);
  result.Su = std::sqrt(sum);
  return result;
}

}  // namespace

TValueSu DistanceSu(const std::vector<TVec3>& fracCoords, const std::vector<TVec3>& fracSu,
                    const TSiteRef& s1, const TSiteRef& s2, const TCell& cell) {
  return SuWithoutCovariances(MakeSiteSet(fracCoords, {&s1, &s2}, cell), fracSu);
}

TValueSu AngleSu(const std::vector<TVec3>& fracCoords, const std::vector<TVec3>& fracSu,
                 const TSiteRef& s1, const TSiteRef& vertex, const TSiteRef& s3,
                 const TCell& cell) {
  return SuWithoutCovariances(MakeSiteSet(fracCoords, {&s1, &vertex, &s3}, cell), fracSu);
}

TValueSu DistanceCovSu(const std::vector<TVec3>& fracCoords, const TSiteRef& s1,
                       const TSiteRef& s2, const TCell& cell, const TCovSource& cov) {
  return SuWithCovariances(MakeSiteSet(fracCoords, {&s1, &s2}, cell), cov);
}

TValueSu AngleCovSu(const std::vector<TVec3>& fracCoords, const TSiteRef& s1,
                    const TSiteRef& vertex, const TSiteRef& s3, const TCell& cell,
                    const TCovSource& cov) {
  return SuWithCovariances(MakeSiteSet(fracCoords, {&s1, &vertex, &s3}, cell), cov);
}

// ================================================================ elements

namespace {

struct TElement {
  const char* Symbol;
  double Radius;  // covalent radius, Angstrom
};

constexpr TElement kElements[96] = {
    {"H", 0.31},  {"He", 0.28}, {"Li", 1.28}, {"Be", 0.96}, {"B", 0.84},  {"C", 0.76},
    {"N", 0.71},  {"O", 0.66},  {"F", 0.57},  {"Ne", 0.58}, {"Na", 1.66}, {"Mg", 1.41},
    {"Al", 1.21}, {"Si", 1.11}, {"P", 1.07},  {"S", 1.05},  {"Cl", 1.02}, {"Ar", 1.06},
    {"K", 2.03},  {"Ca", 1.76}, {"Sc", 1.70}, {"Ti", 1.60}, {"V", 1.53},  {"Cr", 1.39},
    {"Mn", 1.50}, {"Fe", 1.42}, {"Co", 1.38}, {"Ni", 1.24}, {"Cu", 1.32}, {"Zn", 1.22},
    {"Ga", 1.22}, {"Ge", 1.20}, {"As", 1.19}, {"Se", 1.20}, {"Br", 1.20}, {"Kr", 1.16},
    {"Rb", 2.20}, {"Sr", 1.95}, {"Y", 1.90},  {"Zr", 1.75}, {"Nb", 1.64}, {"Mo", 1.54},
    {"Tc", 1.47}, {"Ru", 1.46}, {"Rh", 1.42}, {"Pd", 1.39}, {"Ag", 1.45}, {"Cd", 1.44},
    {"In", 1.42}, {"Sn", 1.39}, {"Sb", 1.39}, {"Te", 1.38}, {"I", 1.39},  {"Xe", 1.40},
    {"Cs", 2.44}, {"Ba", 2.15}, {"La", 2.07}, {"Ce", 2.04}, {"Pr", 2.03}, {"Nd", 2.01},
    {"Pm", 1.99}, {"Sm", 1.98}, {"Eu", 1.98}, {"Gd", 1.96}, {"Tb", 1.94}, {"Dy", 1.92},
    {"Ho", 1.92}, {"Er", 1.89}, {"Tm", 1.90}, {"Yb", 1.87}, {"Lu", 1.87}, {"Hf", 1.75},
    {"Ta", 1.70}, {"W", 1.62},  {"Re", 1.51}, {"Os", 1.44}, {"Ir", 1.41}, {"Pt", 1.36},
    {"Au", 1.36}, {"Hg", 1.32}, {"Tl", 1.45}, {"Pb", 1.46}, {"Bi", 1.48}, {"Po", 1.40},
    {"At", 1.50}, {"Rn", 1.50}, {"Fr", 2.60}, {"Ra", 2.21}, {"Ac", 2.15}, {"Th", 2.06},
    {"Pa", 2.00}, {"U", 1.96},  {"Np", 1.90}, {"Pu", 1.87}, {"Am", 1.80}, {"Cm", 1.69},
};

constexpr int kElementCount = static_cast<int>(sizeof kElements / sizeof kElements[0]);
constexpr double kUnknownRadius = 1.5;

}  // namespace

int ElementIndex(std::string_view symbol) {
  for (int z = 1; z <= kElementCount; ++z)
    if (SameTextIgnoringCase(symbol, kElements[z - 1].Symbol)) return z;
  return 0;
}

std::string ElementSymbol(int atomicNumber) {
  if (atomicNumber < 1 || atomicNumber > kElementCount) return {};
  return kElements[atomicNumber - 1].Symbol;
}

bool IsElement(std::string_view symbol) { return ElementIndex(symbol) > 0; }

double CovalentRadius(std::string_view element) {
  const int z = ElementIndex(element);
  return z > 0 ? kElements[z - 1].Radius : kUnknownRadius;
}

std::string LeadingLetters(std::string_view text) {
  size_t n = 0;
  while (n < text.size() && IsAsciiLetter(text[n])) ++n;
  return std::string(text.substr(0, n));
}

bool IsMetal(std::string_view element) {
  static constexpr std::string_view kNonMetals[] = {
      "H",  "He", "B",  "C",  "N",  "O",  "F", "Ne", "Si", "P",  "S",  "Cl",
      "Ar", "Ge", "As", "Se", "Br", "Kr", "Sb", "Te", "I", "Xe", "At", "Rn"};
  if (!IsElement(element)) return false;
  for (std::string_view other : kNonMetals)
    if (SameTextIgnoringCase(element, other)) return false;
  return true;
}

std::string HydrogenForIsotopes(std::string element) {
  if (SameTextIgnoringCase(element, "D") || SameTextIgnoringCase(element, "T")) return "H";
  return element;
}

std::string ElementFromLabel(std::string_view label) {
  const std::string letters = LeadingLetters(label);
  if (letters.empty()) return letters;
  if (SameTextIgnoringCase(letters, "D") || SameTextIgnoringCase(letters, "T")) return "H";
  // Two letters win: CO2 is cobalt, only C12 or Cx1 fall back to carbon.
  if (letters.size() >= 2 && IsElement(std::string_view(letters).substr(0, 2)))
    return letters.substr(0, 2);
  if (IsElement(std::string_view(letters).substr(0, 1))) return letters.substr(0, 1);
  return letters;
}

// ================================================================ formatting

namespace {

// A double has at most 1074 digits after the point in its exact expansion;
// more decimals than that would only be zeros.
constexpr int kExactFractionDigits = 1074;

// Exact decimal expansion in fixed notation, e.g. "-0.125000...", through
// to_chars, which ignores the C and C++ locales.
std::string ExactFixed(double value, int fractionDigits) {
  std::string text(static_cast<size_t>(fractionDigits) + 330, '\0');
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                    std::chars_format::fixed, fractionDigits);
  text.resize(result.ec == std::errc() ? static_cast<size_t>(result.ptr - text.data()) : 0);
  return text;
}

// Adds one unit in the last digit of a string of decimal digits.
void IncrementDigits(std::string& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

bool AllZeros(std::string_view digits) {
  return digits.find_first_not_of('0') == std::string_view::npos;
}

// Whole number nearest to x, halves to the even neighbour.
double RoundHalfEven(double x) {
  const double below = std::floor(x);
  const double fraction = x - below;
  if (fraction > 0.5) return below + 1;
  if (fraction < 0.5) return below;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

// The decimal exponent of the first significant digit of a positive value.
int DecimalExponent(double value) {
  int e = static_cast<int>(std::floor(std::log10(value)));
  // log10 may be off by one right at a power of ten.
  if (value < std::pow(10.0, e)) --e;
  else if (value >= std::pow(10.0, e + 1)) ++e;
  return e;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > kExactFractionDigits) decimals = kExactFractionDigits;
  if (!std::isfinite(value)) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
  }
  const std::string exact = ExactFixed(value, kExactFractionDigits + 1);
  const bool negative = !exact.empty() && exact[0] == '-';
  const size_t intStart = negative ? 1 : 0;
  const size_t point = exact.find('.');
  if (point == std::string::npos) return exact;  // cannot happen with a precision above 0
  // Integer digits and the kept fraction digits, as one digit string.
  std::string digits = exact.substr(intStart, point - intStart);
  digits += exact.substr(point + 1, static_cast<size_t>(decimals));
  // The expansion is exact, so the digit after the last kept one decides:
  // 5 or more is at least a half, and halves go away from zero.
  if (exact[point + 1 + static_cast<size_t>(decimals)] >= '5') IncrementDigits(digits);
  const size_t intLength = digits.size() - static_cast<size_t>(decimals);
  std::string text;
  // A value that rounds to zero is written 0.00, never -0.00.
  if (negative && !AllZeros(digits)) text += '-';
  text.append(digits, 0, intLength);
  if (decimals > 0) {
    text += '.';
    text.append(digits, intLength, std::string::npos);
  }
  return text;
}

std::string FormatValueSu(double value, double su, int decimalsWithoutSu) {
  // An su that overflowed (1e308(99)) or is NaN carries no information.
  if (!(su > 0) || !std::isfinite(su)) return FormatFixed(value, decimalsWithoutSu);
  const int e = DecimalExponent(su);
  int d = su / std::pow(10.0, e) < 2 ? 1 - e : -e;
  if (d < 0) d = 0;
  if (d > 8) d = 8;
  double m = RoundHalfEven(su * std::pow(10.0, d));
  if (m >= 20 && d > 0) {
    --d;
    m = RoundHalfEven(su * std::pow(10.0, d));
  }
  if (m < 1) m = 1;
  return FormatFixed(value, d) + "(" + FormatFixed(m, 0) + ")";
}
