#include "convert/ConversionRun.h"

#include <cstdio>
#include <new>

#include "convert/AttachmentNames.h"
#include "convert/EmlMessageFile.h"
#include "convert/PendingMessage.h"
#include "platform/File.h"
#include "platform/NumberedName.h"
#include "platform/Path.h"
#include "store/ContainerReader.h"
#include "store/IndexedContainer.h"

namespace quill {
namespace {

bool EndsWithSeparator(const std::string& path) { return !path.empty() && platform::IsPathSeparator(path.back()); }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

std::string Plural(std::uint64_t n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

// "was" or "were", for the sentences of the summary.
const char* Was(std::uint64_t n) { return n == 1 ? "was" : "were"; }

void AddRun(std::vector<std::pair<int, int>>& runs, int number) {
    if (!runs.empty() && runs.back().second + 1 == number)
        runs.back().second = number;
    else
        runs.emplace_back(number, number);
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : "; ") + n;
    return out.empty() ? "-" : out;
}

}  // namespace

std::string ContainerFolderName(const std::string& entry) {
    std::string name(platform::WithoutContainerExtension(platform::LastPathComponent(entry)));
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return name;
}

std::string SafeFolderName(const std::string& label) {
    std::string name;
    for (char c : label) {
        name += IsUnfitInFileName(c) || platform::IsPathSeparator(c) ? '_' : c;
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    if (name.empty() || platform::IsWindowsDeviceName(name)) name = "_" + name;
    return name;
}

std::string FormatRunTime(const LocalTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%02d %d.%d.%02d", t.day, t.month, t.year % 100, t.hour, t.minute, t.second);
    return text;
}

std::string DescribeNumberRuns(const std::vector<std::pair<int, int>>& runs) {
    std::string out;
    for (const auto& [first, last] : runs) {
        out += out.empty() ? "" : ", ";
        out += std::to_string(first);
        if (last != first) out += "-" + std::to_string(last);
    }
    return out;
}

bool ConversionRun::Pump() {
    if (s_.pump) s_.pump->Pump();
    return !stopRequested_;
}

RunOutcome ConversionRun::Convert() {
    RunOutcome outcome;
    if (running_) {
        outcome.end = RunOutcome::End::Refused;
        return outcome;
    }
    running_ = true;
    stopRequested_ = false;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};

    indexes_.clear();
    deletedFolders_.clear();
    inPst_.clear();
    std::string folder = s_.chooser->BrowseForFolder(kChooseFolderTitle);
    if (folder.empty()) return outcome;
    if (!EndsWithSeparator(folder)) folder = platform::JoinPath(folder, "");
    if (!EndsWithSeparator(folder)) folder += '/';
    outcome.targetFolder = folder;

    // The target is fixed for the whole run: a PST that is open takes every message.
    const bool outlook = s_.view->OptOutlook();
    std::unique_ptr<OutlookTarget> pst;
    std::string workFolder;
    if (outlook) {
        pst = s_.makeOutlookTarget ? s_.makeOutlookTarget() : nullptr;
        TargetResult opened = pst ? pst->Open(folder, *s_.clock) : TargetResult::Failed("this build has no PST writer");
        if (!opened.ok) {
            outcome.end = RunOutcome::End::OpenFailed;
            s_.boxes->Show(std::string(kPstCreateFailedText) + "\r\n" + opened.error, BoxIcon::Information);
            return outcome;
        }
        outcome.pstPath = pst->Path();
        // Made only when an import fails: the message then waits there in a file of its own.
        workFolder = folder + "Quillmere import " + FormatRunTime(s_.clock->Now());
    }

    Pump();
    for (int i = 0; i < s_.view->ListCount() && !stopRequested_; ++i) {
        if (!Pump()) break;
        if (!s_.view->Selected(i)) continue;
        ConvertContainer(s_.view->List(i), outlook, outcome, pst.get(), workFolder);
    }

    if (pst) {
        TargetResult closed = pst->Close();
        if (closed.ok)
            outcome.pstPath = pst->Path();
        else
            PstNotCompleted(outcome, closed.error);
    }
    if (!workFolder.empty()) {
        for (const auto& [entry, runs] : inPst_) platform::RemoveEmptyDirectory(platform::JoinPath(workFolder, entry));
        platform::RemoveEmptyDirectory(workFolder);
    }

    Pump();
    WriteReport(outcome);
    if (stopRequested_) {
        outcome.end = RunOutcome::End::Stopped;
        return outcome;
    }
    outcome.end = RunOutcome::End::Completed;
    s_.boxes->Show(CompletionText(outcome), BoxIcon::None);
    return outcome;
}

void ConversionRun::PstNotCompleted(RunOutcome& outcome, const std::string& why) {
    outcome.pstFailed = true;
    outcome.pstError = why;
    for (const auto& [entry, runs] : inPst_) {
        if (runs.empty()) continue;
        std::uint64_t count = 0;
        for (const auto& [first, last] : runs) count += static_cast<std::uint64_t>(last - first + 1);
        outcome.messagesSaved -= std::min(outcome.messagesSaved, count);
        outcome.messagesFailed += count;
        outcome.failures.push_back({entry, 0, 0, "writing the PST file",
                                    "the PST file could not be completed, so " + Plural(count, "message") +
                                        " of this container (" + DescribeNumberRuns(runs) +
                                        ") are in no output file: convert them again"});
    }
    outcome.messagesDeleted = 0;  // every saved one was in the PST
}

std::string ConversionRun::CompletionText(const RunOutcome& outcome) const {
    std::string text = kCompletedText;
    auto line = [&](const std::string& l) { text += "\r\n" + l; };
    if (outcome.pstFailed)
        line("The PST file was not written (" + outcome.pstError +
             "). None of its messages are saved: convert again, as EML files or into another folder.");
    if (outcome.messagesFailed > 0) line(Plural(outcome.messagesFailed, "message") + " could not be converted.");
    if (outcome.containersFailed > 0)
        line(Plural(static_cast<std::uint64_t>(outcome.containersFailed), "container") + " could not be read.");
    if (outcome.attachmentsMissing > 0)
        line(Plural(static_cast<std::uint64_t>(outcome.attachmentsMissing), "attachment") + " " +
             Was(static_cast<std::uint64_t>(outcome.attachmentsMissing)) +
             " not found in the attachments folder: a note stands in the message in place of each.");
    if (outcome.attachmentsRefused > 0)
        line(Plural(static_cast<std::uint64_t>(outcome.attachmentsRefused), "attachment") + " " +
             Was(static_cast<std::uint64_t>(outcome.attachmentsRefused)) +
             " refused: the attachments folder holds a link or a special file under that name.");
    if (outcome.messagesRenamed > 0)
        line(Plural(outcome.messagesRenamed, "message") + " " + Was(outcome.messagesRenamed) +
             " written under a numbered name (\"email-N (2).eml\"): the folder already held a file of that name.");
    if (!outcome.reportPath.empty()) {
        const bool problems = outcome.pstFailed || !outcome.failures.empty() || outcome.attachmentsMissing > 0 ||
                              outcome.attachmentsRefused > 0;
        line(std::string(problems ? "Details are in" : "Notes on the conversion are in") + " \"" + outcome.reportPath +
             "\".");
    } else if (!outcome.reportError.empty()) {
        line("The report could not be written (" + outcome.reportError + ").");
    }
    return text;
}

const StoreIndex& ConversionRun::IndexFor(const std::string& storePath, RunOutcome& outcome) {
    auto& slot = indexes_[storePath];
    if (slot) return *slot;
    slot = std::make_unique<StoreIndex>(StoreIndex::Open(storePath));
    const StoreIndex& index = *slot;
    if (index.Kind() != IndexKind::None && outcome.storeIndex.empty()) outcome.storeIndex = IndexKindName(index.Kind());
    if (!index.Error().empty())
        outcome.notes.push_back({"", "the store's index could not be read (" + index.Error() +
                                         "): every container was cut by header lines"});
    if (index.Found().size() > 1) {
        std::string found;
        for (IndexKind k : index.Found()) found += (found.empty() ? "" : ", ") + IndexKindName(k);
        outcome.notes.push_back({"", "the store holds the indexes of several IncrediMail versions (" + found +
                                         "); used the newest: " + IndexKindName(index.Found().front())});
    }
    return index;
}

// What one container's messages share while it is converted.
struct ConversionRun::ContainerWork {
    std::string entry;
    bool outlook = false;
    OutlookTarget* pst = nullptr;
    FolderPath pstFolder;
    std::string emlFolder;
    std::string workFolder;  // PST: where a message waits whose import failed
    bool skipDeleted = false;
    std::vector<std::pair<int, int>>* inPst = nullptr;
    std::function<bool()> deletedFolderReady;  // makes the deleted messages' folder on first use
    FolderPath pstDeleted;
    std::string emlDeleted;
    std::string deletedFolderError;
    std::uint64_t saved = 0;
    std::uint64_t bytes = 0;
    std::uint64_t total = 0;  // the container file's size; 0 when it has none
};

void ConversionRun::ConvertContainer(const std::string& entry, bool outlook, RunOutcome& outcome, OutlookTarget* pst,
                                     const std::string& workFolder) {
    ++outcome.containers;
    s_.view->SetIMMFileLabel(entry);
    const std::string storePath = s_.view->StorePath();
    const StoreIndex& index = IndexFor(storePath, outcome);
    auto containerFailed = [&](std::uint64_t offset, const std::string& what, const std::string& why) {
        ++outcome.containersFailed;
        outcome.failures.push_back({entry, 0, offset, what, why});
    };

    // A name the store does not list (given on the command line) is a container file of its own.
    StoreContainer unlisted;
    const StoreContainer* found = index.Find(entry);
    if (!found) {
        unlisted.entry = entry;
        unlisted.immPath = platform::JoinPath(storePath, entry);
        found = &unlisted;
    }
    const StoreContainer& container = *found;
    // A container file that can't be opened is passed over before anything is made for it.
    if (!container.indexed || index.Kind() == IndexKind::Imh || platform::PathExists(container.immPath)) {
        try {
            platform::InputFile probe(container.immPath);
        } catch (const platform::FileError& e) {
            containerFailed(e.offset(), "reading the container", e.what());
            return;
        }
    }

    ContainerWork work;
    work.entry = entry;
    try {
        if (platform::KindAt(container.immPath) != platform::FileKind::Missing)
            work.total = platform::FileSize(container.immPath);
    } catch (const platform::FileError&) {
        work.total = 0;
    }
    work.outlook = outlook;
    work.pst = pst;
    work.skipDeleted = s_.view->SkipDeleted();
    // Folders: IncrediMail's tree where the store has one, the container's name otherwise.
    work.emlFolder = outcome.targetFolder;
    if (container.folderPath.empty()) {
        work.pstFolder = ContainerFolderName(entry);
        work.emlFolder = platform::JoinPath(work.emlFolder, ContainerFolderName(entry));
    } else {
        work.pstFolder = container.folderPath;
        for (const auto& label : container.folderPath)
            work.emlFolder = platform::JoinPath(work.emlFolder, SafeFolderName(label));
    }
    if (outlook) {
        TargetResult added = pst->AddFolder(work.pstFolder);
        if (!added.ok) outcome.failures.push_back({entry, 0, 0, "adding the PST folder", added.error});
        work.workFolder = platform::JoinPath(workFolder, ContainerFolderName(entry));
        inPst_.emplace_back(ContainerFolderName(entry), std::vector<std::pair<int, int>>{});
        work.inPst = &inPst_.back().second;
    } else if (std::string why; !platform::MakeDirectories(work.emlFolder, &why)) {
        // EML: one folder per container, so equal message numbers never meet.
        containerFailed(0, "creating the folder", why);
        return;
    }
    const bool advance = s_.view->AdvanceMode();

    bool deletedReady = false;
    work.deletedFolderReady = [&]() -> bool {
        if (deletedReady) return true;
        if (outlook) {
            std::string name = work.pstFolder.names.back();
            for (int n = 2; deletedFolders_.count(name); ++n)
                name = platform::NumberedName(work.pstFolder.names.back(), "", n);
            deletedFolders_.insert(name);
            work.pstDeleted = std::vector<std::string>{kDeletedFolderName, name};
            TargetResult added = pst->AddFolder(work.pstDeleted);
            if (!added.ok) outcome.failures.push_back({entry, 0, 0, "adding the PST folder", added.error});
        } else {
            work.emlDeleted = platform::JoinPath(work.emlFolder, kDeletedFolderName);
            if (!platform::MakeDirectories(work.emlDeleted, &work.deletedFolderError)) return false;
        }
        deletedReady = true;
        return true;
    };

    auto sink = [&](StoreMessage& m) { ConvertMessage(work, m, outcome); };
    ContainerRead read = ReadStoreContainer(index, container, advance, sink, [this] { return Pump(); });
    outcome.messagesSaved += work.saved;
    outcome.messagesExact += read.exact;
    outcome.messagesCut += read.cut;

    if (read.way == ContainerRead::Way::FellBack) {
        ++outcome.containersFellBack;
        outcome.notes.push_back({entry, "its index was not used (" + read.fellBackWhy + "): cut by header lines"});
    } else if (read.way == ContainerRead::Way::Cut && index.Kind() != IndexKind::None) {
        outcome.notes.push_back({entry, "no index covers it: cut by header lines"});
    }
    for (const auto& gap : read.gaps) {
        outcome.notes.push_back(
            {entry, "bytes " + std::to_string(gap.offset) + " to " + std::to_string(gap.offset + gap.size - 1) +
                        " are covered by no index record: cut into message" + (gap.messages == 1 ? " " : "s ") +
                        std::to_string(gap.firstNumber) +
                        (gap.messages == 1 ? "" : " to " + std::to_string(gap.firstNumber + gap.messages - 1))});
    }
    for (const auto& u : read.unread) {
        ++outcome.messagesFailed;
        outcome.failures.push_back({entry, u.number, 0, "reading the message", u.why});
    }
    if (!read.complete) containerFailed(read.errorOffset, "reading the container", read.error);
}

void ConversionRun::ConvertMessage(ContainerWork& work, StoreMessage& m, RunOutcome& outcome) {
    work.bytes += m.text.size();
    if (m.deleted && work.skipDeleted) {
        ++outcome.deletedSkipped;
        return;
    }
    const std::uint64_t size = m.text.size();
    auto failed = [&](const std::string& what, const std::string& why) {
        ++outcome.messagesFailed;
        outcome.failures.push_back({work.entry, m.number, m.offset, what, why});
    };
    // Everything that happens to one message stays with it: any failure is
    // this message's, reported with its cause, and the next one follows.
    bool saved = false;
    try {
        saved = SaveMessage(work, m, outcome, failed);
    } catch (const std::bad_alloc&) {
        failed("converting the message", "not enough memory for a message of " + std::to_string(size) + " bytes");
    } catch (const std::exception& e) {
        failed("converting the message", e.what());
    } catch (...) {
        failed("converting the message", "an unexpected failure");
    }
    if (saved) {
        ++work.saved;
        if (m.deleted) ++outcome.messagesDeleted;
    }
    s_.view->SetLog("Saved " + std::to_string(work.saved) + " Email Messages...");
    if (s_.progress) s_.progress(work.entry, work.saved, work.bytes, work.total);
}

bool ConversionRun::SaveMessage(ContainerWork& work, StoreMessage& m, RunOutcome& outcome,
                                const std::function<void(const std::string&, const std::string&)>& failed) {
    std::string folder = work.emlFolder;
    if (m.deleted) {
        if (!work.deletedFolderReady()) {
            failed("creating the folder", work.deletedFolderError);
            return false;
        }
        if (!work.outlook) folder = work.emlDeleted;
    }
    PendingMessage message(std::move(m.text));
    std::string().swap(m.text);
    if (s_.finisher) {
        // A message kept in its own file has its own attachments folder.
        const std::string attachments =
            m.attachmentFolder.empty() ? Trim(s_.view->AttachmentPath()) : m.attachmentFolder;
        FinishResult f = s_.finisher->Finish(message, attachments);
        if (f.cutApplied) ++outcome.messagesJoinedCut;
        const int parts = f.attachmentsRestored + f.attachmentsKept + static_cast<int>(f.attachmentsMissing.size()) +
                          static_cast<int>(f.attachmentsRefused.size());
        if (parts > 0) {
            outcome.attachmentsRestored += f.attachmentsRestored;
            outcome.attachmentsKept += f.attachmentsKept;
            outcome.attachmentsMissing += static_cast<int>(f.attachmentsMissing.size());
            outcome.attachmentsRefused += static_cast<int>(f.attachmentsRefused.size());
            outcome.attachments.push_back({work.entry, m.number, f.attachmentsRestored, f.attachmentsKept,
                                           std::move(f.attachmentsMissing), std::move(f.attachmentsRefused)});
        }
        if (f.status == FinishResult::Status::Failed)
            outcome.notes.push_back({work.entry, "message " + std::to_string(m.number) +
                                                     " could not be finished and stays as it was cut: " + f.error});
    }
    bool saved = false;
    if (!work.outlook) {
        WriteResult written = WriteMessageFile(folder, m.number, message);
        if (written.ok) {
            if (written.copy > 1) ++outcome.messagesRenamed;
            saved = true;
        } else {
            failed("writing the message file", written.error);
        }
    } else {
        const mime::MimeMessage& parsed = message.Message();
        message.ReleaseText();  // the tree holds it now: one copy of the message
        ImportDetails details;
        details.storeTime = m.indexTime;
        TargetResult imported = work.pst->ImportMessage(m.deleted ? work.pstDeleted : work.pstFolder, parsed, details);
        if (imported.ok) {
            AddRun(*work.inPst, m.number);
            saved = true;
            if (!imported.notes.empty()) ++outcome.messagesMended;
            for (const auto& note : imported.notes)
                outcome.notes.push_back({work.entry, "message " + std::to_string(m.number) + ": " + note});
        } else {
            // Never lost: the message waits in a file of its own.
            WriteResult kept;
            if (platform::MakeDirectories(work.workFolder, &kept.error))
                kept = WriteMessageFile(work.workFolder, m.number, message);
            failed("importing into the PST",
                   imported.error + (kept.ok ? "; the message file stays at \"" + kept.path + "\""
                                             : "; its message file could not be written either: " + kept.error));
        }
    }
    Pump();
    return saved;
}

void ConversionRun::WriteReport(RunOutcome& outcome) {
    bool attachmentNews = false;
    for (const auto& a : outcome.attachments)
        attachmentNews = attachmentNews || a.restored > 0 || !a.missing.empty() || !a.refused.empty();
    if (outcome.failures.empty() && outcome.notes.empty() && !attachmentNews && !outcome.pstFailed &&
        outcome.messagesRenamed == 0)
        return;
    std::string text = "Quillmere conversion report\r\n";
    text += "Target folder: " + outcome.targetFolder + "\r\n";
    if (!outcome.pstPath.empty())
        text += outcome.pstFailed ? "PST file: not written (" + outcome.pstError + ")\r\n"
                                  : "PST file: " + outcome.pstPath + "\r\n";
    text += Plural(outcome.messagesSaved, "message") + " saved; " + Plural(outcome.messagesFailed, "message") +
            " and " + Plural(static_cast<std::uint64_t>(outcome.containersFailed), "container") +
            " could not be converted.\r\n";
    text += "Attachments: " + std::to_string(outcome.attachmentsRestored) + " restored from the attachments folder, " +
            std::to_string(outcome.attachmentsKept) + " kept as the message carried them, " +
            std::to_string(outcome.attachmentsMissing) + " missing, " + std::to_string(outcome.attachmentsRefused) +
            " refused.\r\n";
    if (outcome.messagesJoinedCut > 0)
        text += Plural(outcome.messagesJoinedCut, "message") +
                " held a joined message, cut off and kept as an attachment.\r\n";
    if (outcome.messagesRenamed > 0)
        text += Plural(outcome.messagesRenamed, "message") +
                " written under a numbered name: the folder already held a file of the plain name.\r\n";
    if (!outcome.storeIndex.empty()) text += "Store index: " + outcome.storeIndex + "\r\n";
    if (!outcome.failures.empty()) {
        text += "\r\ncontainer\tmessage\toffset\twhat failed\twhy\r\n";
        for (const auto& f : outcome.failures) {
            text += f.container + "\t" + (f.message ? std::to_string(f.message) : std::string("-")) + "\t" +
                    std::to_string(f.offset) + "\t" + f.what + "\t" + f.why + "\r\n";
        }
    }
    if (attachmentNews) {
        text += "\r\ncontainer\tmessage\trestored\tkept\tmissing\trefused\r\n";
        for (const auto& a : outcome.attachments) {
            std::string refused;
            for (const auto& [name, why] : a.refused)
                refused += (refused.empty() ? "" : "; ") + name + " (" + why + ")";
            text += a.container + "\t" + std::to_string(a.message) + "\t" + std::to_string(a.restored) + "\t" +
                    std::to_string(a.kept) + "\t" + JoinNames(a.missing) + "\t" + (refused.empty() ? "-" : refused) +
                    "\r\n";
        }
    }
    if (!outcome.notes.empty()) {
        text += "\r\ncontainer\tnote\r\n";
        for (const auto& n : outcome.notes) text += (n.container.empty() ? "-" : n.container) + "\t" + n.what + "\r\n";
    }
    outcome.reportText = text;
    const std::string stem = outcome.targetFolder + "Quillmere report " + FormatRunTime(s_.clock->Now());
    try {
        auto path = platform::CreateUnderFreeName(
            stem, ".txt", [&](const std::string& candidate) { return platform::WriteNewFile(candidate, text); });
        if (path)
            outcome.reportPath = *path;
        else
            outcome.reportError = "no free file name next to \"" + stem + ".txt\"";
    } catch (const platform::FileError& e) {
        outcome.reportError = e.what();
    }
}

}  // namespace quill
