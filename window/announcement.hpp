#pragma once

#include <array>
#include <string>

// What a screen reader is told after a key: which display fields the key
// changed, and to what. The same words on every platform.
namespace rechner {

using FieldTexts = std::array<std::string, 4>;   // in the order of kFieldRoles, the window's

// A field's text as a synthesizer reads it well: the operator symbols as
// words, an empty field as "leer", a long text shortened as in messages.
std::string spokenText(const std::string& text);

// "Variable 1: 7", "Operator: plus, Variable 2: leer", "Alle Felder leer";
// the empty text when the key changed nothing.
std::string announcementFor(const FieldTexts& before, const FieldTexts& after);

} // namespace rechner
