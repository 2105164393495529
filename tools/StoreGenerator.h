#pragma once
// Seeded generator of sample IncrediMail stores, made only of messages this
// project writes. The same seed always gives the same bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace quill::gen {

struct GenOptions {
    std::uint64_t seed = 1;
    int messages = 40;  // per container
    int containers = 3;
    std::uint64_t sizeMb = 0;  // >0: one container of at least this size, streamed
};

struct GenAttachment {
    std::string fileName;
    std::string bytes;
};

struct GenMessage {
    std::string text;                       // exactly as it lies in the container
    std::vector<GenAttachment> referenced;  // files that belong in Attachments/
};

// The messages of container `index`, in order.
std::vector<GenMessage> GenerateMessages(std::uint64_t seed, int index, int count);

// Messages padded so that message i starts at offset (i mod 1024) of a
// 1024-byte block: filler lines are added to the previous message's body.
std::vector<std::string> AlignedMessages(std::uint64_t seed, int count);

std::string Concat(const std::vector<std::string>& texts);

// Writes the store folder; returns the container paths.
std::vector<std::string> WriteStore(const std::string& dir, const GenOptions& options);

}  // namespace quill::gen
