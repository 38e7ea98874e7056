#include "interact/typed_values.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace {

struct Reading {
    NumberProblem problem = NumberProblem::None;
    float value = 0;
};

Reading readNumber(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars would take "inf" and "nan"; a number here starts with a digit or a point.
    if (text.empty() && !negative) {
        return {NumberProblem::Empty};
    }
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.')) {
        return {NumberProblem::NotANumber};
    }
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (stop != end || (error != std::errc() && error != std::errc::result_out_of_range)) {
        return {NumberProblem::NotANumber};
    }
    if (error == std::errc::result_out_of_range) {
        // Too small for a double reads as 0; too large is no number that fits.
        const size_t exponent = text.find_first_of("eE");
        if (exponent == std::string_view::npos || exponent + 1 >= text.size() ||
            text[exponent + 1] != '-') {
            return {NumberProblem::TooLarge};
        }
        value = 0;
    }
    const float single = static_cast<float>(negative ? -value : value);
    if (!std::isfinite(single)) {
        return {NumberProblem::TooLarge};
    }
    return {NumberProblem::None, single};
}

}  // namespace

std::optional<float> readTypedNumber(std::string_view text) {
    const Reading reading = readNumber(text);
    if (reading.problem != NumberProblem::None) {
        return std::nullopt;
    }
    return reading.value;
}

NumberProblem typedNumberProblem(std::string_view text) {
    return readNumber(text).problem;
}

const char* typedEditName(TypedEdit edit) {
    switch (edit) {
        case TypedEdit::MoveTo:
            return "Move to";
        case TypedEdit::TurnBy:
            return "Turn by";
        case TypedEdit::ScaleBy:
            return "Scale by";
    }
    return "";
}

TypedTriple readTypedEdit(TypedEdit edit, const std::array<std::string, 3>& fields, bool uniform) {
    static const char* const AXES[3] = {"X", "Y", "Z"};
    TypedTriple triple;
    const std::string name = typedEditName(edit);
    const bool oneField = uniform && edit == TypedEdit::ScaleBy;
    for (int i = 0; i < 3; ++i) {
        const std::string& field = fields[oneField ? 0 : i];
        const std::string what = oneField ? std::string("the factor") : AXES[i];
        const std::optional<float> value = readTypedNumber(field);
        if (!value) {
            const NumberProblem problem = typedNumberProblem(field);
            triple.refusal = name + ": " + what +
                             (problem == NumberProblem::Empty      ? " is empty"
                              : problem == NumberProblem::TooLarge ? " is too large"
                                                                   : " is not a number");
            return triple;
        }
        if (edit == TypedEdit::ScaleBy && *value == 0.0f) {
            triple.refusal = name + ": a factor of 0 would flatten the selection";
            return triple;
        }
        triple.values[i] = *value;
    }
    return triple;
}
