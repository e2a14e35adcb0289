#include "keypad.hpp"
#include "runtime/runtime_error.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace rechner;
using rechner::testing::Keypad;
using rechner::testing::brokenInvariant;
using rechner::testing::coreKeys;


// Thousands of random key sequences, now and then with a text typed into a
// field: only run-time errors may come out, and the flags stay sound.
TEST(RandomKeys, NeverBreakTheInvariants)
{
    const std::vector<std::string>& keys = coreKeys();
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
            ASSERT_EQ(brokenInvariant(pad.state), "") << "sequence " << sequence << " after " << press;
        }
    }
    EXPECT_GT(errors, 0);   // the run did reach the failure paths
}
