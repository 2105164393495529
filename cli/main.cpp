#include <iostream>

#include "cli/Commands.h"
#include "cli/CommandLine.h"
#include "platform/Console.h"

int main(int argc, char** argv) {
    std::vector<std::string> args = quill::platform::CommandLineArguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());
    try {
        return quill::cli::RunCommandLine(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << quill::cli::kProgramName << ": " << e.what() << "\n";
        return quill::cli::kExitFailed;
    }
}
