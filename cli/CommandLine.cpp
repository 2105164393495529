#include "cli/CommandLine.h"

#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>

namespace quill::cli {
namespace {

constexpr const char* kProgram = kProgramName;

constexpr const char* kDescription =
    "Moves an IncrediMail user's mail into one .eml file per message, with the attachments put back\n"
    "from the attachments folder, or into a new PST file that needs no mail program.";

constexpr const char* kExitStatus =
    "Exit status: 0 when everything was done; 1 when something was lost or left out: a message or a\n"
    "container that could not be converted, an attachment not found, a PST that could not be completed\n"
    "(convert says what in its summary and in the report \"Quillmere report <time>.txt\" in OUTDIR);\n"
    "2 on a usage error.";

std::unique_ptr<CLI::App> MakeCommandLine(ParsedCommandLine& p) {
    auto app = std::make_unique<CLI::App>(kDescription, kProgram);
    app->set_version_flag("--version", std::string(kProgram) + " " + QUILL_VERSION);
    app->require_subcommand(1);
    // Arguments that start with '/' are paths on every system, never options.
    app->allow_windows_style_options(false);
    app->footer(kExitStatus);
    // A repeated option keeps its last value, as the command line always did.
    app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    CLI::App* convert = app->add_subcommand(
        "convert",
        "Converts every container of the store (or the ones named) into OUTDIR: one folder of\n"
        "email-N.eml files per container, or a new PST file. A file already there is never replaced.");
    convert
        ->add_option("--store", p.convert.store,
                     "The store folder. Without it, the store is looked for where IncrediMail keeps it\n"
                     "(Windows only).")
        ->type_name("DIR");
    convert
        ->add_option("--attachments", p.convert.attachments,
                     "The attachments folder; the store's Attachments folder by default.")
        ->type_name("DIR");
    convert->add_option("--out", p.convert.out, "The folder to convert into (OUTDIR); made when missing.")
        ->required()
        ->type_name("DIR")
        ->check(CLI::Validator([](std::string& v) { return v.empty() ? "needs a folder" : std::string(); }, ""));
    convert
        ->add_option("--target", p.convert.target,
                     "eml (the default): message files; pst: a new PST file Quillmere<time>.pst.")
        ->type_name("eml|pst")
        ->check(CLI::Validator(
            [](std::string& v) { return v == "eml" || v == "pst" ? std::string() : "is eml or pst"; }, ""));
    convert->add_flag("--advance", p.convert.advance,
                      "For damaged containers only: cut at Subject lines and repair the header block at\n"
                      "each cut. A healthy container is cut better without it.");
    convert->add_flag("--skip-deleted", p.convert.skipDeleted,
                      "Leave out the messages the store's index marks deleted (by default they go to a\n"
                      "folder \"Deleted messages\" of their own).");
    convert
        ->add_option("CONTAINER", p.convert.containers,
                     "Containers to convert (all of the store by default): file names with or without\n"
                     "\".imm\", in any letter case, or paths (their folder is then the store).")
        ->type_name("NAME");
    convert->callback([&p] { p.verb = "convert"; });

    CLI::App* list = app->add_subcommand("list", "Prints the containers of the store, as the window lists them.");
    list->add_option("--store", p.list.store, "The store folder (found as for convert when not named).")
        ->type_name("DIR");
    list->callback([&p] { p.verb = "list"; });

    CLI::App* split = app->add_subcommand(
        "split",
        "Cuts one IncrediMail container (.imm) into its messages and writes each, byte for byte, to\n"
        "OUTDIR/email-N.eml, with a line per message (number, offset, length) and a summary. A file\n"
        "already in OUTDIR stops the command.");
    split->add_flag("--advance", p.split.advance,
                    "For damaged containers only: cut at Subject lines instead, repairing the header blocks.");
    split->add_option("CONTAINER", p.split.container, "The container file.")->required()->type_name("FILE");
    split->add_option("OUTDIR", p.split.outDir, "The folder to write into; made when missing.")
        ->required()
        ->type_name("DIR");
    split->callback([&p] { p.verb = "split"; });
    return app;
}

bool IsVerb(const std::string& word) { return word == "convert" || word == "list" || word == "split"; }

}  // namespace

std::string UsageText() {
    ParsedCommandLine unused;
    return MakeCommandLine(unused)->help();
}

std::optional<int> ParseCommandLine(const std::vector<std::string>& args, ParsedCommandLine& parsed, std::ostream& out,
                                    std::ostream& err) {
    if (args.empty()) {
        err << UsageText();
        return kExitUsage;
    }
    if (args[0] == "help") {
        out << UsageText();
        return kExitOk;
    }
    if (!IsVerb(args[0]) && args[0].rfind("-", 0) != 0) {
        err << kProgram << ": unknown command \"" << args[0] << "\"\n" << UsageText();
        return kExitUsage;
    }
    auto app = MakeCommandLine(parsed);
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
    // "/?" asks for help, as Windows programs take it.
    std::replace(reversed.begin(), reversed.end(), std::string("/?"), std::string("--help"));
    try {
        app->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app->help();
        return kExitOk;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << "\n";
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        const auto chosen = app->get_subcommands();
        const std::string who = chosen.empty() ? kProgram : std::string(kProgram) + " " + chosen[0]->get_name();
        err << who << ": " << e.what() << "\n" << app->help();
        return kExitUsage;
    }
    return std::nullopt;
}

}  // namespace quill::cli
