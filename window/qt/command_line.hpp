#pragma once

#include <ostream>

namespace rechner {

// Answers the command line before any window or display is touched:
// "--help" and "--version" print their text, Qt's own options (-platform,
// -style, ...) are left for Qt, anything else is refused in German, and a
// start without any display is refused with a hint instead of Qt's abort.
// Returns the exit status when the program is to end now, or -1 when the
// window is to be shown.
int answerCommandLine(int argc, const char* const argv[], std::ostream& out, std::ostream& err);

} // namespace rechner
