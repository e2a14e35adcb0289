#pragma once

#include <string>
#include <string_view>

namespace rechner {

// One single-line text field of the window, reduced to what the keys need:
// its whole UTF-8 text, read and replaced.
class DisplayField {
public:
    virtual ~DisplayField() = default;
    virtual std::string get() const = 0;
    virtual void set(std::string_view text) = 0;

protected:
    DisplayField() = default;
    DisplayField(const DisplayField&) = default;
    DisplayField& operator=(const DisplayField&) = default;
};

// The four fields the keys work on, in the order of their names; what is
// announced goes by the window's order instead, top to bottom.
struct DisplayFields {
    DisplayField& txt_Text1;   // Variable 1
    DisplayField& txt_Text2;   // Variable 2
    DisplayField& txt_Text3;   // result or message
    DisplayField& txt_Text5;   // operator
};

} // namespace rechner
