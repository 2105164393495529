#pragma once
// The Outlook target of a run: a new PST file in the target folder, one
// folder per container, each message imported from its RFC 822 file.

#include <memory>
#include <string>
#include <vector>

#include "convert/RunInterfaces.h"

namespace quill {

struct TargetResult {
    bool ok = true;
    std::string error;  // what failed and why, with the path
    static TargetResult Failed(std::string why) { return {false, std::move(why)}; }
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
    [[nodiscard]] virtual TargetResult Import(const FolderPath& folder, const std::string& messageFile) = 0;
    [[nodiscard]] virtual TargetResult Close() = 0;
    virtual std::string Path() const = 0;
};

}  // namespace quill
