#pragma once

// Drives the core the way the window does: keys by caption, typed texts
// straight into a field. Shared by the test programs.

#include "conversion/binary_conversion.hpp"
#include "engine/operations.hpp"

#include <array>
#include <functional>
#include <map>
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

using KeyOperation = std::function<void(CalculatorState&, DisplayFields&)>;

// Every key by its caption; the step-back key and the conversions by a short name.
inline const std::map<std::string, KeyOperation, std::less<>>& keyOperations()
{
    static const std::map<std::string, KeyOperation, std::less<>> keys = [] {
        std::map<std::string, KeyOperation, std::less<>> k;
        for (int d = 0; d <= 9; ++d) {
            k[std::to_string(d)] = [d](CalculatorState& s, DisplayFields& f) { enterDigit(s, f, d); };
        }
        k["."] = enterPoint;
        k["Pi"] = enterPi;
        k["/"] = chooseDivide;
        k["x"] = chooseMultiply;
        k["+"] = chooseAdd;
        k["-"] = minusKey;
        k["="] = evaluate;
        k["(x)2"] = square;
        k["sqrt"] = squareRootKey;
        k["sin"] = sineKey;
        k["cos"] = cosineKey;
        k["tan"] = tangentKey;
        k["R > M"] = storeMemory;
        k["R < M"] = recallMemory;
        k["zurück"] = stepBack;
        k["löschen"] = clearAll;
        k["Binär"] = decimalToBinary;
        k["Dezimal"] = binaryToDecimal;
        return k;
    }();
    return keys;
}

using Shown = std::array<std::string, 4>;   // txt_Text1, txt_Text2, txt_Text3, txt_Text5

struct Keypad {
    CalculatorState state;
    TextFields text;

    // A key caption, or "@N:text" to type `text` into field N (1, 2, 3 or 5),
    // replacing what it held.
    void step(std::string_view step)
    {
        if (step.size() >= 3 && step[0] == '@' && step[2] == ':') {
            field(step[1]).set(step.substr(3));
            return;
        }
        const auto key = keyOperations().find(step);
        if (key == keyOperations().end()) {
            throw std::invalid_argument("unknown key: " + std::string(step));
        }
        key->second(state, text.fields);
    }

    void press(const std::vector<std::string>& steps)
    {
        for (const auto& step : steps) {
            this->step(step);
        }
    }

    Shown shown() const { return {text.text1.get(), text.text2.get(), text.text3.get(), text.text5.get()}; }

    DisplayField& field(char n)
    {
        switch (n) {
        case '1': return text.text1;
        case '2': return text.text2;
        case '3': return text.text3;
        case '5': return text.text5;
        default: throw std::invalid_argument("no such field");
        }
    }
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
