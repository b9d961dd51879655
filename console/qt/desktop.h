// The desktop front end of tavrosk-console, as console/app starts it. No Qt type appears here: the
// program's main() knows only that a desktop front end exists.
#pragma once

#include <string>

#include "console.h"

namespace Desktop {

// Opens the main window over the console (its snap-ins already added) and runs until the person closes
// it or, with a script, until the script has run: the headless command language acting on the window,
// plus `screenshot FILE` (with stopOnError, the script ends at its first failing command). Returns the
// program's exit status (1 when a command of the script failed).
int Run(Console::CConsole& console, const std::string& script, bool stopOnError, int argc, char** argv);

} // namespace Desktop
