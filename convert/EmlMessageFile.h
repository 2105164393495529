#pragma once
// Message files: one standalone Internet message per file.
//
// WriteMessageFile puts the message into a new file. The name is
// "email-N.eml"; when that is taken, the next free "email-N (k).eml" (k from
// 2): a file the user already had is never replaced. A write that fails
// leaves no half file behind.

#include <string>

namespace quill {

class PendingMessage;

struct WriteResult {
    bool ok = false;
    std::string path;
    std::string error;
    int copy = 1;  // k of "email-N (k).eml": above 1, the plain name was taken
};

std::string MessageFileName(int number, int copy = 1);

[[nodiscard]] WriteResult WriteMessageFile(const std::string& folder, int number, const std::string& text);
// The message as it stands, finished or as cut, written once and piece by
// piece (restored attachments are read from their files as they go).
[[nodiscard]] WriteResult WriteMessageFile(const std::string& folder, int number, const PendingMessage& message);

}  // namespace quill
