#pragma once
// Reading one container with its index: every message exactly as the index
// places it, deleted ones marked, in the container's own order (by offset).
//
// The index is trusted only after a check: every record of the container
// must lie inside it (offset + size within the file, no two overlapping,
// none empty) and begin with a header line. When any fails, the container
// falls back to the cut by header lines, and the result says why.
//
// Bytes no record covers (a gap between messages, a leftover before the
// first or after the last) are never lost: blank bytes are counted as
// padding; anything else goes through the cut by header lines, and every
// piece of it is delivered as a message and listed in the result.
//
// Messages kept in their own files (2.5) follow the container's, in index
// order; a missing or unreadable file is listed, never skipped silently.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/ContainerReader.h"
#include "store/IndexEntry.h"
#include "store/StoreIndex.h"

namespace quill {

struct StoreMessage {
    int number = 0;            // from 1, in the container's order
    std::uint64_t offset = 0;  // in the container; 0 for a message file
    std::string text;          // its bytes, unchanged; the sink may move it
    bool deleted = false;
    bool fromIndex = false;  // false: found by the cut
    std::string file;        // the message file it came from; empty: the container
    // Its own attachments folder; empty: the store's shared one.
    std::string attachmentFolder;
    // The time the store's index gives it (received, else sent; Unix seconds UTC); absent for a
    // message found by the cut or an index without times.
    std::optional<std::int64_t> indexTime;
};

using StoreMessageSink = std::function<void(StoreMessage&)>;

struct ContainerRead {
    enum class Way {
        Cut,       // no index covers the container
        Index,     // its index, checked
        FellBack,  // it has an index that failed the check: cut by header lines
    };
    Way way = Way::Cut;
    std::string fellBackWhy;

    std::uint64_t messages = 0;
    std::uint64_t exact = 0;    // delivered where the index placed them
    std::uint64_t deleted = 0;  // of those, marked deleted
    std::uint64_t cut = 0;      // found by the cut: the fallback, or in gaps

    struct Gap {
        std::uint64_t offset = 0, size = 0;
        int firstNumber = 0, messages = 0;  // what the cut made of it
    };
    std::vector<Gap> gaps;  // those that held more than blanks
    std::uint64_t paddingBytes = 0;

    struct Unread {
        int number = 0;
        std::string file;
        std::string why;
    };
    std::vector<Unread> unread;  // indexed messages that could not be read

    bool complete = true;  // false: reading stopped at a failure
    bool stopped = false;  // the pump asked to stop
    std::string error;
    std::uint64_t errorOffset = 0;
};

// Random access to a container's bytes.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() = 0;
    // Exactly n bytes at offset; throws platform::FileError.
    virtual void ReadAt(std::uint64_t offset, char* buffer, std::size_t n) = 0;
};

// Empty when every container record passes the check; otherwise why the
// first to fail does. File records (2.5) are not the container's.
std::string CheckRecords(const std::vector<IndexEntry>& records, ByteSource& container);

// The delivery itself, on any byte source: container records (already
// checked) and gaps; then file records, read through readFile (which
// throws platform::FileError). marker: the cut's start marker for gaps.
struct IndexedDelivery {
    ByteSource* container = nullptr;  // null: the container file is missing
    std::string containerPath;        // named where its messages can't be read
    std::string marker;
    bool advance = false;
    std::function<std::string(const std::string& path)> readFile;
    BlockPump pump;
    // The check failed: the whole container goes through the cut and only
    // the file records are read by the index.
    bool cutWholeContainer = false;
};
void DeliverIndexed(const std::vector<IndexEntry>& records, const IndexedDelivery& how, const StoreMessageSink& sink,
                    ContainerRead& read);

// A whole container of the store: by its index where it has one that
// passes the check, by the cut otherwise.
ContainerRead ReadStoreContainer(const StoreIndex& index, const StoreContainer& container, bool advance,
                                 const StoreMessageSink& sink, const BlockPump& pump = {});

}  // namespace quill
