#pragma once

#include <optional>
#include <string>

// The command line: `--help` and `--version` print to standard output; anything else is an
// error that prints the usage to standard error. No display is needed for either. Returns the
// exit status when the program is to end here, nothing when it is to start.
std::optional<int> HandleCommandLine(int argc, char** argv);

// The directory an installed Odovex runs in when started where no statistics file lies, as it
// is from a terminal: the menu launcher's data directory, ${XDG_DATA_HOME:-~/.local/share}/odovex,
// made with a copy of the installed fresh file when it holds no statistics file. A start from a
// directory holding Odovex1.dat (or a link by that name) stays there, and so does a program that
// was not installed (run from its build tree): it finds no fresh file beside its installation.
// Changes to that directory; returns what went wrong (then the current directory is left).
std::string EnterDataDirectory();
