#include "platform/Console.h"

#include <unistd.h>

namespace quill::platform {

bool StderrIsTerminal() { return ::isatty(2) == 1; }

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace quill::platform
