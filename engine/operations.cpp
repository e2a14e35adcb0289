#include "engine/operations.hpp"

#include "runtime/conversions.hpp"
#include "runtime/maths.hpp"

#include <cmath>
#include <numbers>

namespace rechner {
namespace {

constexpr std::string_view kIncomplete = "Unvollständige Eingabe!";
constexpr std::string_view kInputError = "Eingabefehler!";

// The field entry keys write into, marking the entry made.
DisplayField& entryTarget(CalculatorState& state, DisplayFields& fields)
{
    state.flg_EntryMade = true;
    if (!state.flg_Variable2Active) {
        return fields.txt_Text1;
    }
    state.flg_Variable2Entered = true;
    return fields.txt_Text2;
}

void chooseOperator(CalculatorState& state, DisplayFields& fields, std::string_view caption, Flag CalculatorState::*chosen)
{
    fields.txt_Text5.set(caption);
    state.flg_Variable2Active = true;
    state.flg_OperatorSet = true;
    state.flg_Divide = false;
    state.flg_Multiply = false;
    state.flg_Subtract = false;
    state.flg_Add = false;
    state.*chosen = true;
}

// Reads Variable 1, applies `function` and shows the result; afterwards
// entry goes on in Variable 2.
void applyToVariable1(CalculatorState& state, DisplayFields& fields, double (*function)(double))
{
    state.dbl_Variable1 = numberOfText(fields.txt_Text1.get());
    const double result = function(state.dbl_Variable1);
    fields.txt_Text3.set(textOfNumber(result));
    state.flg_Variable2Active = true;
}

} // namespace

void enterDigit(CalculatorState& state, DisplayFields& fields, int digit)
{
    DisplayField& target = entryTarget(state, fields);
    target.set(target.get() + textOfSmallInteger(static_cast<std::int16_t>(digit)));
}

void enterPoint(CalculatorState& state, DisplayFields& fields)
{
    // Same routing as a digit, but the point marks no entry.
    DisplayField& target = state.flg_Variable2Active ? fields.txt_Text2 : fields.txt_Text1;
    target.set(target.get() + ".");
}

void enterPi(CalculatorState& state, DisplayFields& fields)
{
    entryTarget(state, fields).set(textOfNumber(std::numbers::pi));
}

void chooseDivide(CalculatorState& state, DisplayFields& fields)
{
    chooseOperator(state, fields, "  /", &CalculatorState::flg_Divide);
}

void chooseMultiply(CalculatorState& state, DisplayFields& fields)
{
    chooseOperator(state, fields, "  x", &CalculatorState::flg_Multiply);
}

void chooseAdd(CalculatorState& state, DisplayFields& fields)
{
    chooseOperator(state, fields, "  +", &CalculatorState::flg_Add);
}

void minusKey(CalculatorState& state, DisplayFields& fields)
{
    if (!state.flg_EntryMade) {
        fields.txt_Text1.set("-");
        state.flg_EntryMade = true;
    } else if (!state.flg_OperatorSet) {
        chooseOperator(state, fields, "  -", &CalculatorState::flg_Subtract);
    } else {
        fields.txt_Text2.set("-");
    }
}

void evaluate(CalculatorState& state, DisplayFields& fields)
{
    state.str_Variable1 = fields.txt_Text1.get();
    state.str_Operator = fields.txt_Text5.get();
    state.str_Variable2 = fields.txt_Text2.get();
    if (state.str_Variable1.empty() || state.str_Operator.empty() || state.str_Variable2.empty()) {
        fields.txt_Text3.set(kIncomplete);
        return;
    }
    state.dbl_Variable1 = numberOfText(fields.txt_Text1.get());
    state.dbl_Variable2 = numberOfText(fields.txt_Text2.get());

    if (state.flg_Divide) {
        fields.txt_Text3.set(state.dbl_Variable2 == 0.0 ? std::string(kInputError)
                                                        : textOfNumber(state.dbl_Variable1 / state.dbl_Variable2));
        return;
    }
    // An operator typed into the operator field sets no flag: then nothing is written.
    if (state.flg_Multiply) {
        fields.txt_Text3.set(textOfNumber(state.dbl_Variable1 * state.dbl_Variable2));
    }
    if (state.flg_Subtract) {
        fields.txt_Text3.set(textOfNumber(state.dbl_Variable1 - state.dbl_Variable2));
    }
    if (state.flg_Add) {
        fields.txt_Text3.set(textOfNumber(state.dbl_Variable1 + state.dbl_Variable2));
    }
}

void square(CalculatorState& state, DisplayFields& fields)
{
    applyToVariable1(state, fields, [](double x) { return x * x; });
}

void squareRootKey(CalculatorState& state, DisplayFields& fields)
{
    applyToVariable1(state, fields, squareRoot);
}

void sineKey(CalculatorState& state, DisplayFields& fields)
{
    applyToVariable1(state, fields, sineDegrees);
}

void cosineKey(CalculatorState& state, DisplayFields& fields)
{
    applyToVariable1(state, fields, cosineDegrees);
}

void tangentKey(CalculatorState& state, DisplayFields& fields)
{
    applyToVariable1(state, fields, tangentDegrees);
}

// Every key takes the fields the same way, even one that only reads them.
// cppcheck-suppress [constParameter, constParameterReference]
void storeMemory(CalculatorState& state, DisplayFields& fields)
{
    const DisplayField& source = state.flg_Variable2Active ? fields.txt_Text3 : fields.txt_Text1;
    state.dbl_Memory = numberOfText(source.get());
}

void recallMemory(CalculatorState& state, DisplayFields& fields)
{
    entryTarget(state, fields).set(textOfNumber(state.dbl_Memory));
}

void stepBack(CalculatorState& state, DisplayFields& fields)
{
    // Three tests, each on the flags as they are when it is made.
    if (!state.flg_Variable2Active) {
        fields.txt_Text1.set("");
        state.flg_OperatorSet = false;
        state.flg_EntryMade = false;
    }
    if (!state.flg_Variable2Entered) {
        fields.txt_Text5.set("");
        state.flg_Variable2Active = false;
        state.flg_OperatorSet = false;
    } else {
        fields.txt_Text2.set("");
        state.flg_Variable2Entered = false;
        state.flg_OperatorSet = false;
    }
}

void clearAll(CalculatorState& state, DisplayFields& fields)
{
    state.flg_Variable2Active = false;
    state.flg_EntryMade = false;
    state.flg_Variable2Entered = false;
    state.flg_OperatorSet = false;
    state.flg_Divide = false;
    state.flg_Multiply = false;
    state.flg_Subtract = false;
    state.flg_Add = false;
    fields.txt_Text1.set("");
    fields.txt_Text2.set("");
    fields.txt_Text3.set("");
    fields.txt_Text5.set("");
}

void exitProgram(CalculatorState& /*state*/, DisplayFields& /*fields*/, const std::function<void()>& end)
{
    end();
}

} // namespace rechner
