// Any text into the number conversions: no crash or undefined behaviour,
// every accepted text re-formats to a text that reads back to itself, and
// every double's text reads back to the same text.

#include "runtime/conversions.hpp"
#include "runtime/runtime_error.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// A written text that does not read back is a failure, not a rejected input:
// its error is caught here, where the outer catch cannot accept it.
void checkTextReadsBack(const std::string& text)
{
    try {
        require(rechner::textOfNumber(rechner::numberOfText(text)) == text);
    } catch (const rechner::RuntimeError&) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    try {
        const double value = rechner::numberOfText(input);
        checkTextReadsBack(rechner::textOfNumber(value));
        try {
            rechner::smallIntegerOfNumber(value);
        } catch (const rechner::RuntimeError& e) {
            require(e.kind() == rechner::ErrorKind::Overflow);
        }
    } catch (const rechner::RuntimeError& e) {
        require(e.kind() == rechner::ErrorKind::Conversion || e.kind() == rechner::ErrorKind::Overflow);
    }

    // The bytes as a double, any bit pattern.
    if (size >= sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data, sizeof value);
        checkTextReadsBack(rechner::textOfNumber(value));
    }

    // Character by character, the text comes back whole.
    std::string joined;
    for (std::size_t i = 1; i <= size + 1; ++i) {
        joined += rechner::characterAt(input, i);
    }
    require(joined == input);
    return 0;
}
