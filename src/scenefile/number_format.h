#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Numbers as scene files hold them. Independent of the process locale: the decimal point is always
// '.', whatever LC_NUMERIC says.

// General notation with six significant digits, no trailing zeros, exponent form when the decimal
// exponent is below -4 or 6 and above, the exponent with its sign and at least three digits:
// 0.5, -3, 0.333333, 1e-005, 1.5e+006, -0. Non-finite values come out as inf, -inf or nan.
std::string formatFloat(float value);
std::string formatInt(int32_t value);

// A whole token in any decimal floating-point form: optional sign, digits with an optional point,
// optional exponent with any number of digits ("1e-05" and "1e-005" alike). Nothing when the token
// is not such a number or its value is not a finite float (inf, nan, 1e999). A value too small for
// a float reads as zero of its sign.
std::optional<float> parseFloat(std::string_view token);
// A whole token of decimal digits with an optional sign that fits in 32 bits.
std::optional<int32_t> parseInt(std::string_view token);
