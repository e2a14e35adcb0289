#include "runtime/runtime_error.hpp"

#include "runtime/conversions.hpp"

#include <utility>

namespace rechner {

RuntimeError::RuntimeError(ErrorKind kind, std::string subject, const std::string& message)
    : std::runtime_error(message), kind_(kind), subject_(std::move(subject))
{
}

void throwConversionError(const std::string& text)
{
    std::string message = text.empty() ? std::string("Keine Zahl: Das Feld ist leer.")
                                       : "Keine Zahl: " + quotedForMessage(text);
    if (text.find(',') != std::string::npos) {
        message += " (Dezimaltrennzeichen ist der Punkt)";
    }
    throw RuntimeError(ErrorKind::Conversion, text, message);
}

void throwOverflowError(const std::string& subject, const std::string& range)
{
    throw RuntimeError(ErrorKind::Overflow, subject, "Überlauf: " + subject + " liegt außerhalb " + range);
}

void throwInvalidArgument(const std::string& what)
{
    throw RuntimeError(ErrorKind::InvalidArgument, what, "Ungültiges Argument: " + what);
}

} // namespace rechner
