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

// What a display field is for; a label has the role of the field it names.
enum class FieldRole : std::uint8_t { None, Variable1, Operator, Variable2, Result };

// The display fields in the order they stand in the window, top to bottom,
// which is the order screen readers are told of them in.
constexpr std::array<FieldRole, 4> kFieldRoles = {FieldRole::Variable1, FieldRole::Operator, FieldRole::Variable2,
                                                  FieldRole::Result};

struct ControlDescription {
    ControlKind kind;
    const char* name;
    const char* caption;
    int left, top, width, height;   // twips
    FontDescription font;
    const char* accessibleName;
    KeyOperation operation;         // a key's; nullptr for the other kinds
    FieldRole role = FieldRole::None;   // a display field's, or that of the field a label names
};

constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidthTwips = 8220;
constexpr int kClientHeightTwips = 7590;

extern const std::array<ControlDescription, 38> kForm1Controls;

// The text field with that role.
const ControlDescription& fieldControl(FieldRole role);

// The field with that role among a window's DisplayFields.
DisplayField& displayField(const DisplayFields& fields, FieldRole role);

} // namespace rechner
