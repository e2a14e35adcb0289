// What a key press tells the window, on plain text fields: the shared
// announcement table, and each kind of answer a key can give.

#include "keypad.hpp"
#include "window/design.hpp"
#include "window/form1_controls.hpp"
#include "window/key_press.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

using namespace rechner;
using rechner::testing::AnnouncedRow;
using rechner::testing::kAnnounced;
using rechner::testing::Keypad;
using rechner::testing::Step;
using rechner::testing::stepOf;

namespace {

// A key that fails as no calculator key should: it writes into Variable 1
// and moves the entry to Variable 2, then throws.
template <typename Failure>
void failing(CalculatorState& state, DisplayFields& fields)
{
    fields.txt_Text1.set("halb");
    state.flg_Variable2Active = true;
    if constexpr (std::is_default_constructible_v<Failure>) {
        throw Failure();
    } else {
        throw Failure("test");
    }
}

const std::map<std::string, ControlDescription> kFailingKeys = {
    {"!bad_alloc", {ControlKind::Key, "", "", 0, 0, 0, 0, {}, "", failing<std::bad_alloc>}},
    {"!length_error", {ControlKind::Key, "", "", 0, 0, 0, 0, {}, "", failing<std::length_error>}},
    {"!logic_error", {ControlKind::Key, "", "", 0, 0, 0, 0, {}, "", failing<std::logic_error>}},
};

// The tests' steps (stepOf), pressed through the controller; "!failure"
// presses a key that throws that failure.
KeyPress step(Keypad& pad, const std::string& step)
{
    if (step[0] == '!') {
        return pressKey(kFailingKeys.at(step), pad.state, pad.text.fields);
    }
    const Step s = stepOf(step);
    if (s.fill) {
        pad.step(step);
        return {};
    }
    return pressKey(*s.control, pad.state, pad.text.fields);
}

} // namespace

TEST(KeyPress, AnnouncesWhatEachKeyChanged)
{
    for (const AnnouncedRow& row : kAnnounced) {
        Keypad pad;
        std::string heard;
        for (const auto& s : row.steps) {
            if (const KeyPress done = step(pad, s); done.next == KeyPress::Next::Announce) {
                heard += (heard.empty() ? "" : " | ") + done.text;
            }
        }
        EXPECT_EQ(heard, row.heard) << row.steps[0];
    }
}

TEST(KeyPress, TellsTheWindowWhatIsLeftToDo)
{
    struct Row {
        std::vector<std::string> steps;   // what the last one answers counts
        KeyPress::Next next;
        std::string text;
        std::string variable1;            // and what Variable 1 shows then
    };
    const std::vector<Row> rows = {
        {{"7"}, KeyPress::Next::Announce, "Variable 1: 7", "7"},
        {{"löschen"}, KeyPress::Next::Nothing, "", ""},
        {{"R > M"}, KeyPress::Next::ShowError, "Keine Zahl: Das Feld ist leer.", ""},
        {{"@1:12,5", "sqrt"}, KeyPress::Next::ShowError, "Keine Zahl: „12,5“ (Dezimaltrennzeichen ist der Punkt)", "12,5"},
        {{"-", "4", "sqrt"}, KeyPress::Next::ShowError, "Ungültiges Argument: Quadratwurzel von -4", "-4"},
        {{"@1:40000", "Umrechnung in Binär"}, KeyPress::Next::ShowError,
         "Überlauf: 40000 liegt außerhalb von -32768 bis 32767", "40000"},
        {{"7", "Exit"}, KeyPress::Next::End, "", "7"},
        // Failures that are not the calculator's undo the key, state and fields.
        {{"7", "!bad_alloc"}, KeyPress::Next::ShowError, "Nicht genug Speicher für diese Eingabe.", "7"},
        {{"7", "!length_error"}, KeyPress::Next::ShowError, "Nicht genug Speicher für diese Eingabe.", "7"},
        {{"7", "!logic_error"}, KeyPress::Next::ShowError,
         "Diese Taste ist fehlgeschlagen; alle Felder sind wie zuvor.", "7"},
        {{"7", "!bad_alloc", "8"}, KeyPress::Next::Announce, "Variable 1: 78", "78"},
        // A field or a label pressed as if it were a key does nothing.
        {{"7", "txt_Text1"}, KeyPress::Next::Nothing, "", "7"},
        {{"7", "Label4"}, KeyPress::Next::Nothing, "", "7"},
    };
    for (const Row& row : rows) {
        Keypad pad;
        KeyPress done;
        for (const auto& s : row.steps) {
            done = step(pad, s);
        }
        EXPECT_EQ(done.next, row.next) << row.steps.back();
        EXPECT_EQ(done.text, row.text) << row.steps.back();
        EXPECT_EQ(pad.text.text1.get(), row.variable1) << row.steps.back();
    }
}
