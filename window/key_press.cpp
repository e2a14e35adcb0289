#include "window/key_press.hpp"

#include "engine/operations.hpp"
#include "runtime/runtime_error.hpp"
#include "window/announcement.hpp"

#include <new>
#include <stdexcept>

namespace rechner {
namespace {

// The fields' texts in the order they are announced, the window's from top
// to bottom.
FieldTexts textsOf(const DisplayFields& fields)
{
    FieldTexts texts;
    for (std::size_t i = 0; i < kFieldRoles.size(); ++i) {
        texts.at(i) = displayField(fields, kFieldRoles.at(i)).get();
    }
    return texts;
}

void restore(const DisplayFields& fields, const FieldTexts& texts)
{
    for (std::size_t i = 0; i < kFieldRoles.size(); ++i) {
        displayField(fields, kFieldRoles.at(i)).set(texts.at(i));
    }
}

} // namespace

KeyPress pressKey(const ControlDescription& key, CalculatorState& state, DisplayFields& fields)
{
    KeyPress result;
    if (!isKey(key.kind)) {
        return result;   // a field or a label has no operation to run
    }
    if (key.kind == ControlKind::ExitKey) {
        exitProgram(state, fields, [&result] { result.next = KeyPress::Next::End; });
        return result;
    }
    const FieldTexts before = textsOf(fields);
    const CalculatorState stateBefore = state;
    // Any other failure is not the calculator's: the key is undone, so that
    // nothing typed is lost, and the user is told.
    const auto undone = [&](const char* message) {
        state = stateBefore;
        restore(fields, before);
        return KeyPress{KeyPress::Next::ShowError, message};
    };
    try {
        key.operation(state, fields);
    } catch (const RuntimeError& error) {
        return {KeyPress::Next::ShowError, error.what()};   // the error box is read out instead
    } catch (const std::bad_alloc&) {
        return undone("Nicht genug Speicher für diese Eingabe.");
    } catch (const std::length_error&) {
        return undone("Nicht genug Speicher für diese Eingabe.");
    } catch (...) {
        return undone("Diese Taste ist fehlgeschlagen; alle Felder sind wie zuvor.");
    }
    result.text = announcementFor(before, textsOf(fields));
    if (!result.text.empty()) {
        result.next = KeyPress::Next::Announce;
    }
    return result;
}

} // namespace rechner
