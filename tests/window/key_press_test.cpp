// What a key press tells the window, on plain text fields: the shared
// announcement table, and each kind of answer a key can give.

#include "keypad.hpp"
#include "window/design.hpp"
#include "window/form1_controls.hpp"
#include "window/form1_layout.hpp"
#include "window/key_press.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// The layout's scale for what the toolkit measured of the captions in the
// default font; the key of "Umrechnung in Dezimal" is 153 x 25 pixels at
// 96 dpi, the credit line 17 pixels high.
TEST(LayoutScale, GrowsForTheCaptionsWithinTheScreen)
{
    struct Row {
        const char* what;
        std::vector<CaptionNeed> needs;
        double least, most;
        int dpi;        // the layout's
        double font;    // the default font's factor
    };
    const CaptionNeed fits{2295, 375, 144, 14, 8, 6};
    const std::vector<Row> rows = {
        {"captions that fit", {fits}, 1.0, 4.0, 96, 1.0},
        {"fitting to the pixel", {{2295, 375, 145, 14, 8, 6}}, 1.0, 4.0, 96, 1.0},
        {"one pixel too wide", {{2295, 375, 146, 14, 8, 6}}, 1.0, 4.0, 97, 1.0},
        {"too wide by a tenth", {fits, {2295, 375, 160, 14, 8, 6}}, 1.0, 4.0, 106, 1.0},
        {"too high", {{5295, 255, 200, 21, 0, 0}, fits}, 1.0, 4.0, 119, 1.0},
        {"the DPI asks more", {{2295, 375, 160, 14, 8, 6}}, 2.0, 4.0, 192, 1.0},
        {"a screen too small", {{2295, 375, 298, 14, 8, 6}}, 1.0, 1.25, 120, (153 * 1.25 - 8) / 298},
        {"a screen smaller than the DPI", {fits}, 1.5, 1.0, 144, 1.0},
    };
    for (const Row& row : rows) {
        const LayoutScale scale = layoutScale(row.needs, row.least, row.most);
        EXPECT_EQ(scale.dpi(), row.dpi) << row.what;
        EXPECT_DOUBLE_EQ(scale.layout, row.dpi / 96.0) << row.what;
        EXPECT_NEAR(scale.font, row.font, 1e-9) << row.what;
    }
    EXPECT_EQ(scaledPixels(735, 106), 54);   // 54.1
    EXPECT_EQ(scaledPixels(375, 106), 28);   // 27.6
}

// A font whose width shrinks less than its size, on a screen too small: it
// is measured anew until the caption fits.
TEST(LayoutScale, ShrinksTheFontUntilTheCaptionsFit)
{
    std::vector<double> measured;
    const auto measure = [&measured](double font) {
        measured.push_back(font);
        return std::vector<CaptionNeed>{{2295, 375, 298 * std::pow(font, 0.8), 14 * font, 8, 6}};
    };
    const LayoutScale scale = fitLayout(measure, 1.0, 1.25);
    EXPECT_GE(scale.dpi(), 118);   // as large as the screen allows, or nearly
    EXPECT_LE(scale.dpi(), 120);
    EXPECT_GT(measured.size(), 1U);
    EXPECT_LE(298 * std::pow(scale.font, 0.8) + 8, 153 * scale.layout);
    EXPECT_GT(298 * std::pow(scale.font, 0.8) + 8, 153 * 1.25 * 0.95);   // not made smaller than it needs
    measured.clear();
    EXPECT_EQ(fitLayout(measure, 1.0, 4.0).font, 1.0);
    EXPECT_EQ(measured, std::vector<double>{1.0});   // measured once where the screen is large enough
}
