#pragma once
// The command line's one description: its verbs, their options and the help text, on CLI11.
// Every entry point (RunCommandLine and the verb functions the tests and benchmarks call) parses
// through this one definition, so the usage shown and the arguments accepted never part.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quill::cli {

// The converter's name as the user types it: "quillmere"; on Windows "quillmere-cli", beside
// the window's Quillmere.exe.
inline constexpr const char* kProgramName = QUILL_CLI_NAME;

struct ConvertOptions {
    std::string store, attachments, out, target = "eml";
    bool advance = false;
    bool skipDeleted = false;
    std::vector<std::string> containers;
};

struct ListOptions {
    std::string store;
};

struct SplitOptions {
    bool advance = false;
    std::string container, outDir;
};

struct ParsedCommandLine {
    std::string verb;  // "convert", "list" or "split"
    ConvertOptions convert;
    ListOptions list;
    SplitOptions split;
};

// Parses the arguments (without the program's name). Returns the exit status when parsing
// alone settles the run: help and the version printed to out (0), or a usage error printed to
// err (kExitUsage); nullopt when parsed.verb is to run.
[[nodiscard]] std::optional<int> ParseCommandLine(const std::vector<std::string>& args, ParsedCommandLine& parsed,
                                                  std::ostream& out, std::ostream& err);

// The whole help text, as `quillmere --help` prints it.
[[nodiscard]] std::string UsageText();

}  // namespace quill::cli
