#pragma once

#include <string>
#include <string_view>
#include <utility>

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

} // namespace rechner
