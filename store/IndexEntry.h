#pragma once
// One message as a store's own index describes it.

#include <cstdint>
#include <optional>
#include <string>

namespace quill {

struct IndexEntry {
    int record = 0;            // 1-based place in the index
    std::uint64_t offset = 0;  // of its first byte in the container
    std::uint64_t size = 0;
    bool deleted = false;
    // A message kept in its own file (IncrediMail 2.5); empty when it lies in
    // the container.
    std::string file;
    std::string attachmentFolder;  // that message's own attachments
    // Why the message can't be read where the index puts it (a file name
    // that would lead out of the store); empty when it can.
    std::string unsafe;
    // Unix seconds (UTC) the index gives for the message: when it was sent and when it was
    // received; absent when the index keeps none (0 in an .imh, no such column in a database).
    std::optional<std::int64_t> sentTime;
    std::optional<std::int64_t> receivedTime;
};

// The time the index gives a message: received, else sent.
[[nodiscard]] inline std::optional<std::int64_t> IndexTime(const IndexEntry& entry) {
    return entry.receivedTime ? entry.receivedTime : entry.sentTime;
}

}  // namespace quill
