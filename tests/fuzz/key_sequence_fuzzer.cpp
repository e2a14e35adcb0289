// The input as key presses and typed field texts, run on the core: only
// run-time errors may come out, and the state stays sound after every step.
//
// Each byte below 0xF0 presses a key (byte modulo the number of keys); a
// byte 0xF0..0xF3 types the text up to the next 0x00 into field 1, 2, 3 or 5.

#include "keypad.hpp"
#include "runtime/runtime_error.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace rechner::testing;
    const std::vector<std::string>& keys = coreKeys();

    Keypad pad;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t byte = data[i++];
        std::string step;
        if (byte >= 0xF0 && byte <= 0xF3) {
            step = std::string("@") + "1235"[byte - 0xF0] + ":";
            while (i < size && data[i] != 0) {
                step += static_cast<char>(data[i++]);
            }
            ++i;
        } else {
            step = keys[byte % keys.size()];
        }
        try {
            pad.step(step);
        } catch (const rechner::RuntimeError&) {
            // a run-time error stops the key; the calculator goes on
        }
        if (!brokenInvariant(pad.state).empty()) {
            std::abort();
        }
    }
    return 0;
}
