#pragma once

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"
#include "window/form1_controls.hpp"

#include <string>
#include <string_view>

namespace rechner {

// What every realisation of Form1 shares: the calculator state, the four
// display fields over the realisation's own text fields, and what a click
// on a key leads to. A realisation gives its text fields' texts and its
// ways to tell screen readers, to show an error and to end.
class Form1Keys {
public:
    Form1Keys(const Form1Keys&) = delete;
    Form1Keys& operator=(const Form1Keys&) = delete;

    const CalculatorState& state() const { return state_; }

    // A click on `key` (pressKey): its operation runs, then the window
    // announces what changed, shows the error, or ends.
    void click(const ControlDescription& key);

protected:
    Form1Keys() = default;
    virtual ~Form1Keys() = default;

private:
    // The realisation's side. `field` is the description of a text field.
    virtual std::string fieldText(const ControlDescription& field) const = 0;
    virtual void setFieldText(const ControlDescription& field, std::string_view text) = 0;
    virtual void announce(const std::string& text) = 0;
    virtual void showError(const std::string& message) = 0;
    virtual void end() = 0;   // the exit key: the program ends with status 0

    // A text field of the realisation as the keys see it.
    class Field final : public DisplayField {
    public:
        Field(Form1Keys& form, FieldRole role) : form_(form), control_(fieldControl(role)) {}
        std::string get() const override { return form_.fieldText(control_); }
        void set(std::string_view text) override { form_.setFieldText(control_, text); }

    private:
        Form1Keys& form_;
        const ControlDescription& control_;
    };

    CalculatorState state_;
    Field variable1_{*this, FieldRole::Variable1};
    Field variable2_{*this, FieldRole::Variable2};
    Field result_{*this, FieldRole::Result};
    Field operator_{*this, FieldRole::Operator};
    DisplayFields fields_{variable1_, variable2_, result_, operator_};
};

} // namespace rechner
