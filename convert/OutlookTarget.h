#pragma once
// The Outlook target of a run: a new PST file in the target folder, one
// folder per container, each message imported from its RFC 822 file.

#include <memory>
#include <string>

#include "convert/RunInterfaces.h"

namespace quill {

struct TargetResult {
    bool ok = true;
    std::string error;  // what failed and why, with the path
    static TargetResult Failed(std::string why) { return {false, std::move(why)}; }
};

class OutlookTarget {
  public:
    virtual ~OutlookTarget() = default;
    // Creates the PST in the target folder (ends in a separator).
    [[nodiscard]] virtual TargetResult Open(const std::string& targetFolder, Clock& clock) = 0;
    [[nodiscard]] virtual TargetResult AddFolder(const std::string& folderName) = 0;
    [[nodiscard]] virtual TargetResult Import(const std::string& folderName, const std::string& messageFile) = 0;
    [[nodiscard]] virtual TargetResult Close() = 0;
    virtual std::string Path() const = 0;
};

}  // namespace quill
