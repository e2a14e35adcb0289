#include "window/qt/command_line.hpp"

#include "window/version.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

namespace rechner {
namespace {

constexpr std::string_view kUsage = "Aufruf: rechner [--help] [--version] [Qt-Optionen]\n";

constexpr std::string_view kHelp =
    "Rechner: ein kleiner Taschenrechner mit einem Fenster. Zwei Zahlen werden\n"
    "angeklickt oder eingetippt, eine Rechenart gewählt, und „=“ schreibt das\n"
    "Resultat. Dazu Quadrat, Quadratwurzel, Sinus, Kosinus und Tangens in Grad,\n"
    "ein Speicher, ein Schritt zurück und die 8-Bit-Umrechnung.\n"
    "\n"
    "Optionen:\n"
    "  -h, --help     diese Hilfe zeigen\n"
    "  --version      Name und Version zeigen\n"
    "\n"
    "Dazu gelten die Optionen von Qt, etwa „-platform wayland“ oder „-style Fusion“.\n"
    "Mehr in „man rechner“.\n";

// Qt's own command-line options, which its application object takes out of
// the argument list itself; each also with two dashes.
constexpr std::array<std::string_view, 16> kQtOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "session", "display", "geometry", "title", "icon", "name", "style", "stylesheet", "visual"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync",
                                                      "testability"};
constexpr std::array<std::string_view, 5> kQtOptionsWithEquals = {"style=", "stylesheet=", "qmljsdebugger=",
                                                                  "dialogs=", "fontengine="};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& list, std::string_view name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

bool hasEqualsForm(std::string_view name)
{
    return std::any_of(kQtOptionsWithEquals.begin(), kQtOptionsWithEquals.end(),
                       [name](std::string_view prefix) { return name.starts_with(prefix); });
}

bool environmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

int answerCommandLine(int argc, const char* const argv[], std::ostream& out, std::ostream& err)
{
    bool platformGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            out << kUsage << '\n' << kHelp;
            return 0;
        }
        if (argument == "--version") {
            out << "rechner " << RECHNER_VERSION << '\n';
            return 0;
        }
        std::string_view name = argument;
        if (name.starts_with("--")) {
            name.remove_prefix(2);
        } else if (name.starts_with('-')) {
            name.remove_prefix(1);
        } else {
            err << "rechner: unerwartetes Argument „" << argument << "“\n" << kUsage;
            return 2;
        }
        if (listed(kQtOptionsWithValue, name)) {
            platformGiven = platformGiven || name == "platform";
            ++i;   // its value
        } else if (!listed(kQtFlags, name) && !hasEqualsForm(name)) {
            err << "rechner: unbekannte Option „" << argument << "“\n" << kUsage;
            return 2;
        }
    }
    // Without any display Qt would abort; say what is missing instead.
    if (!platformGiven && !environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY")
        && !environmentSet("QT_QPA_PLATFORM")) {
        err << "rechner: keine grafische Anzeige (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt).\n"
               "Starten Sie Rechner auf einem Desktop oder mit „xvfb-run -a rechner“.\n";
        return 1;
    }
    return -1;
}

} // namespace rechner
