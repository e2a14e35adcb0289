#pragma once

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"
#include "window/form1_controls.hpp"

#include <QWidget>

class QCoreApplication;
class QLineEdit;

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace rechner {

class Announcement;

// Readies the application for Form1: the name and desktop entry by which
// desktop shells match the window to its launcher, the screen-reader
// description of Form1, and Qt's own texts in German (context menus,
// accessibility actions). Returns whether the German texts were found;
// without them the program still runs, with Qt's English texts.
bool prepareApplication(QCoreApplication& app);

// The calculator's only window. It owns the calculator state and the four
// display fields; a click on a key runs that key's operation, and nothing
// else in the window runs any. After each key it tells screen readers which
// fields the key changed, and to what.
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
    void click(const ControlDescription& key);

    CalculatorState state_;
    std::vector<std::unique_ptr<DisplayField>> fieldAdapters_;
    std::unique_ptr<DisplayFields> fields_;
    ErrorReporter report_ = showErrorBox;
    Announcement* announcement_ = nullptr;   // a child, owned by the window
};

} // namespace rechner
