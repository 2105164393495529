#pragma once
// A message store folder as its own index describes it. Three generations
// of index exist (incredimail-format.md §1):
//  - 1.x and Xe: <Folder>.imh beside each <Folder>.imm; no folder tree;
//  - 2: Containers.db (SQLite) with the folder tree and every message;
//  - 2.5: MessageStore.db, most messages in their own files,
//    Messages\<Location>\<HeaderID>\msg.iml with their own Attachments
//    folder, the rest still in <FileName>.imm.
// After upgrades several may lie in one folder; the newest is used. When it
// cannot be read, the store is taken as having none: every container is cut
// by header lines, as without an index.

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/IndexEntry.h"
#include "store/StoreDatabase.h"

namespace quill {

enum class IndexKind { None, Imh, ContainersDb, MessageStoreDb };

// "MessageStore.db", "Containers.db", ".imh files", or "" for None.
std::string IndexKindName(IndexKind kind);

// The index of one container cannot be used at all (unreadable, or its
// layout broken); the text names the file and the place.
class IndexError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct StoreContainer {
    std::string entry;    // as the list shows it: "<FileName>.imm", unique in the store
    std::string immPath;  // its container file; it may not exist (2.5)
    // IncrediMail's folder labels from the root down, unique among
    // siblings; empty when the store has no folder tree.
    std::vector<std::string> folderPath;
    bool indexed = false;     // false: no index covers it, it is cut by header lines
    std::string imhPath;      // Xe
    std::string containerId;  // databases
};

class StoreIndex {
  public:
    // Never throws: a store without a readable index is a store without one.
    static StoreIndex Open(const std::string& storeFolder);

    IndexKind Kind() const noexcept { return kind_; }
    // Every generation present, newest first (also when it was not usable).
    const std::vector<IndexKind>& Found() const noexcept { return found_; }
    // Why the newest index present could not be read; empty when it could.
    const std::string& Error() const noexcept { return error_; }
    bool HasTree() const noexcept { return kind_ == IndexKind::ContainersDb || kind_ == IndexKind::MessageStoreDb; }

    // In listing order: the database's containers depth first, then the
    // container files it does not name, in name order as Windows lists a
    // folder (letter case and Unicode forms aside), on every system.
    const std::vector<StoreContainer>& Containers() const noexcept { return containers_; }
    // Names that look like containers but are no regular file (a folder, a
    // link that leads nowhere, a FIFO...), with what they are: never opened,
    // never listed, always reported.
    struct Skipped {
        std::string name;
        std::string what;
    };
    const std::vector<Skipped>& SkippedEntries() const noexcept { return skipped_; }

    // By entry, in any letter case; nullptr when the store has no such entry.
    const StoreContainer* Find(const std::string& entry) const;

    // The container's messages as its index has them, in index order.
    // Throws IndexError when its index cannot be read.
    std::vector<IndexEntry> Records(const StoreContainer& container) const;

  private:
    void OpenDatabase(const std::string& path, IndexKind kind, const std::vector<std::string>& immFiles);

    std::string folder_;
    IndexKind kind_ = IndexKind::None;
    std::vector<IndexKind> found_;
    std::string error_;
    std::vector<StoreContainer> containers_;
    std::vector<Skipped> skipped_;
    std::map<std::string, std::vector<DbHeader>> headers_;  // by container id
};

}  // namespace quill
