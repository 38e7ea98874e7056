#include "scenefile/number_format.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// from_chars rejects a leading '+', which the file format allows; a second sign stays an error.
std::string_view withoutPlus(std::string_view token) {
    if (token.size() > 1 && token[0] == '+' && token[1] != '-' && token[1] != '+') {
        token.remove_prefix(1);
    }
    return token;
}

}  // namespace

std::string formatFloat(float value) {
    // to_chars never consults the locale. Its exponent has at least two digits; the file format
    // wants at least three, so the digits are padded afterwards.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    std::string text(buffer, result.ptr);
    const size_t e = text.find('e');
    if (e != std::string::npos && e + 2 <= text.size()) {
        const size_t digits = text.size() - (e + 2);  // after 'e' and the sign
        if (digits < 3) {
            text.insert(e + 2, 3 - digits, '0');
        }
    }
    return text;
}

std::string formatInt(int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::optional<float> parseFloat(std::string_view token) {
    token = withoutPlus(token);
    const char* first = token.data();
    const char* last = first + token.size();
    float value = 0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ptr != last || token.empty()) {
        return std::nullopt;
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Out of float range in either direction. Too small is harmless (it is zero to float
        // precision); too large has no float value and makes the token unusable.
        long double wide = 0;
        const auto again = std::from_chars(first, last, wide, std::chars_format::general);
        if (again.ec != std::errc() || !(std::fabs(wide) < 1.0)) {
            return std::nullopt;
        }
        return std::signbit(wide) ? -0.0f : 0.0f;
    }
    if (result.ec != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int32_t> parseInt(std::string_view token) {
    token = withoutPlus(token);
    const char* first = token.data();
    const char* last = first + token.size();
    int32_t value = 0;
    const auto result = std::from_chars(first, last, value);
    if (token.empty() || result.ec != std::errc() || result.ptr != last) {
        return std::nullopt;
    }
    return value;
}
