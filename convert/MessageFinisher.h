#pragma once
// Finishing a message: the joined-message cut and the attachments put back
// from the attachments folder. The run counts what the result says.

#include <string>
#include <utility>
#include <vector>

namespace quill {

class PendingMessage;

struct FinishResult {
    enum class Status {
        Finished,       // finished in memory (changed or not); for a file: loaded, changed where needed, saved
        LeftAsWritten,  // a file that could not be loaded: it stays exactly as written
        Failed,         // finishing failed: the message stands as it was cut (a file: as last written)
    };
    Status status = Status::Finished;
    bool changed = false;                         // the message's bytes are no longer those cut from the container
    int attachmentsRestored = 0;                  // content put back from the attachments folder
    int attachmentsKept = 0;                      // parts that carry their own content, left byte for byte
    std::vector<std::string> attachmentsMissing;  // names whose file is not in the folder: each became a note
    // Names whose match in the folder was refused (a link, a special file, an unsafe name), with why.
    std::vector<std::pair<std::string, std::string>> attachmentsRefused;
    bool cutApplied = false;
    std::string error;
};

class MessageFinisher {
  public:
    virtual ~MessageFinisher() = default;
    // Finishes the message in memory; afterwards it is either untouched (its
    // text stands) or its tree holds the finished message (PendingMessage.h).
    virtual FinishResult Finish(PendingMessage& message, const std::string& attachmentFolder) = 0;
};

}  // namespace quill
