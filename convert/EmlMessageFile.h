#pragma once
// Message files: one standalone Internet message per file.
//
// WriteMessageFile puts the message text into a new file unchanged. The
// name is "email-N.eml"; when that is taken, the next free "email-N (k).eml"
// (k from 2): a file the user already had is never replaced.

#include <string>

namespace quill {

struct WriteResult {
    bool ok = false;
    std::string path;
    std::string error;
};

std::string MessageFileName(int number, int copy = 1);

[[nodiscard]] WriteResult WriteMessageFile(const std::string& folder, int number, const std::string& text);

}  // namespace quill
