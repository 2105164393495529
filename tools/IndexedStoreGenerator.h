#pragma once
// Sample stores of the three generations that carry their own index
// (incredimail-format.md §7.2), made of this project's own messages:
//  - Xe: <Folder>.imm with <Folder>.imh (V#05 and an 8-bit tag; the leading
//    field of later records both as 0 and as the previous record's length);
//  - 2: Containers.db with a folder tree, plus stale .imh files left by the
//    upgrade;
//  - 2.5: MessageStore.db, most messages in Messages\1\<HeaderID>\msg.iml with
//    their own Attachments, some left in the .imm (Location '' and 0, 1 and
//    '1'), one msg.iml missing, a container with no .imm at all, plus a stale
//    Containers.db and .imh files.
// Every container has deleted messages, messages stored out of index order,
// blank padding and a leftover message that no record covers between them,
// and messages without Return-Path, which the cut by header lines merges.
// Each store also holds multipart messages with "imbndary" (both bit
// permutations) and attachments referenced by raw and RFC 2047 names.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/StoreGenerator.h"

namespace quill::gen {

enum class Generation { Xe, Im2, Im25 };

struct IndexedStoreOptions {
    std::uint64_t seed = 1;
    Generation generation = Generation::Xe;
    int messages = 24;  // per container, deleted ones included
};

struct ExpectedMessage {
    std::string text;  // exactly as stored
    bool deleted = false;
    bool fromIndex = true;     // false: the leftover that only the cut finds
    std::uint64_t offset = 0;  // in the container; 0 for a message file
    std::string file;          // its msg.iml (2.5), relative to the store
    bool missing = false;      // that msg.iml was left out on purpose
    std::string messageId;
    std::string subject;
    // name as the message refers to it (decoded) -> the file's bytes
    std::vector<GenAttachment> attachments;
};

struct ExpectedContainer {
    std::string entry;                      // as the list shows it
    std::vector<std::string> folderPath;    // labels from the root; empty without a tree
    std::vector<ExpectedMessage> messages;  // in the order the reader delivers them
};

struct IndexedStore {
    std::string index;  // the index the reader must use
    std::vector<ExpectedContainer> containers;
};

// The stored form of an "imbndary" value under either permutation.
std::string EncodeImbndary(const std::string& boundary, bool commentMapping);

// Writes the store into dir (which must not hold it yet).
IndexedStore WriteIndexedStore(const std::string& dir, const IndexedStoreOptions& options);

// The expectations as JSON, for the end-to-end checks.
std::string ManifestJson(const IndexedStore& store);

}  // namespace quill::gen
