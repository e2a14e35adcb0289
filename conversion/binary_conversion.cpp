#include "conversion/binary_conversion.hpp"

#include "runtime/conversions.hpp"

#include <cstdint>
#include <string>

namespace rechner {
namespace {

constexpr int kBits = 8;
// The weight of bit i (1 = leftmost): 128, 64, ..., 1.
constexpr std::int16_t weight(int i) { return static_cast<std::int16_t>(256 >> i); }

} // namespace

void decimalToBinary(CalculatorState& /*state*/, DisplayFields& fields)
{
    std::int16_t n = smallIntegerOfNumber(numberOfText(fields.txt_Text1.get()));
    if (n >= 256) {
        fields.txt_Text3.set("Zu grosse Zahl für 8 Bits!");
        return;
    }
    if (n < 0) {
        fields.txt_Text3.set("Zu kleine Zahl für 8 Bits!");
        return;
    }
    std::string bits;
    for (int i = 1; i <= kBits; ++i) {
        if (n < weight(i)) {
            bits += textOfSmallInteger(0);
        } else {
            bits += textOfSmallInteger(1);
            n = static_cast<std::int16_t>(n - weight(i));
        }
    }
    fields.txt_Text3.set(bits);
}

void binaryToDecimal(CalculatorState& /*state*/, DisplayFields& fields)
{
    const std::string text = fields.txt_Text1.get();
    if (numberOfText(text) > 11111111.0) {
        fields.txt_Text3.set("Zu grosse Eingabe für 8 Bits!");
        return;
    }
    // Only the first eight characters count, and each must be a binary digit.
    std::int16_t value = 0;
    for (int i = 1; i <= kBits; ++i) {
        const std::string c = characterAt(text, static_cast<std::size_t>(i));
        if (c != "0" && c != "1") {
            fields.txt_Text3.set("Eingabefehler!");
            return;
        }
        if (c == "1") {
            value = static_cast<std::int16_t>(value + weight(i));
        }
    }
    fields.txt_Text3.set(textOfSmallInteger(value));
}

} // namespace rechner
