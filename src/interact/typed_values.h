#pragma once

// The numbers typed into the Objects window for "Move to", "Turn by" and "Scale by": read in
// the C locale whatever the user's locale is, and refused with a reason the window shows when
// they cannot be used.

#include <array>
#include <optional>
#include <string>
#include <string_view>

// A whole field as one finite number that single precision can hold: optional spaces, an
// optional sign, digits with "." as the decimal point, an optional exponent ("1.5e3").
// Nothing else may follow; "inf", "nan" and hexadecimal are no numbers here.
std::optional<float> readTypedNumber(std::string_view text);

// Why a field is no such number.
enum class NumberProblem { None, Empty, NotANumber, TooLarge };
NumberProblem typedNumberProblem(std::string_view text);

enum class TypedEdit { MoveTo, TurnBy, ScaleBy };

// Three values for X, Y and Z, or why they are refused (for example "Move to: Y is not a
// number", "Scale by: a factor of 0 would flatten the selection").
struct TypedTriple {
    std::array<float, 3> values{0, 0, 0};
    std::string refusal;  // empty when the values can be used
};

// Reads the fields of one edit. With `uniform` (Scale by only) the X field alone gives all three
// factors.
TypedTriple readTypedEdit(TypedEdit edit, const std::array<std::string, 3>& fields,
                          bool uniform = false);

// The edit's name as the window shows it: "Move to", "Turn by", "Scale by".
const char* typedEditName(TypedEdit edit);
