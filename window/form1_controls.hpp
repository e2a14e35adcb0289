#pragma once

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"

#include <array>
#include <cstdint>

// The description of the window Form1: every control in tab order, with its
// place and size in twips (15 twips are one pixel at 96 dots per inch), its
// font and, for a key, the operation its click runs.
namespace rechner {

// A key runs its operation of the calculator; the exit key ends the program.
enum class ControlKind : std::uint8_t { TextField, Key, ExitKey, Label };

constexpr bool isKey(ControlKind kind) { return kind == ControlKind::Key || kind == ControlKind::ExitKey; }

struct FontDescription {
    const char* family;   // nullptr: the window's default user-interface font
    double points;
    bool bold;
};

using KeyOperation = void (*)(CalculatorState&, DisplayFields&);

struct ControlDescription {
    ControlKind kind;
    const char* name;
    const char* caption;
    int left, top, width, height;   // twips
    FontDescription font;
    const char* accessibleName;
    KeyOperation operation;         // a key's; nullptr for the other kinds
};

constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidthTwips = 8220;
constexpr int kClientHeightTwips = 7590;

extern const std::array<ControlDescription, 38> kForm1Controls;

} // namespace rechner
