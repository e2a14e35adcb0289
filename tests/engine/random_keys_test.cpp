#include "keypad.hpp"
#include "runtime/runtime_error.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace rechner;
using rechner::testing::Keypad;
using rechner::testing::keyOperations;

namespace {

bool isFlag(Flag f) { return f.value() == Flag::True || f.value() == Flag::False; }

::testing::AssertionResult invariantsHold(const CalculatorState& s)
{
    const Flag flags[] = {s.flg_Variable2Active, s.flg_EntryMade, s.flg_Variable2Entered, s.flg_OperatorSet,
                          s.flg_Divide,          s.flg_Multiply,  s.flg_Subtract,         s.flg_Add};
    for (const Flag f : flags) {
        if (!isFlag(f)) {
            return ::testing::AssertionFailure() << "flag holds " << f.value();
        }
    }
    const int operators = (s.flg_Divide ? 1 : 0) + (s.flg_Multiply ? 1 : 0) + (s.flg_Subtract ? 1 : 0) + (s.flg_Add ? 1 : 0);
    if (operators > 1) {
        return ::testing::AssertionFailure() << operators << " operator flags are set";
    }
    if (s.flg_OperatorSet && operators != 1) {
        return ::testing::AssertionFailure() << "operator set without an operator flag";
    }
    return ::testing::AssertionSuccess();
}

} // namespace

// Thousands of random key sequences, now and then with a text typed into a
// field: only run-time errors may come out, and the flags stay sound.
TEST(RandomKeys, NeverBreakTheInvariants)
{
    std::vector<std::string> keys;
    for (const auto& [caption, operation] : keyOperations()) {
        keys.push_back(caption);
    }
    const std::vector<std::string> typed = {"", "-", "0", "12.5", "1e308", "-1e-320", "abc", "12,5", " 7 ",
                                            "∞", "NaN", "11111111", "101", "255.5", "40000", "äöü😀"};
    std::mt19937 random(20261208);
    int errors = 0;
    for (int sequence = 0; sequence < 3000; ++sequence) {
        Keypad pad;
        const int length = 1 + static_cast<int>(random() % 25);
        for (int step = 0; step < length; ++step) {
            std::string press;
            if (random() % 8 == 0) {
                const char field = "1235"[random() % 4];
                press = std::string("@") + field + ":" + typed[random() % typed.size()];
            } else {
                press = keys[random() % keys.size()];
            }
            try {
                pad.step(press);
            } catch (const RuntimeError&) {
                ++errors;
            }
            ASSERT_TRUE(invariantsHold(pad.state)) << "sequence " << sequence << " after " << press;
        }
    }
    EXPECT_GT(errors, 0);   // the run did reach the failure paths
}
