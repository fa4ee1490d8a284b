// Numbers as the report prints them: fixed decimals and value(su), locale-free.
#pragma once

#include <string>

// Exactly n decimals, "." separator, halves rounded away from zero on the
// exact decimal expansion of the double.
std::string FormatFixed(double value, int decimals);
// value(su) with the su in units of the last printed digit.
std::string FormatValueSu(double value, double su, int decimalsWithoutSu);
