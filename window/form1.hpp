#pragma once

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace rechner {

// The calculator's only window. It owns the calculator state and the four
// display fields; a click on a key runs that key's operation, and nothing
// else in the window runs any.
class Form1 : public QWidget {
public:
    // Shows a run-time error to the user; by default a modal message box.
    using ErrorReporter = std::function<void(QWidget* parent, const QString& message)>;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    void setErrorReporter(ErrorReporter reporter) { report_ = std::move(reporter); }

    const CalculatorState& state() const { return state_; }

    static void showErrorBox(QWidget* parent, const QString& message);

private:
    void run(const std::function<void()>& operation);

    CalculatorState state_;
    std::vector<std::unique_ptr<DisplayField>> fieldAdapters_;
    std::unique_ptr<DisplayFields> fields_;
    ErrorReporter report_ = showErrorBox;
};

} // namespace rechner
