#include "crystal/symmetry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <system_error>

#include "base/text.h"
#include "crystal/cell.h"

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

TVec3 ApplyOp(const TSymOp& op, const TVec3& frac) {
  TVec3 r{};
  for (int i = 0; i < 3; ++i)
    r[i] = ((op.Rot[i][0] * frac[0] + op.Rot[i][1] * frac[1]) + op.Rot[i][2] * frac[2]) + op.Trans[i];
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

bool SameSite(const std::vector<TVec3>& fracPositions, const TSiteRef& a, const TSiteRef& b) {
  if (a.Atom != b.Atom) return false;
  if (a.Op.Code == b.Op.Code) return true;
  if (a.Atom < 0 || static_cast<size_t>(a.Atom) >= fracPositions.size()) return false;
  const TVec3& p = fracPositions[static_cast<size_t>(a.Atom)];
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
