#include "cli/Commands.h"

namespace quill::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillmere convert [--store DIR] [--attachments DIR] --out DIR [--target eml|pst] [--advance]\n"
    "                         [CONTAINER...]\n"
    "       quillmere list [--store DIR]\n"
    "       quillmere split [--advance] CONTAINER OUTDIR\n"
    "       quillmere --help | --version\n"
    "\n"
    "  convert converts every container of the store (or those named) into\n"
    "          OUTDIR: one folder of .eml files per container, or a new PST file.\n"
    "          The attachments folder defaults to the store's Attachments folder.\n"
    "          Without --store, the store is looked for where IncrediMail keeps it\n"
    "          (Windows).\n"
    "  list    prints the containers of the store.\n"
    "  split   cuts an IncrediMail container (.imm) into its messages and writes\n"
    "          each, byte for byte, to OUTDIR/email-N.eml. Existing files are\n"
    "          never replaced. --advance cuts at Subject lines instead.\n";

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? kExitUsage : kExitOk;
    }
    if (args[0] == "--version") {
        out << "quillmere " << QUILL_VERSION << "\n";
        return kExitOk;
    }
    if (args[0] == "convert") return ConvertCommand({args.begin() + 1, args.end()}, out, err, DefaultConvertHooks());
    if (args[0] == "list") return ListCommand({args.begin() + 1, args.end()}, out, err, DefaultConvertHooks());
    if (args[0] == "split") return SplitCommand({args.begin() + 1, args.end()}, out, err);
    err << "quillmere: unknown command \"" << args[0] << "\"\n" << kUsage;
    return kExitUsage;
}

}  // namespace quill::cli
