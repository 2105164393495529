#include "cli/Commands.h"

#include "cli/CommandLine.h"
#include "cli/ProgressLine.h"
#include "convert/ConversionRun.h"
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
    std::string BrowseForFolder(const std::string&) override {
        return platform::MakeDirectories(o_.out) ? o_.out : std::string();
    }
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
    if (!store.empty()) return true;
    err << "quillmere " << verb << ": no IncrediMail store found on this machine; name it with --store DIR\n";
    return false;
}

}  // namespace

int RunList(const ListOptions& options, std::ostream& out, std::ostream& err, const ConvertHooks& hooks) {
    std::string store = options.store;
    if (!ResolveStore(store, hooks, "list", err)) return kExitFailed;
    try {
        for (const auto& name : ListContainers(store)) out << name << "\n";
    } catch (const platform::FileError& e) {
        err << "quillmere list: " << e.what() << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err, const ConvertHooks& hooks) {
    ConvertOptions o = options;
    if (!ResolveStore(o.store, hooks, "convert", err)) return kExitFailed;
    if (o.attachments.empty()) o.attachments = platform::JoinPath(o.store, "Attachments");
    std::vector<std::string> entries = o.containers;
    if (entries.empty()) {
        try {
            entries = ListContainers(o.store);
        } catch (const platform::FileError& e) {
            err << "quillmere convert: " << e.what() << "\n";
            return kExitFailed;
        }
    }
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
    s.progress = [&](const std::string& c, std::uint64_t m, std::uint64_t b) { console.Progress().Update(c, m, b); };
    ConversionRun run(std::move(s));
    RunOutcome outcome = run.Convert();
    console.Progress().End();

    out << "containers " << outcome.containers << ", messages saved " << outcome.messagesSaved << ", messages failed "
        << outcome.messagesFailed << ", containers failed " << outcome.containersFailed << "\n";
    // How the store was read: by its own index, by the cut, or both.
    out << "index " << (outcome.storeIndex.empty() ? std::string("none") : outcome.storeIndex) << ": messages exact "
        << outcome.messagesExact << ", deleted " << outcome.messagesDeleted;
    if (o.skipDeleted) out << " (" << outcome.deletedSkipped << " more left out)";
    out << ", cut by header lines " << outcome.messagesCut << ", containers fallen back " << outcome.containersFellBack
        << "\n";
    if (!outcome.pstPath.empty()) out << "PST file: " << outcome.pstPath << "\n";
    if (!outcome.reportPath.empty()) out << "report: " << outcome.reportPath << "\n";
    if (outcome.end == RunOutcome::End::Cancelled) {
        err << "quillmere convert: cannot create folder \"" << o.out << "\"\n";
        return kExitFailed;
    }
    return outcome.end == RunOutcome::End::Completed && outcome.failures.empty() ? kExitOk : kExitFailed;
}

}  // namespace quill::cli
