#include "base/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <system_error>

#include <string_view>

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
