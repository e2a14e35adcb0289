#pragma once

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"

// The two conversion keys: Variable 1 between decimal and 8-bit binary
// notation, result or message into the result field. Neither uses or
// changes the calculator state; they take it only to be called like the
// other keys.
namespace rechner {

// Rounds Variable 1 to an integer (halves to even) and writes its eight
// binary digits, most significant first.
void decimalToBinary(CalculatorState& state, DisplayFields& fields);

// Reads the first eight characters of Variable 1 as binary digits, the
// leftmost weighing 128, and writes the decimal value.
void binaryToDecimal(CalculatorState& state, DisplayFields& fields);

} // namespace rechner
