// CIF numbers: the null values and a number with its standard uncertainty
// in parentheses, independent of the locale.
#pragma once

#include <string_view>

// Empty, "?" or "." once characters of code 32 or below are trimmed.
bool IsNullValue(std::string_view text);

// Reads a CIF number with an optional su in parentheses: 1.234(5) gives
// 1.234 and 0.005. true when the value was read (the su may still be 0);
// value and su are 0 otherwise. Independent of the locale.
bool ParseNumberSu(std::string_view text, double& value, double& su);
