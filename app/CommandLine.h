// The program's own command-line argument: a results file to open at start.
#pragma once

#include <optional>
#include <string>

// The first argument that is no option, as exact bytes: the results file to open. The
// developer options --screenshot, --screenshot-search and --screenshot-state take the argument
// after them; "--" ends the options. argv as QApplication left it (its own options removed).
std::optional<std::string> FindResultsFileArgument(int argc, char** argv);
