#pragma once

#include "window/form1_keys.hpp"
#include "window/form1_layout.hpp"

#include <windows.h>

struct IAccPropServices;

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace rechner {

// UTF-8 inside the program, UTF-16 at the Windows API.
std::wstring wideOf(std::string_view utf8);
std::string utf8Of(std::wstring_view wide);

// The calculator's only window, made of the platform's own EDIT, BUTTON and
// STATIC controls. A click on a key runs that key's operation (Form1Keys),
// and nothing else in the window runs any. After each key it tells screen
// readers, through a polite live region, which fields the key changed.
class Form1 : public Form1Keys {
public:
    // Shows a run-time error to the user; by default a modal message box.
    using ErrorReporter = std::function<void(HWND owner, const std::string& message)>;

    // Each control's id: this plus its index in the description.
    static constexpr int kFirstControlId = 100;   // clear of IDOK and IDCANCEL, which the dialog keys send

    // The window is made hidden; show() shows it. window() is null when it
    // could not be made.
    Form1();
    ~Form1() override;

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
    // The scale of the layout now: the screen's DPI, or more where the
    // message font needs it, within the screen.
    const LayoutScale& scale() const { return scale_; }

private:
    struct DeleteFont {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteFont>;
    struct Release {
        void operator()(IAccPropServices* services) const;
    };
    // COM for this thread, from the window's first moment to its last.
    struct ComApartment {
        ComApartment();
        ~ComApartment();
        ComApartment(const ComApartment&) = delete;
        ComApartment& operator=(const ComApartment&) = delete;
        bool started;
    };

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void createControls(UINT dpi);
    void setFonts(UINT dpi, const LayoutScale& scale);
    // What the captions in the message font at a DPI, drawn at `font` times
    // its size, need of their controls.
    std::vector<CaptionNeed> captionNeeds(UINT dpi, double font) const;
    // How many times its size at 96 dpi the window may be on its screen.
    double screenRoom(UINT dpi) const;
    void layOut(UINT dpi);
    // Lets go of the window: the screen readers' annotations, its link to
    // this object and, unless it is already going, the window itself.
    void tearDown(bool alreadyGoing);

    std::string fieldText(const ControlDescription& field) const override;
    void setFieldText(const ControlDescription& field, std::string_view text) override;
    void announce(const std::string& text) override;
    void showError(const std::string& message) override;
    void end() override;

    ComApartment com_;   // first made, last gone
    HWND window_ = nullptr;
    std::vector<HWND> controls_;   // in the order of the description
    HWND announcement_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::vector<HFONT> fonts_;         // each control's, in the order of the description
    std::vector<OwnedFont> ownFonts_;  // the distinct ones
    ErrorReporter report_ = showErrorBox;
    LayoutScale scale_;
    std::unique_ptr<IAccPropServices, Release> annotations_;   // names and live setting given to screen readers
};

} // namespace rechner
