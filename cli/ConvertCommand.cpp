#include "cli/Commands.h"

#include <algorithm>
#include <set>

#include "cli/CommandLine.h"
#include "cli/ProgressLine.h"
#include "convert/ConversionRun.h"
#include "platform/Ascii.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "store/StoreListing.h"

namespace quill::cli {
namespace {

// The command line plays the window: the out folder is the chosen folder,
// boxes are printed, progress goes to stderr.
class ConsoleRun : public RunView, public FolderChooser, public MessageBoxes, public EventPump, public Clock {
  public:
    ConsoleRun(const ConvertOptions& o, std::vector<std::string> entries, std::ostream& out, std::ostream& err)
        : o_(o), entries_(std::move(entries)), out_(out), progress_(err, platform::StderrIsTerminal()) {}

    int ListCount() override { return static_cast<int>(entries_.size()); }
    bool Selected(int) override { return true; }
    std::string List(int i) override { return entries_[static_cast<std::size_t>(i)]; }
    std::string StorePath() override { return platform::JoinPath(o_.store, ""); }
    std::string AttachmentPath() override { return platform::JoinPath(o_.attachments, ""); }
    bool OptOutlook() override { return o_.target == "pst"; }
    bool AdvanceMode() override { return o_.advance; }
    bool SkipDeleted() override { return o_.skipDeleted; }
    void SetIMMFileLabel(const std::string& text) override { progress_.Start(text); }
    void SetLog(const std::string&) override {}
    std::string BrowseForFolder(const std::string&) override { return o_.out; }
    void Show(const std::string& text, BoxIcon) override {
        progress_.End();
        std::string t = text;
        for (std::size_t p; (p = t.find("\r\n")) != std::string::npos;) t.replace(p, 2, "\n");
        out_ << t << "\n";
    }
    void Pump() override {}
    LocalTime Now() override { return platform::LocalNow(); }

    ProgressLine& Progress() { return progress_; }

