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
    // Containers of the mixed kinds (GenerateMixedMessages) instead of the usual messages.
    bool mix = false;
};

struct GenAttachment {
    std::string fileName;
    std::string bytes;
};

struct GenMessage {
    std::string text;                       // exactly as it lies in the container
    std::vector<GenAttachment> referenced;  // files that belong in Attachments/
    std::string kind;                       // the mixed kind it was made as; empty for the usual one
};

// The messages of container `index`, in order.
std::vector<GenMessage> GenerateMessages(std::uint64_t seed, int index, int count);

// Messages of many kinds that a store without an index may hold, each as a
// cut must find it: without any start marker (with and without MIME-Version),
// sent mail without trace fields, inline forwards in several mail programs'
// styles (in a single part and in an intact multipart), bounces with their
// copies (plain, qmail-style, multipart/report), multiparts cut off before
// their end, and the usual received mail. The first message always begins
// with a Delivered-To line.
std::vector<GenMessage> GenerateMixedMessages(std::uint64_t seed, int index, int count);

// Messages padded so that message i starts at offset (i mod 1024) of a
// 1024-byte block: filler lines are added to the previous message's body.
std::vector<std::string> AlignedMessages(std::uint64_t seed, int count, bool mix = false);

std::string Concat(const std::vector<std::string>& texts);

// Writes the store folder; returns the container paths.
std::vector<std::string> WriteStore(const std::string& dir, const GenOptions& options);

}  // namespace quill::gen
