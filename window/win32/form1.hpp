#pragma once

#include "engine/calculator_state.hpp"
#include "engine/display_fields.hpp"

#include <windows.h>

struct IAccPropServices;

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rechner {

// UTF-8 inside the program, UTF-16 at the Windows API.
std::wstring wideOf(std::string_view utf8);
std::string utf8Of(std::wstring_view wide);

// The calculator's only window, made of the platform's own EDIT, BUTTON and
// STATIC controls. It owns the calculator state and the four display fields;
// a click on a key runs that key's operation, and nothing else in the window
// runs any. After each key it tells screen readers, through a polite live
// region, which fields the key changed.
class Form1 {
public:
    // Shows a run-time error to the user; by default a modal message box.
    using ErrorReporter = std::function<void(HWND owner, const std::string& message)>;

    // Each control's id: this plus its index in the description.
    static constexpr int kFirstControlId = 100;   // clear of IDOK and IDCANCEL, which the dialog keys send

    // The window is made hidden; show() shows it. window() is null when it
    // could not be made.
    Form1();
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    void show(int showCommand);
    // Runs the window's messages until it is gone; returns the exit status,
    // 1 when the message queue fails.
    int exec();
    // The keyboard rules of the window for one message taken from the queue:
    // Tab and Shift+Tab walk the tab order, Return on a focused key clicks it,
    // Ctrl+A selects a field's text. True when the message was dealt with.
    bool translateKey(MSG& message);

    void setErrorReporter(ErrorReporter reporter) { report_ = std::move(reporter); }
    static void showErrorBox(HWND owner, const std::string& message);

    HWND window() const { return window_; }
    HWND control(std::string_view name) const;   // by its name in the description
    HWND announcement() const { return announcement_; }
    const CalculatorState& state() const { return state_; }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void createControls(UINT dpi);
    void setFonts(UINT dpi);
    void layOut(UINT dpi);
    void click(std::size_t index);
    void announce(const std::string& text);
    void forgetAnnotations();

    HWND window_ = nullptr;
    std::vector<HWND> controls_;   // in the order of the description
    HWND announcement_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::vector<HFONT> fonts_;      // each control's, in the order of the description
    std::vector<HFONT> ownFonts_;   // the distinct ones, deleted with the window
    CalculatorState state_;
    std::vector<std::unique_ptr<DisplayField>> fieldAdapters_;
    std::unique_ptr<DisplayFields> fields_;
    ErrorReporter report_ = showErrorBox;
    IAccPropServices* annotations_ = nullptr;   // names and live setting given to screen readers
    bool comStarted_ = false;
};

} // namespace rechner
