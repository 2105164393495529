#include "cli/Commands.h"

#include "cli/CommandLine.h"

namespace quill::cli {
namespace {

// Parses a verb's own arguments through the one command-line description.
std::optional<int> ParseVerb(const char* verb, const std::vector<std::string>& args, ParsedCommandLine& parsed,
                             std::ostream& out, std::ostream& err) {
    std::vector<std::string> all{verb};
    all.insert(all.end(), args.begin(), args.end());
    return ParseCommandLine(all, parsed, out, err);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedCommandLine parsed;
    if (auto settled = ParseCommandLine(args, parsed, out, err)) return *settled;
    if (parsed.verb == "convert") return RunConvert(parsed.convert, out, err, DefaultConvertHooks());
    if (parsed.verb == "list") return RunList(parsed.list, out, err, DefaultConvertHooks());
    return RunSplit(parsed.split, out, err);
}

int ConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const ConvertHooks& hooks) {
    ParsedCommandLine parsed;
    if (auto settled = ParseVerb("convert", args, parsed, out, err)) return *settled;
    return RunConvert(parsed.convert, out, err, hooks);
}

int ListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const ConvertHooks& hooks) {
    ParsedCommandLine parsed;
    if (auto settled = ParseVerb("list", args, parsed, out, err)) return *settled;
    return RunList(parsed.list, out, err, hooks);
}

int SplitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedCommandLine parsed;
    if (auto settled = ParseVerb("split", args, parsed, out, err)) return *settled;
    return RunSplit(parsed.split, out, err);
}

}  // namespace quill::cli
