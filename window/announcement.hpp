#pragma once

#include <array>
#include <string>

// What a screen reader is told after a key: which display fields the key
// changed, and to what. The same words on every platform.
namespace rechner {

// The display fields in the order they stand in the window, which is the
// order they are announced in: Variable 1, operator, Variable 2, result.
constexpr std::array<const char*, 4> kAnnouncedFields = {"txt_Text1", "txt_Text5", "txt_Text2", "txt_Text3"};

using FieldTexts = std::array<std::string, 4>;   // in the order of kAnnouncedFields

// A field's text as a synthesizer reads it well: the operator symbols as
// words, an empty field as "leer", a long text shortened as in messages.
std::string spokenText(const std::string& text);

// "Variable 1: 7", "Operator: plus, Variable 2: leer", "Alle Felder leer";
// the empty text when the key changed nothing.
std::string announcementFor(const FieldTexts& before, const FieldTexts& after);

} // namespace rechner
