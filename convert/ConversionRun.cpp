#include "convert/ConversionRun.h"

#include <cstdio>

#include "convert/AttachmentNames.h"
#include "convert/EmlMessageFile.h"
#include "platform/File.h"
#include "platform/NumberedName.h"
#include "platform/Path.h"
#include "store/ContainerReader.h"
#include "store/IndexedContainer.h"

namespace quill {
namespace {

constexpr const char* kOutlookFailureLines =
    "Check Outlook Installation !\r\n"
    "You need to use the software on a machine having Outlook 2003/2007/2010 (32 Bit) as it does not support "
    "Outlook 2010 (64 Bit).\r\n"
    "Re-install Outlook 2010 as 32 bit.";

bool EndsWithSeparator(const std::string& path) { return !path.empty() && platform::IsPathSeparator(path.back()); }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

std::string Plural(std::uint64_t n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

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
            s_.boxes->Show(std::string(kOutlookFailureLines) + "\r\n" + opened.error, BoxIcon::Information);
            return outcome;
        }
        outcome.pstPath = pst->Path();
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
        if (!closed.ok) outcome.failures.push_back({"", 0, 0, "closing the PST file", closed.error});
    }
    if (!workFolder.empty()) platform::RemoveEmptyDirectory(workFolder);

    Pump();
    if (!outcome.failures.empty() || !outcome.notes.empty()) WriteReport(outcome);
    if (stopRequested_) {
        outcome.end = RunOutcome::End::Stopped;
        return outcome;
    }
    outcome.end = RunOutcome::End::Completed;
    std::string text = kCompletedText;
    if (!outcome.failures.empty()) {
        text += "\r\n" + Plural(outcome.messagesFailed, "message") + " and " +
                Plural(static_cast<std::uint64_t>(outcome.containersFailed), "container") +
                " could not be converted; see \"" + outcome.reportPath + "\".";
    } else if (!outcome.notes.empty()) {
        text += "\r\nNotes on how the store was read are in \"" + outcome.reportPath + "\".";
    }
    s_.boxes->Show(text, BoxIcon::None);
    return outcome;
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

    // Folders: IncrediMail's tree where the store has one, the container's name otherwise.
    FolderPath pstFolder;
    std::string emlFolder = outcome.targetFolder;
    if (container.folderPath.empty()) {
        pstFolder = ContainerFolderName(entry);
        emlFolder = platform::JoinPath(emlFolder, ContainerFolderName(entry));
    } else {
        pstFolder = container.folderPath;
        for (const auto& label : container.folderPath) emlFolder = platform::JoinPath(emlFolder, SafeFolderName(label));
    }
    if (outlook) {
        TargetResult added = pst->AddFolder(pstFolder);
        if (!added.ok) outcome.failures.push_back({entry, 0, 0, "adding the PST folder", added.error});
    }
    // EML: one folder per container, so equal message numbers never meet.
    const std::string messageFolder = outlook ? workFolder : emlFolder;
    if (!platform::MakeDirectories(messageFolder)) {
        containerFailed(0, "creating the folder", "cannot create \"" + messageFolder + "\"");
        return;
    }
    const bool advance = s_.view->AdvanceMode();
    const bool skipDeleted = s_.view->SkipDeleted();

    // The deleted messages' folder is made when the first one comes.
    FolderPath pstDeleted;
    std::string emlDeleted;
    bool deletedReady = false;
    auto deletedFolder = [&]() -> bool {
        if (deletedReady) return true;
        if (outlook) {
            std::string name = pstFolder.names.back();
            for (int n = 2; deletedFolders_.count(name); ++n)
                name = platform::NumberedName(pstFolder.names.back(), "", n);
            deletedFolders_.insert(name);
            pstDeleted = std::vector<std::string>{kDeletedFolderName, name};
            TargetResult added = pst->AddFolder(pstDeleted);
            if (!added.ok) outcome.failures.push_back({entry, 0, 0, "adding the PST folder", added.error});
        } else {
            emlDeleted = platform::JoinPath(emlFolder, kDeletedFolderName);
            if (!platform::MakeDirectories(emlDeleted)) return false;
        }
        deletedReady = true;
        return true;
    };

