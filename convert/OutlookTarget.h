#pragma once
// The Outlook target of a run: a new PST file in the target folder, one
// folder per container, each message imported from its RFC 822 file.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/RunInterfaces.h"

namespace quill::mime {
class MimeMessage;
}

namespace quill {

struct TargetResult {
    bool ok = true;
    std::string error;               // what failed and why, with the path
    std::vector<std::string> notes;  // done, but the report should say this (e.g. text that was mended)
    static TargetResult Failed(std::string why) { return {false, std::move(why), {}}; }
};

// What the store knows of a message beyond its bytes.
struct ImportDetails {
    // Unix seconds from the store's index (the time it gives the message),
    // used when the mail itself has no readable date.
    std::optional<std::int64_t> storeTime;
};

// A mail folder under the PST's top folder: its names from the top down.
struct FolderPath {
    std::vector<std::string> names;
    FolderPath() = default;
    FolderPath(std::string name) : names{std::move(name)} {}
    FolderPath(const char* name) : names{name} {}
    FolderPath(std::vector<std::string> path) : names(std::move(path)) {}
    // "a\b", for messages.
    std::string Text() const {
        std::string text;
        for (const auto& name : names) text += (text.empty() ? "" : "\\") + name;
        return text;
    }
    bool operator==(const FolderPath&) const = default;
};

class OutlookTarget {
  public:
    virtual ~OutlookTarget() = default;
    // Creates the PST in the target folder (ends in a separator).
    [[nodiscard]] virtual TargetResult Open(const std::string& targetFolder, Clock& clock) = 0;
    // Makes the folder and any of its parents that are missing.
    [[nodiscard]] virtual TargetResult AddFolder(const FolderPath& folder) = 0;
    // Imports the finished message (the message component's tree, not a file).
    [[nodiscard]] virtual TargetResult ImportMessage(const FolderPath& folder, const mime::MimeMessage& message,
                                                     const ImportDetails& details) = 0;
    // The same from a message file.
    [[nodiscard]] TargetResult Import(const FolderPath& folder, const std::string& messageFile);
    // Completes the file; until then it is not a PST any reader takes.
    [[nodiscard]] virtual TargetResult Close() = 0;
    virtual std::string Path() const = 0;
};

}  // namespace quill
