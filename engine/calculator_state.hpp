#pragma once

#include <cstdint>
#include <string>

namespace rechner {

// A 16-bit truth value that only ever holds True (-1) or False (0).
class Flag {
public:
    static constexpr std::int16_t True = -1;
    static constexpr std::int16_t False = 0;

    constexpr Flag() noexcept = default;
    // Implicit, so that a flag is set with `flag = true`.
    // cppcheck-suppress noExplicitConstructor
    constexpr Flag(bool on) noexcept : value_(on ? True : False) {}   // NOLINT(google-explicit-constructor)

    constexpr explicit operator bool() const noexcept { return value_ != False; }
    constexpr std::int16_t value() const noexcept { return value_; }
    constexpr bool operator==(const Flag&) const noexcept = default;

private:
    std::int16_t value_ = False;
};

// Everything the keys share while the window lives. Starts zeroed; only
// "löschen" resets all flags at once (step back resets some of them), and
// nothing resets the numbers or the text copies.
struct CalculatorState {
    Flag flg_Variable2Active;    // entry goes into Variable 2
    Flag flg_EntryMade;          // an operand entry has been made
    Flag flg_Variable2Entered;   // a digit, "Pi" or "R < M" wrote into Variable 2
    Flag flg_OperatorSet;        // an operator key was accepted and not stepped back
    Flag flg_Divide;
    Flag flg_Multiply;
    Flag flg_Subtract;
    Flag flg_Add;
    double dbl_Variable1 = 0.0;
    double dbl_Variable2 = 0.0;
    double dbl_Memory = 0.0;
    std::string str_Variable1;
    std::string str_Operator;
    std::string str_Variable2;
};

} // namespace rechner
