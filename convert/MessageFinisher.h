#pragma once
// Finishing a message file: the joined-message cut and the attachments put
// back from the attachments folder. The run counts what the result says.

#include <string>
#include <vector>

namespace quill {

struct FinishResult {
    enum class Status {
        Finished,       // loaded, changed where needed, saved
        LeftAsWritten,  // could not be loaded: the file stays exactly as written
        Failed,         // loaded, but saving failed: the file is as last written
    };
    Status status = Status::Finished;
    int attachmentsRestored = 0;
    std::vector<std::string> attachmentsMissing;  // referenced files not in the attachments folder
    bool cutApplied = false;
    std::string error;
};

class MessageFinisher {
  public:
    virtual ~MessageFinisher() = default;
    virtual FinishResult Finish(const std::string& messageFile, const std::string& attachmentFolder) = 0;
};

}  // namespace quill
