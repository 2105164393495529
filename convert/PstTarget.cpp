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
            if (platform::PathExists(candidate)) return false;
            try {
                writer_ = std::make_unique<pst::PstWriter>(candidate, displayName_);
                return true;
            } catch (const pst::PstError& e) {
                // Another process may have taken the name between the check and the create.
                if (!platform::PathExists(candidate)) throw;
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

TargetResult PstTarget::Import(const FolderPath& path, const std::string& messageFile) {
    if (!writer_) return TargetResult::Failed("the PST file is not open");
    // The folder path "\\<display name>\<folder>..." names a folder under the top.
    std::optional<pst::FolderId> folder = writer_->TopFolder();
    for (const auto& name : path.names)
        if (folder) folder = writer_->FindFolder(*folder, name);
    if (!folder)
        return TargetResult::Failed("no folder \"\\\\" + displayName_ + "\\" + path.Text() + "\" in \"" + path_ + "\"");
    mime::MimeMessage message;
    if (!message.LoadFile(messageFile)) return TargetResult::Failed(message.LastError());
    try {
        writer_->AddMessage(*folder, MapMessage(message));
    } catch (const pst::PstError& e) {
        return TargetResult::Failed(e.what());
    } catch (const std::exception& e) {
        return TargetResult::Failed("cannot import \"" + messageFile + "\": " + e.what());
    }
    return {};
}

TargetResult PstTarget::Close() {
    if (!writer_) return {};
    auto writer = std::move(writer_);
    try {
        writer->Close();
    } catch (const pst::PstError& e) {
        return TargetResult::Failed(e.what() + std::string("; the incomplete file was removed"));
    }
    return {};
}

}  // namespace quill
