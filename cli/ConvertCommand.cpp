#include <chrono>
#include <iomanip>
#include <sstream>

#include "cli/Commands.h"
#include "convert/ConversionRun.h"
#include "store/StoreListing.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace quill::cli {
namespace {

constexpr const char* kConvertUsage =
    "usage: quillmere convert [--store DIR] [--attachments DIR] --out DIR [--target eml|pst] [--advance]"
    " [CONTAINER...]\n";

struct Options {
    std::string store, attachments, out, target = "eml";
    bool advance = false;
    std::vector<std::string> containers;
};

// The command line plays the window: the out folder is the chosen folder,
// boxes are printed, progress goes to stderr.
class ConsoleRun : public RunView, public FolderChooser, public MessageBoxes, public EventPump, public Clock {
  public:
    ConsoleRun(const Options& o, std::vector<std::string> entries, std::ostream& out, std::ostream& err)
        : o_(o), entries_(std::move(entries)), out_(out), err_(err), terminal_(platform::StderrIsTerminal()) {}

    int ListCount() override { return static_cast<int>(entries_.size()); }
    bool Selected(int) override { return true; }
    std::string List(int i) override { return entries_[static_cast<std::size_t>(i)]; }
    std::string StorePath() override { return platform::JoinPath(o_.store, ""); }
    std::string AttachmentPath() override { return platform::JoinPath(o_.attachments, ""); }
    bool OptOutlook() override { return o_.target == "pst"; }
    bool AdvanceMode() override { return o_.advance; }
    void SetIMMFileLabel(const std::string& text) override {
        EndLine();
        current_ = text;
        started_ = std::chrono::steady_clock::now();
    }
    void SetLog(const std::string&) override {}
    std::string BrowseForFolder(const std::string&) override {
        return platform::MakeDirectories(o_.out) ? o_.out : std::string();
    }
    void Show(const std::string& text, BoxIcon) override {
        EndLine();
        std::string t = text;
        for (std::size_t p; (p = t.find("\r\n")) != std::string::npos;) t.replace(p, 2, "\n");
        out_ << t << "\n";
    }
    void Pump() override {}
    LocalTime Now() override { return platform::LocalNow(); }

    void Progress(const std::string& container, std::uint64_t messages, std::uint64_t bytes) {
        messages_ = messages;
        bytes_ = bytes;
        if (!terminal_) return;
        auto now = std::chrono::steady_clock::now();
        if (now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;
        double secs = std::chrono::duration<double>(now - started_).count();
        double mb = static_cast<double>(bytes) / 1e6;
        std::ostringstream line;
        line << "\r" << container << ": " << messages << " messages, " << std::fixed << std::setprecision(1) << mb
             << " MB, " << (secs > 0 ? mb / secs : 0.0) << " MB/s   ";
        err_ << line.str() << std::flush;
        drawn_ = true;
    }
    void EndLine() {
        if (current_.empty()) return;
        if (terminal_ && drawn_) err_ << "\r";
        err_ << current_ << ": " << messages_ << " messages, " << bytes_ << " bytes\n";
        current_.clear();
        messages_ = bytes_ = 0;
        drawn_ = false;
    }

  private:
    const Options& o_;
    std::vector<std::string> entries_;
    std::ostream& out_;
    std::ostream& err_;
    bool terminal_;
    std::string current_;
    std::uint64_t messages_ = 0, bytes_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point started_{}, lastDraw_{};
};

bool Parse(const std::vector<std::string>& args, Options& o, std::ostream& err) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                err << "quillmere convert: " << a << " needs a value\n";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--store") {
            if (!value(o.store)) return false;
        } else if (a == "--attachments") {
            if (!value(o.attachments)) return false;
        } else if (a == "--out") {
            if (!value(o.out)) return false;
        } else if (a == "--target") {
            if (!value(o.target)) return false;
            if (o.target != "eml" && o.target != "pst") {
                err << "quillmere convert: --target is eml or pst\n";
                return false;
            }
        } else if (a == "--advance") {
            o.advance = true;
        } else if (a.size() > 1 && a[0] == '-') {
            err << "quillmere convert: unknown option \"" << a << "\"\n";
            return false;
        } else {
            o.containers.push_back(a);
        }
    }
    return !o.out.empty();
}

// The store named on the command line, else the one found on this machine.
bool ResolveStore(std::string& store, const ConvertHooks& hooks, const char* verb, std::ostream& err) {
    if (!store.empty()) return true;
    if (hooks.findStore) store = hooks.findStore();
    if (!store.empty()) return true;
    err << "quillmere " << verb << ": no IncrediMail store found on this machine; name it with --store DIR\n";
    return false;
}

}  // namespace

int ListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const ConvertHooks& hooks) {
    std::string store;
    if (args.size() == 2 && args[0] == "--store") {
        store = args[1];
    } else if (!args.empty()) {
        err << "usage: quillmere list [--store DIR]\n";
        return kExitUsage;
    }
    if (!ResolveStore(store, hooks, "list", err)) return kExitFailed;
    try {
        for (const auto& name : ListContainers(store)) out << name << "\n";
    } catch (const platform::FileError& e) {
        err << "quillmere list: " << e.what() << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

int ConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const ConvertHooks& hooks) {
    Options o;
    if (!Parse(args, o, err)) {
        err << kConvertUsage;
        return kExitUsage;
    }
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
    s.progress = [&](const std::string& c, std::uint64_t m, std::uint64_t b) { console.Progress(c, m, b); };
    ConversionRun run(std::move(s));
    RunOutcome outcome = run.Convert();
    console.EndLine();

    out << "containers " << outcome.containers << ", messages saved " << outcome.messagesSaved << ", messages failed "
        << outcome.messagesFailed << ", containers failed " << outcome.containersFailed << "\n";
    if (!outcome.pstPath.empty()) out << "PST file: " << outcome.pstPath << "\n";
    if (!outcome.reportPath.empty()) out << "report: " << outcome.reportPath << "\n";
    if (outcome.end == RunOutcome::End::Cancelled) {
        err << "quillmere convert: cannot create folder \"" << o.out << "\"\n";
        return kExitFailed;
    }
    return outcome.end == RunOutcome::End::Completed && outcome.failures.empty() ? kExitOk : kExitFailed;
}

}  // namespace quill::cli
