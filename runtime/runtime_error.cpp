#include "runtime/runtime_error.hpp"

#include <utility>

namespace rechner {

RuntimeError::RuntimeError(ErrorKind kind, std::string subject, const std::string& message)
    : std::runtime_error(message), kind_(kind), subject_(std::move(subject))
{
}

void throwConversionError(const std::string& text)
{
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on chained + here.
    std::string message = "Keine Zahl: ";
    if (text.empty()) {
        message += "Das Feld ist leer.";
    } else {
        message.append("„").append(text).append("“");
    }
    if (text.find(',') != std::string::npos) {
        message += " (Dezimaltrennzeichen ist der Punkt)";
    }
    throw RuntimeError(ErrorKind::Conversion, text, message);
}

void throwOverflowError(const std::string& subject, const std::string& range)
{
    std::string message = "Überlauf: ";
    message.append(subject).append(" liegt außerhalb ").append(range);
    throw RuntimeError(ErrorKind::Overflow, subject, message);
}

void throwInvalidArgument(const std::string& what)
{
    std::string message = "Ungültiges Argument: ";
    message.append(what);
    throw RuntimeError(ErrorKind::InvalidArgument, what, message);
}

} // namespace rechner
