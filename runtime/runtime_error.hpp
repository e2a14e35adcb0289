#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace rechner {

// The three kinds of run-time failure a key operation can stop with.
enum class ErrorKind : std::uint8_t { Conversion, Overflow, InvalidArgument };

// Raised by the conversions and maths routines. No key operation catches
// it: the operation simply stops, keeping whatever it wrote before. what()
// is one German sentence for the user.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(ErrorKind kind, std::string subject, const std::string& message);

    ErrorKind kind() const noexcept { return kind_; }
    // The text or value the failure is about, e.g. the text that is no number.
    const std::string& subject() const noexcept { return subject_; }

private:
    ErrorKind kind_;
    std::string subject_;
};

// A text that is not a number.
[[noreturn]] void throwConversionError(const std::string& text);
// A value that does not fit: `subject` is the offending text or value,
// `range` says what it had to fit into.
[[noreturn]] void throwOverflowError(const std::string& subject, const std::string& range);
// A function called outside its domain, `what` names call and argument.
[[noreturn]] void throwInvalidArgument(const std::string& what);

} // namespace rechner
