#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Conversions between field texts and numbers. All of them ignore the
// process locale: the decimal separator is always the full stop.
namespace rechner {

// The number of a text: optional blanks around, optional sign, digits with at
// most one point, optional exponent ("1E+20"); also "∞", "+∞", "-∞" and "NaN".
// Anything else raises a conversion error, a finite value beyond the range of
// a double an overflow error; a value too small for a double becomes 0.
double numberOfText(std::string_view text);

// The text of a number with at most 15 significant digits, as C's "%.15G"
// in the "C" locale: "12", "0.333333333333333", "1E-05", "-8.45E-11".
// Negative zero gives "0", infinities "∞" and "-∞", NaN "NaN".
std::string textOfNumber(double value);

// Rounds to the nearest integer, halves to the even neighbour; an overflow
// error outside -32768 to 32767, and for NaN and infinities.
std::int16_t smallIntegerOfNumber(double value);

std::string textOfSmallInteger(std::int16_t value);

// The Unicode character at a 1-based position of a UTF-8 text, or the empty
// text past its end. A byte that starts no valid UTF-8 sequence counts as
// one character.
std::string characterAt(std::string_view text, std::size_t position);

// A text quoted for a message: whole when it has at most 40 characters,
// otherwise its first 40, "…" and its length ("„12345…“ (1000 Zeichen)"),
// so that a message stays short whatever was typed or pasted.
std::string quotedForMessage(std::string_view text);

} // namespace rechner