    std::uint64_t saved = 0;
    std::uint64_t bytes = 0;
    auto messageFailed = [&](const StoreMessage& m, const std::string& what, const std::string& why) {
        ++outcome.messagesFailed;
        outcome.failures.push_back({entry, m.number, m.offset, what, why});
    };
    auto sink = [&](StoreMessage& m) {
        bytes += m.text.size();
        if (m.deleted && skipDeleted) {
            ++outcome.deletedSkipped;
            return;
        }
        std::string folder = messageFolder;
        if (m.deleted) {
            if (!deletedFolder()) {
                messageFailed(m, "creating the folder", "cannot create \"" + emlDeleted + "\"");
                return;
            }
            if (!outlook) folder = emlDeleted;
        }
        WriteResult written = WriteMessageFile(folder, m.number, m.text);
        std::string().swap(m.text);
        if (!written.ok) {
            messageFailed(m, "writing the message file", written.error);
        } else {
            Pump();
            bool converted = true;
            if (s_.finisher) {
                // A message kept in its own file has its own attachments folder.
                const std::string attachments =
                    m.attachmentFolder.empty() ? Trim(s_.view->AttachmentPath()) : m.attachmentFolder;
                FinishResult f = s_.finisher->Finish(written.path, attachments);
                for (const auto& name : f.attachmentsMissing)
                    outcome.failures.push_back(
                        {entry, m.number, m.offset, "restoring an attachment",
                         "file \"" + name + "\" not in the attachments folder; the message keeps its own part"});
                if (f.status != FinishResult::Status::Finished) {
                    converted = false;
                    messageFailed(m, "finishing the message file",
                                  f.error + "; kept as written in \"" + written.path + "\"");
                }
            }
            if (outlook) {
                TargetResult imported = pst->Import(m.deleted ? pstDeleted : pstFolder, written.path);
                if (imported.ok) {
                    platform::RemoveFile(written.path);
                } else {
                    if (converted)
                        messageFailed(m, "importing into the PST",
                                      imported.error + "; the message file stays at \"" + written.path + "\"");
                    converted = false;
                }
            }
            if (converted) {
                ++saved;
                if (m.deleted) ++outcome.messagesDeleted;
            }
        }
        s_.view->SetLog("Saved " + std::to_string(saved) + " Email Messages...");
        if (s_.progress) s_.progress(entry, saved, bytes);
    };
    ContainerRead read = ReadStoreContainer(index, container, advance, sink, [this] { return Pump(); });
    outcome.messagesSaved += saved;
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

void ConversionRun::WriteReport(RunOutcome& outcome) {
    std::string text = "Quillmere conversion report\r\n";
    text += "Target folder: " + outcome.targetFolder + "\r\n";
    text += Plural(outcome.messagesFailed, "message") + " and " +
            Plural(static_cast<std::uint64_t>(outcome.containersFailed), "container") +
            " could not be converted.\r\n\r\n";
    if (!outcome.storeIndex.empty()) text += "Store index: " + outcome.storeIndex + "\r\n";
    if (!outcome.failures.empty()) {
        text += "\r\ncontainer\tmessage\toffset\twhat failed\twhy\r\n";
        for (const auto& f : outcome.failures) {
            text += f.container + "\t" + (f.message ? std::to_string(f.message) : std::string("-")) + "\t" +
                    std::to_string(f.offset) + "\t" + f.what + "\t" + f.why + "\r\n";
        }
    }
    if (!outcome.notes.empty()) {
        text += "\r\ncontainer\tnote\r\n";
        for (const auto& n : outcome.notes) text += (n.container.empty() ? "-" : n.container) + "\t" + n.what + "\r\n";
    }
    const std::string stem = outcome.targetFolder + "Quillmere report " + FormatRunTime(s_.clock->Now());
    try {
        auto path = platform::CreateUnderFreeName(
            stem, ".txt", [&](const std::string& candidate) { return platform::WriteNewFile(candidate, text); });
        if (path) outcome.reportPath = *path;
    } catch (const platform::FileError&) {
        // No report then: the outcome still lists every failure.
    }
}

}  // namespace quill