  private:
    const ConvertOptions& o_;
    std::vector<std::string> entries_;
    std::ostream& out_;
    ProgressLine progress_;
};

// The store named on the command line, else the one found on this machine.
bool ResolveStore(std::string& store, const ConvertHooks& hooks, const char* verb, std::ostream& err) {
    if (!store.empty()) return true;
    if (hooks.findStore) store = hooks.findStore();
    if (!store.empty()) {
        err << kProgramName << " " << verb << ": using the store found where IncrediMail keeps it: \"" << store << "\"\n";
        return true;
    }
    err << kProgramName << " " << verb << ": no IncrediMail store found on this machine; name it with --store DIR\n";
    return false;
}

bool IsPathLike(const std::string& name) {
    return std::any_of(name.begin(), name.end(), platform::IsPathSeparator) ||
           (name.size() >= 2 && name[1] == ':');  // a drive
}

// The folder part of a path ("" for a bare name).
std::string FolderOf(const std::string& path) {
    const std::size_t name = path.size() - platform::LastPathComponent(path).size();
    std::string folder = path.substr(0, name);
    while (folder.size() > 1 && platform::IsPathSeparator(folder.back()) && folder[folder.size() - 2] != ':')
        folder.pop_back();
    return folder;
}

// Containers named on the command line as the store knows them: a file name
// with or without ".imm", in any letter case, or a path (its folder is then
// the store). Each is converted once. Empty, with the reason, when one is not
// in the store.
std::vector<std::string> ResolveContainers(ConvertOptions& o, const ContainerListing& listing, std::string& error) {
    std::vector<std::string> entries;
    std::set<std::string> seen;
    for (const auto& named : o.containers) {
        const std::string name(IsPathLike(named) ? platform::LastPathComponent(named) : named);
        std::string found;
        for (const auto& entry : listing.names) {
            if (entry == name) found = entry;
        }
        for (const auto& entry : listing.names) {
            if (!found.empty()) break;
            if (platform::EqualsIgnoreCase(entry, name) ||
                platform::EqualsIgnoreCase(platform::WithoutContainerExtension(entry), name))
                found = entry;
        }
        // A file of the store folder that the listing leaves out is a container of its own.
        if (found.empty() && platform::KindAt(platform::JoinPath(o.store, name)) != platform::FileKind::Missing)
            found = name;
        if (found.empty()) {
            error = "no container \"" + named + "\" in the store \"" + o.store + "\"";
            return {};
        }
        if (seen.insert(platform::LowerAscii(found)).second) entries.push_back(found);
    }
    return entries;
}

// What an earlier run of this program left in the target folder, if anything.
std::string EarlierConversion(const ConvertOptions& o, const std::vector<std::string>& entries) {
    std::vector<platform::DirEntry> top;
    try {
        top = platform::ListDirectory(o.out);
    } catch (const platform::FileError&) {
        return {};
    }
    for (const auto& e : top) {
        if (o.target == "pst" && e.name.rfind("Quillmere", 0) == 0 && platform::EndsWithIgnoreCase(e.name, ".pst"))
            return "the PST file \"" + e.name + "\"";
    }
    if (o.target == "pst") return {};
    for (const auto& entry : entries) {
        const std::string folder = platform::JoinPath(o.out, std::string(platform::WithoutContainerExtension(entry)));
        if (platform::KindAt(platform::JoinPath(folder, "email-1.eml")) != platform::FileKind::Missing)
            return "message files such as \"" + platform::JoinPath(folder, "email-1.eml") + "\"";
    }
    return {};
}

void PrintSummary(const RunOutcome& r, const ConvertOptions& o, std::ostream& out) {
    out << "messages saved " << r.messagesSaved << " from " << r.containers << " container"
        << (r.containers == 1 ? "" : "s") << "\n";
    out << "messages not converted: " << r.messagesFailed << "\n";
    out << "containers not read: " << r.containersFailed << "\n";
    out << "attachments: " << r.attachmentsRestored << " restored, " << r.attachmentsKept << " kept as carried, "
        << r.attachmentsMissing << " missing, " << r.attachmentsRefused << " refused\n";
    out << "messages with a joined message cut off: " << r.messagesJoinedCut << "\n";
    out << "messages written under a numbered name: " << r.messagesRenamed << "\n";
    if (r.messagesMended > 0) out << "messages with text mended for the PST: " << r.messagesMended << "\n";
    // How the store was read: by its own index, by the cut, or both.
    out << "index " << (r.storeIndex.empty() ? std::string("none") : r.storeIndex) << ": messages exact "
        << r.messagesExact << ", deleted " << r.messagesDeleted;
    if (o.skipDeleted) out << " (" << r.deletedSkipped << " more left out)";
    out << ", cut by header lines " << r.messagesCut << ", containers fallen back " << r.containersFellBack << "\n";
    if (r.pstFailed)
        out << "PST file: not written (" << r.pstError << ")\n";
    else if (!r.pstPath.empty())
        out << "PST file: " << r.pstPath << "\n";
    if (!r.reportPath.empty()) out << "report: " << r.reportPath << "\n";
}

}  // namespace

int RunList(const ListOptions& options, std::ostream& out, std::ostream& err, const ConvertHooks& hooks) {
    std::string store = options.store;
    if (!ResolveStore(store, hooks, "list", err)) return kExitFailed;
    try {
        ContainerListing listing = ListStoreContainers(store);
        for (const auto& name : listing.names) out << name << "\n";
        for (const auto& [name, what] : listing.skipped)
            err << kProgramName << " list: skipped \"" << name << "\": it is " << what << ", not a container file\n";
        return listing.skipped.empty() ? kExitOk : kExitFailed;
    } catch (const platform::FileError& e) {
        err << kProgramName << " list: " << e.what() << "\n";
        return kExitFailed;
    }
}

int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err, const ConvertHooks& hooks) {
    ConvertOptions o = options;
    // Containers named by path: their folder is the store.
    for (const auto& named : o.containers) {
        if (!IsPathLike(named)) continue;
        const std::string folder = FolderOf(named);
        if (o.store.empty()) o.store = folder;
        if (platform::JoinPath(folder, "") != platform::JoinPath(o.store, "")) {
            err << kProgramName << " convert: \"" << named << "\" is not in the store \"" << o.store
                << "\"; containers named by path must all lie in the store's folder\n";
            return kExitUsage;
        }
    }
    if (!ResolveStore(o.store, hooks, "convert", err)) return kExitFailed;
    if (o.attachments.empty()) o.attachments = platform::JoinPath(o.store, "Attachments");
    ContainerListing listing;
    try {
        listing = ListStoreContainers(o.store);
    } catch (const platform::FileError& e) {
        err << kProgramName << " convert: " << e.what() << "\n";
        return kExitFailed;
    }
    std::vector<std::string> entries;
    if (o.containers.empty()) {
        entries = listing.names;
        // What only looks like a container is tried too, so the report says what it is.
        for (const auto& skipped : listing.skipped) entries.push_back(skipped.first);
    } else {
        std::string error;
        entries = ResolveContainers(o, listing, error);
        if (entries.empty()) {
            err << kProgramName << " convert: " << error << "\n";
            return kExitFailed;
        }
    }
    if (entries.empty()) {
        err << kProgramName << " convert: nothing to convert: the store folder \"" << o.store
            << "\" holds no containers (*.imm) and no IncrediMail index that names any\n";
        return kExitFailed;
    }
    if (std::string why; !platform::MakeDirectories(o.out, &why)) {
        err << kProgramName << " convert: " << why << "\n";
        return kExitFailed;
    }
    if (std::string earlier = EarlierConversion(o, entries); !earlier.empty())
        err << kProgramName << " convert: \"" << o.out << "\" already holds a conversion (" << earlier
            << "). Nothing is replaced: messages whose file names are taken are written as \"email-N (2).eml\", a "
               "new PST gets a name of its own.\n";

    ConsoleRun console(o, entries, out, err);
    RunServices s;
    s.view = &console;
    s.chooser = &console;
    s.boxes = &console;
    s.pump = &console;
    s.clock = &console;
    std::unique_ptr<MessageFinisher> finisher = hooks.makeFinisher ? hooks.makeFinisher() : nullptr;
    s.finisher = finisher.get();
    s.makeOutlookTarget = hooks.makeOutlookTarget;
    s.progress = [&](const std::string& c, std::uint64_t m, std::uint64_t b, std::uint64_t total) {
        console.Progress().Update(c, m, b, total);
    };
    ConversionRun run(std::move(s));
    RunOutcome outcome = run.Convert();
    console.Progress().End();
    if (outcome.end == RunOutcome::End::OpenFailed) return kExitFailed;

    PrintSummary(outcome, o, out);
    if (outcome.reportPath.empty() && !outcome.reportText.empty()) {
        // The report could not be written where it belongs: it is shown here instead.
        err << kProgramName << " convert: the report could not be written (" << outcome.reportError << "); here it is:\n"
            << outcome.reportText;
    }
    if (outcome.pstFailed)
        err << kProgramName << " convert: the PST file could not be completed, so its messages are in no file. Convert "
               "again, with --target eml or into another folder (--out).\n";
    const bool lost = !outcome.failures.empty() || outcome.pstFailed || outcome.attachmentsMissing > 0 ||
                      outcome.attachmentsRefused > 0 || outcome.end != RunOutcome::End::Completed;
    return lost ? kExitFailed : kExitOk;
}

}  // namespace quill::cli
