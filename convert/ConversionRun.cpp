#include "convert/ConversionRun.h"

#include <cstdio>

#include "convert/EmlMessageFile.h"
#include "platform/File.h"
#include "platform/NumberedName.h"
#include "platform/Path.h"
#include "store/ContainerReader.h"

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
    if (!outcome.failures.empty()) WriteReport(outcome);
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
    }
    s_.boxes->Show(text, BoxIcon::None);
    return outcome;
}

void ConversionRun::ConvertContainer(const std::string& entry, bool outlook, RunOutcome& outcome, OutlookTarget* pst,
                                     const std::string& workFolder) {
    ++outcome.containers;
    s_.view->SetIMMFileLabel(entry);
    const std::string path = platform::JoinPath(s_.view->StorePath(), entry);
    const std::string folderName = ContainerFolderName(entry);
    auto containerFailed = [&](std::uint64_t offset, const std::string& what, const std::string& why) {
        ++outcome.containersFailed;
        outcome.failures.push_back({entry, 0, offset, what, why});
    };

    std::string marker;
    try {
        marker = ReadIMMFile(path);
    } catch (const platform::FileError& e) {
        containerFailed(e.offset(), "reading the container", e.what());
        return;
    }
    if (outlook) {
        TargetResult added = pst->AddFolder(folderName);
        if (!added.ok) outcome.failures.push_back({entry, 0, 0, "adding the PST folder", added.error});
    }
    // EML: one subfolder per container, so equal message numbers never meet.
    const std::string messageFolder = outlook ? workFolder : outcome.targetFolder + folderName;
    if (!platform::MakeDirectories(messageFolder)) {
        containerFailed(0, "creating the folder", "cannot create \"" + messageFolder + "\"");
        return;
    }
    const bool advance = s_.view->AdvanceMode();

    std::uint64_t saved = 0;
    std::uint64_t bytes = 0;
    auto messageFailed = [&](const SplitMessage& m, const std::string& what, const std::string& why) {
        ++outcome.messagesFailed;
        outcome.failures.push_back({entry, m.number, m.offset, what, why});
    };
    auto sink = [&](SplitMessage& m) {
        bytes += m.text.size();
        WriteResult written = WriteMessageFile(messageFolder, m.number, m.text);
        std::string().swap(m.text);
        if (!written.ok) {
            messageFailed(m, "writing the message file", written.error);
        } else {
            Pump();
            bool converted = true;
            if (s_.finisher) {
                FinishResult f = s_.finisher->Finish(written.path, Trim(s_.view->AttachmentPath()));
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
                TargetResult imported = pst->Import(folderName, written.path);
                if (imported.ok) {
                    platform::RemoveFile(written.path);
                } else {
                    if (converted)
                        messageFailed(m, "importing into the PST",
                                      imported.error +
                                          "; the message "
                                          "file stays at \"" +
                                          written.path + "\"");
                    converted = false;
                }
            }
            if (converted) ++saved;
        }
        s_.view->SetLog("Saved " + std::to_string(saved) + " Email Messages...");
        if (s_.progress) s_.progress(entry, saved, bytes);
    };
    SplitResult split = SplitIMMFile(path, marker, advance, sink, [this] { return Pump(); });
    outcome.messagesSaved += saved;
    if (!split.complete) containerFailed(split.errorOffset, "reading the container", split.error);
}

void ConversionRun::WriteReport(RunOutcome& outcome) {
    std::string text = "Quillmere conversion report\r\n";
    text += "Target folder: " + outcome.targetFolder + "\r\n";
    text += Plural(outcome.messagesFailed, "message") + " and " +
            Plural(static_cast<std::uint64_t>(outcome.containersFailed), "container") +
            " could not be converted.\r\n\r\n";
    text += "container\tmessage\toffset\twhat failed\twhy\r\n";
    for (const auto& f : outcome.failures) {
        text += f.container + "\t" + (f.message ? std::to_string(f.message) : std::string("-")) + "\t" +
                std::to_string(f.offset) + "\t" + f.what + "\t" + f.why + "\r\n";
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
