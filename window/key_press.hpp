#pragma once

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"
#include "window/form1_controls.hpp"

#include <cstdint>
#include <string>

// What a click on a key of Form1 does, the same in every realisation of the
// window: the key's operation runs on the state and the four fields, and the
// window learns what is left for it to do.
namespace rechner {

struct KeyPress {
    enum class Next : std::uint8_t {
        Nothing,    // the key changed no field
        Announce,   // tell screen readers `text`: which fields changed, and to what
        ShowError,  // a run-time error stopped the key: show the user `text`
        End,        // the exit key: end the program with status 0
    };
    Next next = Next::Nothing;
    std::string text;
};

// Runs the key `key` (a key or the exit key of kForm1Controls; any other
// control does nothing). A run-time error stops its operation with what it
// wrote left in place; any other failure (out of memory, a text too long)
// undoes the key, state and fields. Either way the window shows the error
// and the calculator goes on.
KeyPress pressKey(const ControlDescription& key, CalculatorState& state, DisplayFields& fields);

} // namespace rechner
