#include "io/cif_number.h"

#include <climits>
#include <cmath>
#include <limits>
#include <cstring>

#include "base/text.h"

bool IsNullValue(std::string_view text) {
  const std::string_view t = TrimControl(text);
  return t.empty() || t == "?" || t == ".";
}

namespace {

// The exponent written after e/E of a number part that has passed
// ParseDecimal; 0 when it does not fit a 32-bit integer.
long long WrittenExponent(std::string_view digits) {
  bool negative = false;
  std::size_t i = 0;
  if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
  long long value = 0;
  for (; i < digits.size(); ++i) {
    value = value * 10 + (digits[i] - '0');
    if (value > 2147483648LL) return 0;
  }
  if (negative) value = -value;
  return (value < INT_MIN || value > INT_MAX) ? 0 : value;
}

// Power of ten of the last written digit of a number part: 1.00E2 gives 0,
// .14056 gives -5.
long long LastDigitScale(std::string_view number) {
  const std::size_t e = number.find_first_of("eE");
  const long long exponent = e == std::string_view::npos ? 0 : WrittenExponent(number.substr(e + 1));
  const std::string_view mantissa = number.substr(0, e);
  const std::size_t dot = mantissa.find('.');
  const long long decimals =
      dot == std::string_view::npos ? 0 : static_cast<long long>(mantissa.size() - dot - 1);
  return exponent - decimals;
}

// The su written in units of the last digit, su part x 10^scale, as the
// double nearest to that decimal value: the su's own exponent is shifted by
// the scale and the text read once (multiplying by a power of ten read as a
// double would make 139.8(4) an su of 0.3999999999999999). suPart has passed
// ParseDecimal.
double ScaledSu(std::string_view suPart, long long scale) {
  const std::size_t e = suPart.find_first_of("eE");
  const long long exponent =
      scale + (e == std::string_view::npos ? 0 : WrittenExponent(suPart.substr(e + 1)));
  std::string text(suPart.substr(0, e));
  text += 'e';
  text += std::to_string(exponent);
  double su = 0;
  if (!ParseDecimal(text, su)) return std::numeric_limits<double>::infinity();
  return su;
}

}  // namespace

bool ParseNumberSu(std::string_view text, double& value, double& su) {
  value = 0;
  su = 0;
  const std::string_view t = TrimControl(text);
  if (IsNullValue(t)) return false;
  const std::size_t open = t.find('(');
  std::string_view number = t;
  std::string_view suPart;
  if (open != std::string_view::npos) {
    number = TrimControl(t.substr(0, open));
    const std::size_t close = t.find(')');
    suPart = (close != std::string_view::npos && close > open) ? t.substr(open + 1, close - open - 1)
                                                               : t.substr(open + 1);
  }
  double read = 0;
  if (!ParseDecimal(number, read)) return false;
  value = read;
  double written = 0;
  if (suPart.empty() || !ParseDecimal(suPart, written)) return true;
  // An su that overflows, or a negative one, is no su.
  const double scaled = ScaledSu(suPart, LastDigitScale(number));
  if (std::isfinite(scaled) && scaled > 0) su = scaled;
  return true;
}
