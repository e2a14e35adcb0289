#pragma once

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"

#include <functional>

// One operation per key. Each works only on the state and the four fields;
// a failed conversion or maths step raises rechner::RuntimeError, which
// stops the operation with whatever it already wrote left in place.
namespace rechner {

// Digit keys "0" to "9", the point and "Pi": into Variable 1, or into
// Variable 2 once an operator or a one-operand function was chosen.
void enterDigit(CalculatorState& state, DisplayFields& fields, int digit);
void enterPoint(CalculatorState& state, DisplayFields& fields);
void enterPi(CalculatorState& state, DisplayFields& fields);

// Operator keys and "=".
void chooseDivide(CalculatorState& state, DisplayFields& fields);
void chooseMultiply(CalculatorState& state, DisplayFields& fields);
void chooseAdd(CalculatorState& state, DisplayFields& fields);
// "-": sign of Variable 1, subtraction, or sign of Variable 2.
void minusKey(CalculatorState& state, DisplayFields& fields);
void evaluate(CalculatorState& state, DisplayFields& fields);

// One-operand functions of Variable 1, written straight into the result.
void square(CalculatorState& state, DisplayFields& fields);
void squareRootKey(CalculatorState& state, DisplayFields& fields);
void sineKey(CalculatorState& state, DisplayFields& fields);
void cosineKey(CalculatorState& state, DisplayFields& fields);
void tangentKey(CalculatorState& state, DisplayFields& fields);

// Memory, step back, clear and exit.
void storeMemory(CalculatorState& state, DisplayFields& fields);
void recallMemory(CalculatorState& state, DisplayFields& fields);
void stepBack(CalculatorState& state, DisplayFields& fields);
void clearAll(CalculatorState& state, DisplayFields& fields);
// Runs the end operation the caller supplies (the window quits with it).
void exitProgram(CalculatorState& state, DisplayFields& fields, const std::function<void()>& end);

} // namespace rechner
