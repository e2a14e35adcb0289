#include "window/key_press.hpp"

#include "engine/operations.hpp"
#include "runtime/runtime_error.hpp"
#include "window/announcement.hpp"

namespace rechner {
namespace {

// The fields' texts in the order they are announced, the window's from top
// to bottom.
FieldTexts textsOf(const DisplayFields& fields)
{
    return {fields.txt_Text1.get(), fields.txt_Text5.get(), fields.txt_Text2.get(), fields.txt_Text3.get()};
}

} // namespace

KeyPress pressKey(const ControlDescription& key, CalculatorState& state, DisplayFields& fields)
{
    KeyPress result;
    if (key.kind == ControlKind::ExitKey) {
        exitProgram(state, fields, [&result] { result.next = KeyPress::Next::End; });
        return result;
    }
    const FieldTexts before = textsOf(fields);
    try {
        key.operation(state, fields);
    } catch (const RuntimeError& error) {
        return {KeyPress::Next::ShowError, error.what()};   // the error box is read out instead
    }
    result.text = announcementFor(before, textsOf(fields));
    if (!result.text.empty()) {
        result.next = KeyPress::Next::Announce;
    }
    return result;
}

} // namespace rechner
