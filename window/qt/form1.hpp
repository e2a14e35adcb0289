#pragma once

#include "window/form1_controls.hpp"
#include "window/form1_keys.hpp"
#include "window/form1_layout.hpp"

#include <QWidget>

class QCoreApplication;
class QLineEdit;

#include <array>
#include <cstdint>
#include <functional>

namespace rechner {

class Announcement;

// Readies the application for Form1: the name and desktop entry by which
// desktop shells match the window to its launcher, and Qt's own texts in
// German (context menus, accessibility actions). Returns whether the German texts were found;
// without them the program still runs, with Qt's English texts.
bool prepareApplication(QCoreApplication& app);

// How the desktop wants Rechner drawn: in the colours of its own look, or in
// high contrast.
enum class Contrast : std::uint8_t { Desktop, High };

// What the desktop says: Qt's contrast preference where Qt has one (from
// Qt 6.10 on), else the settings portal's (org.freedesktop.appearance
// contrast), asked only where there is a session bus. Nothing said is
// Contrast::Desktop.
Contrast desktopContrast();

// Draws windows in that contrast from now on (prepareApplication sets the
// desktop's). High contrast: white on black where the desktop's colours are
// dark, black on white where they are light, every key and field with a
// boundary in its text colour; back to Contrast::Desktop, the desktop's
// colours are back.
void useContrast(Contrast contrast);

// The calculator's only window, made of Qt's line edits, push buttons and
// labels; its screen-reader description is installed when the first one is
// made. A click on a key runs that key's operation (Form1Keys), and nothing
// else in the window runs any. After each key it tells screen readers which
// fields the key changed, and to what.
class Form1 : public QWidget, public Form1Keys {
public:
    // Shows a run-time error to the user; by default a modal message box.
    using ErrorReporter = std::function<void(QWidget* parent, const QString& message)>;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    void setErrorReporter(ErrorReporter reporter) { report_ = std::move(reporter); }

    static void showErrorBox(QWidget* parent, const QString& message);

    // The scale the window was laid out at when it was made, for the
    // interface font and the screen of that moment.
    const LayoutScale& scale() const { return scale_; }

private:
    QLineEdit* edit(const ControlDescription& field) const;
    std::string fieldText(const ControlDescription& field) const override;
    void setFieldText(const ControlDescription& field, std::string_view text) override;
    void announce(const std::string& text) override;
    void showError(const std::string& message) override;
    void end() override;

    std::array<QLineEdit*, kFieldRoles.size()> edits_{};   // in the order of kFieldRoles
    ErrorReporter report_ = showErrorBox;
    Announcement* announcement_ = nullptr;   // a child, owned by the window
    LayoutScale scale_;
};

} // namespace rechner
