#include "window/announcement.hpp"

#include "runtime/conversions.hpp"
#include "window/form1_controls.hpp"

#include <algorithm>
#include <string_view>

namespace rechner {
namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Unicode characters of a UTF-8 text: every byte but continuation bytes.
std::size_t characters(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }));
}

} // namespace

std::string spokenText(const std::string& text)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kWords = {{
        {"+", "plus"}, {"-", "minus"}, {"x", "mal"}, {"/", "geteilt durch"}}};
    const std::string_view shown = trimmed(text);
    if (shown.empty()) {
        return "leer";
    }
    for (const auto& [symbol, word] : kWords) {
        if (shown == symbol) {
            return std::string(word);
        }
    }
    constexpr std::size_t kLongText = 40;
    return characters(shown) > kLongText ? quotedForMessage(text) : std::string(shown);
}

std::string announcementFor(const FieldTexts& before, const FieldTexts& after)
{
    if (after == before) {
        return {};
    }
    if (std::all_of(after.begin(), after.end(), [](const std::string& text) { return text.empty(); })) {
        return "Alle Felder leer";
    }
    std::string said;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] != before[i]) {
            said += said.empty() ? "" : ", ";
            said += fieldControl(kFieldRoles.at(i)).accessibleName;
            said += ": " + spokenText(after[i]);
        }
    }
    return said;
}

} // namespace rechner
