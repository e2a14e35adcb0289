#include "runtime/conversions.hpp"

#include "runtime/runtime_error.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace rechner {
namespace {

constexpr std::string_view kInfinity = "∞";
constexpr std::string_view kNaN = "NaN";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Checks the number syntax of `body` (no sign, no blanks) and returns the
// decimal exponent of its leading digit plus one, so that a value whose
// parse is out of range can be told apart: above 0 it was too large, else
// too small. Returns nothing for a text that is no number.
struct Syntax {
    bool valid = false;
    long magnitude = 0;
};

Syntax checkSyntax(std::string_view body)
{
    std::size_t i = 0;
    long integerDigits = 0;
    long leadingFractionZeros = 0;
    bool seenPoint = false;
    bool seenNonZero = false;
    int digits = 0;
    for (; i < body.size(); ++i) {
        const char c = body[i];
        if (isDigit(c)) {
            ++digits;
            if (c != '0') {
                seenNonZero = true;
            }
            if (!seenPoint && seenNonZero) {
                ++integerDigits;
            } else if (seenPoint && !seenNonZero) {
                ++leadingFractionZeros;
            }
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (digits == 0) {
        return {};
    }
    long exponent = 0;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) {
            negative = body[i] == '-';
            ++i;
        }
        int exponentDigits = 0;
        for (; i < body.size() && isDigit(body[i]); ++i) {
            ++exponentDigits;
            if (exponent < 1'000'000) {   // saturate: only the sign of the magnitude matters
                exponent = exponent * 10 + (body[i] - '0');
            }
        }
        if (exponentDigits == 0) {
            return {};
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    if (i != body.size()) {
        return {};
    }
    const long leading = integerDigits > 0 ? integerDigits : -leadingFractionZeros;
    return {true, leading + exponent};
}

// The text of the largest double, 1.79769313486232E+308, lies just above it:
// read a text up to it as the largest double, so that every text written
// reads back. Decided on the decimal digits, since not every platform has a
// floating type wider than double (Windows' long double reads as double).
bool roundsToLargestDouble(std::string_view body, long magnitude)
{
    constexpr long kLargestMagnitude = 309;
    constexpr std::string_view kLargestDigits = "179769313486232";
    if (magnitude != kLargestMagnitude) {
        return false;
    }
    std::string digits;
    for (const char c : body.substr(0, body.find_first_of("eE"))) {
        if (isDigit(c) && (c != '0' || !digits.empty())) {
            digits += c;
        }
    }
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
    }
    // Of two digit strings of the same magnitude, the greater number sorts last.
    return digits <= kLargestDigits;
}

} // namespace

double numberOfText(std::string_view text)
{
    const std::string_view t = trimBlanks(text);
    bool negative = false;
    std::string_view body = t;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (body == kInfinity) {
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    if (t == kNaN) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const Syntax syntax = checkSyntax(body);
    if (!syntax.valid) {
        throwConversionError(std::string(text));
    }
    double value = 0.0;
    const auto result = std::from_chars(body.data(), body.data() + body.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        if (syntax.magnitude <= 0) {
            value = 0.0;   // too small for a double
        } else if (roundsToLargestDouble(body, syntax.magnitude)) {
            value = std::numeric_limits<double>::max();
        } else {
            throwOverflowError(quotedForMessage(t), "des Zahlenbereichs");
        }
    } else if (result.ec != std::errc() || result.ptr != body.data() + body.size()) {
        throwConversionError(std::string(text));
    }
    return negative ? -value : value;
}

std::string textOfNumber(double value)
{
    if (std::isnan(value)) {
        return std::string(kNaN);
    }
    if (std::isinf(value)) {
        return value < 0 ? "-" + std::string(kInfinity) : std::string(kInfinity);
    }
    if (value == 0.0) {
        return "0";   // also for negative zero
    }
    constexpr int kSignificant = 15;
    // "-d.ddddddddddddddE-308" fits comfortably.
    std::array<char, 40> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific, kSignificant - 1);
    const std::string_view scientific(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));

    const auto e = scientific.find('e');
    std::string_view mantissa = scientific.substr(0, e);
    const bool negative = mantissa.front() == '-';
    if (negative) {
        mantissa.remove_prefix(1);
    }
    int exponent = 0;
    const std::string_view exponentText = scientific.substr(e + 1);
    std::from_chars(exponentText.data() + (exponentText.front() == '+' ? 1 : 0),
                    exponentText.data() + exponentText.size(), exponent);

    // The significant digits without the point, trailing zeros dropped.
    std::string digits;
    for (const char c : mantissa) {
        if (c != '.') {
            digits += c;
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    std::string out = negative ? "-" : "";
    if (exponent < -4 || exponent >= kSignificant) {
        out += digits.front();
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += exponent < 0 ? "E-" : "E+";
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) {
            out += '0';
        }
        out += std::to_string(magnitude);
    } else if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integerDigits) {
            out += digits;
            out.append(integerDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, integerDigits);
            out += '.';
            out.append(digits, integerDigits);
        }
    }
    return out;
}

std::int16_t smallIntegerOfNumber(double value)
{
    double rounded = std::round(value);   // halves away from zero ...
    if (std::fabs(value - std::trunc(value)) == 0.5) {
        rounded = 2.0 * std::round(value / 2.0);   // ... except halves go to the even neighbour
    }
    if (std::isnan(rounded) || rounded < -32768.0 || rounded > 32767.0) {
        throwOverflowError(textOfNumber(value), "von -32768 bis 32767");
    }
    return static_cast<std::int16_t>(rounded);
}

std::string textOfSmallInteger(std::int16_t value)
{
    return std::to_string(value);
}

namespace {

// The length in bytes of the UTF-8 character that starts at byte i. A
// truncated or malformed sequence counts byte by byte.
std::size_t characterLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

} // namespace

std::string characterAt(std::string_view text, std::size_t position)
{
    std::size_t index = 1;
    for (std::size_t i = 0; i < text.size(); i += characterLength(text, i), ++index) {
        if (index == position) {
            return std::string(text.substr(i, characterLength(text, i)));
        }
    }
    return {};
}

std::string quotedForMessage(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    std::size_t characters = 0;
    std::size_t shownBytes = 0;
    for (std::size_t i = 0; i < text.size(); i += characterLength(text, i)) {
        if (++characters == kShown) {
            shownBytes = i + characterLength(text, i);
        }
    }
    if (characters <= kShown) {
        return "„" + std::string(text) + "“";
    }
    return "„" + std::string(text.substr(0, shownBytes)) + "…“ (" + std::to_string(characters) + " Zeichen)";
}

} // namespace rechner
