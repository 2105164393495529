#pragma once
// What the command line needs of its console: whether stderr is a terminal
// (a progress line is drawn only there) and the program's arguments as UTF-8.

#include <string>
#include <vector>

namespace quill::platform {

[[nodiscard]] bool StderrIsTerminal();

// The program's arguments as UTF-8 (on Windows taken from the wide command line).
[[nodiscard]] std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace quill::platform
