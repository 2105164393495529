#include "convert/PstTarget.h"

#include "convert/ConversionRun.h"
#include "convert/PstMessageMap.h"
#include "mime/MimeMessage.h"
#include "platform/File.h"
#include "platform/NumberedName.h"
#include "pst/PstWriter.h"

namespace quill {

PstTarget::PstTarget() = default;
PstTarget::~PstTarget() = default;

TargetResult PstTarget::Open(const std::string& targetFolder, Clock& clock) {
    const std::string base = targetFolder + "Quillmere" + FormatRunTime(clock.Now());
    // The clock is read again for the display name, as the original program did.
    displayName_ = "IncrediMail Messages : Created - " + FormatRunTime(clock.Now());
    std::string lastError;
    try {
        auto path = platform::CreateUnderFreeName(base, ".pst", [&](const std::string& candidate) {
            const std::string partial = candidate + kPartialSuffix;
            if (platform::KindAt(candidate) != platform::FileKind::Missing ||
                platform::KindAt(partial) != platform::FileKind::Missing)
                return false;
            try {
                writer_ = std::make_unique<pst::PstWriter>(partial, displayName_);
                return true;
            } catch (const pst::PstError& e) {
                // Another process may have taken the name between the check and the create.
                if (platform::KindAt(partial) == platform::FileKind::Missing) throw;
                lastError = e.what();
                return false;
            }
        });
        if (path) {
            path_ = *path;
            return {};
        }
    } catch (const pst::PstError& e) {
        return TargetResult::Failed(e.what());
    }
    return TargetResult::Failed("no free PST file name next to \"" + base + ".pst\"" +
                                (lastError.empty() ? "" : ": " + lastError));
}

TargetResult PstTarget::AddFolder(const FolderPath& path) {
    if (!writer_) return TargetResult::Failed("the PST file is not open");
    try {
        pst::FolderId folder = writer_->TopFolder();
        for (const auto& name : path.names) {
            auto found = writer_->FindFolder(folder, name);
            folder = found ? *found : writer_->AddFolder(folder, name);
        }
    } catch (const pst::PstError& e) {
        return TargetResult::Failed(e.what());
    }
    return {};
}

TargetResult PstTarget::ImportMessage(const FolderPath& path, const mime::MimeMessage& message,
                                      const ImportDetails& details) {
    if (!writer_) return TargetResult::Failed("the PST file is not open");
    // The folder path "\\<display name>\<folder>..." names a folder under the top.
    std::optional<pst::FolderId> folder = writer_->TopFolder();
    for (const auto& name : path.names)
        if (folder) folder = writer_->FindFolder(*folder, name);
    if (!folder)
        return TargetResult::Failed("no folder \"\\\\" + displayName_ + "\\" + path.Text() + "\" in \"" + path_ + "\"");
    MessageMapOptions options;
    options.indexTime = details.storeTime;
    MessageMapNotes notes;
    TargetResult result;
    try {
        writer_->AddMessage(*folder, MapMessage(message, options, notes));
        if (notes.nulsReplaced > 0)
            result.notes.push_back(std::to_string(notes.nulsReplaced) +
                                   " NUL character(s) in its text became U+FFFD in the PST (readers stop at a NUL); "
                                   "the message file keeps them");
        return result;
    } catch (const pst::PstError& e) {
        return TargetResult::Failed(e.what());
    } catch (const platform::FileError& e) {
        return TargetResult::Failed(e.what());  // a restored attachment's file
    }
}

TargetResult PstTarget::Close() {
    if (!writer_) return {};
    auto writer = std::move(writer_);
    const std::string partial = path_ + kPartialSuffix;
    try {
        writer->Close();
    } catch (const pst::PstError& e) {
        return TargetResult::Failed(e.what() + std::string("; the incomplete file was removed"));
    }
    // Complete: only now does it take the name of a PST.
    try {
        auto moved = platform::CreateUnderFreeName(
            path_.substr(0, path_.size() - 4), ".pst",
            [&](const std::string& candidate) { return platform::MoveWithoutReplacing(partial, candidate); });
        if (!moved)
            return TargetResult::Failed("the PST file is complete as \"" + partial +
                                        "\", but no free name was left to give it");
        path_ = *moved;
    } catch (const platform::FileError& e) {
        return TargetResult::Failed(std::string(e.what()) + "; the complete file stays as \"" + partial + "\"");
    }
    return {};
}

}  // namespace quill
