#pragma once

// How the tests name keys and steps, one vocabulary for every test program:
// keys by the description's names or captions, typed texts straight into a
// field; and the core driven the way the window drives it.

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"
#include "window/form1_controls.hpp"

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rechner::testing {

// A field that is just a text in memory, for running the keys without a window.
class TextField final : public DisplayField {
public:
    TextField() = default;
    explicit TextField(std::string text) : text_(std::move(text)) {}
    std::string get() const override { return text_; }
    void set(std::string_view text) override { text_ = text; }

private:
    std::string text_;
};

// Four in-memory fields together with their DisplayFields view.
struct TextFields {
    TextField text1, text2, text3, text5;
    DisplayFields fields{text1, text2, text3, text5};

    TextFields() = default;
    TextFields(const TextFields&) = delete;
    TextFields& operator=(const TextFields&) = delete;
};

// The control a test names: any control of the description by its name
// (txt_Text1, cm_Command13), a key also by its caption, compared with its
// blanks collapsed ("Schritt zurück" for " Schritt   zurück"); nullptr for
// a name that names none.
inline const ControlDescription* namedControl(std::string_view name)
{
    const auto collapsed = [](std::string_view text) {
        std::string words;
        for (const char c : text) {
            if (c != ' ') {
                words += c;
            } else if (!words.empty() && words.back() != ' ') {
                words += ' ';
            }
        }
        if (!words.empty() && words.back() == ' ') words.pop_back();
        return words;
    };
    for (const ControlDescription& c : kForm1Controls) {
        if (name == c.name || (isKey(c.kind) && collapsed(name) == collapsed(c.caption))) return &c;
    }
    return nullptr;
}

// Every key the core alone can press, by name: all but the exit key.
inline const std::vector<std::string>& coreKeys()
{
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        for (const ControlDescription& c : kForm1Controls) {
            if (c.kind == ControlKind::Key) k.emplace_back(c.name);
        }
        return k;
    }();
    return keys;
}

// One step of a test, the same in every test program: "@N:text" (N is 1, 2,
// 3 or 5) puts `text` into field txt_TextN in place of what it held;
// anything else names a control (namedControl), which is pressed.
struct Step {
    const ControlDescription* control = nullptr;   // the one pressed, or the field filled
    bool fill = false;
    std::string text;                              // what the field is to hold
};

inline Step stepOf(std::string_view step)
{
    if (step.size() >= 3 && step[0] == '@' && step[2] == ':') {
        const ControlDescription* field = namedControl(std::string("txt_Text") + step[1]);
        if (field == nullptr) throw std::invalid_argument("no field " + std::string(step));
        return {field, true, std::string(step.substr(3))};
    }
    const ControlDescription* control = namedControl(step);
    if (control == nullptr) throw std::invalid_argument("no key " + std::string(step));
    return {control, false, {}};
}

using Shown = std::array<std::string, 4>;   // txt_Text1, txt_Text2, txt_Text3, txt_Text5

struct Keypad {
    CalculatorState state;
    TextFields text;

    // A step (stepOf) on the core alone.
    void step(std::string_view step)
    {
        const Step s = stepOf(step);
        if (s.fill) {
            displayField(text.fields, s.control->role).set(s.text);
        } else if (s.control->operation != nullptr) {
            s.control->operation(state, text.fields);
        } else {
            throw std::invalid_argument("not a key of the core: " + std::string(step));
        }
    }

    void press(const std::vector<std::string>& steps)
    {
        for (const auto& step : steps) {
            this->step(step);
        }
    }

    Shown shown() const { return {text.text1.get(), text.text2.get(), text.text3.get(), text.text5.get()}; }
};

// What must hold after any key: at most one operator flag, and an accepted
// operator always has its flag. Returns the broken rule, or an empty text.
inline std::string brokenInvariant(const CalculatorState& s)
{
    const int operators = (s.flg_Divide ? 1 : 0) + (s.flg_Multiply ? 1 : 0) + (s.flg_Subtract ? 1 : 0) + (s.flg_Add ? 1 : 0);
    if (operators > 1) {
        return std::to_string(operators) + " operator flags are set";
    }
    if (s.flg_OperatorSet && operators != 1) {
        return "operator set without an operator flag";
    }
    return {};
}

} // namespace rechner::testing
