#pragma once
// IncrediMail 2's Containers.db and 2.5's MessageStore.db (SQLite;
// incredimail-format.md §3 and §4), read through SQLite itself. The file is
// opened read-only and immutable: SQLite neither writes, locks nor journals
// it, so the user's store is left exactly as it was, even while the mail
// program has it open.
//
// Only the columns the converter needs are read, and only those the file
// has: a column that is missing reads as empty.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill {

// The database cannot be read: not SQLite, damaged, or lacking a table or
// column the converter needs. The text names the file.
class DatabaseError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct DbContainer {
    std::string id;
    std::string parentId;  // empty (or NULL) for a root
    std::int64_t indexInParent = 0;
    std::string label;
    std::string fileName;  // the container's base name, without ".imm"
};

struct DbHeader {
    std::string headerId;
    std::string containerId;
    std::int64_t msgPos = 0;
    std::int64_t size = 0;  // LightMsgSize
    bool deleted = false;
    // Empty, NULL or 0: the message lies in the container; otherwise the
    // folder of Messages\ that holds it (IncrediMail 2.5).
    std::string location;
};

class StoreDatabase {
  public:
    // Throws DatabaseError.
    explicit StoreDatabase(const std::string& path);
    ~StoreDatabase();
    StoreDatabase(const StoreDatabase&) = delete;
    StoreDatabase& operator=(const StoreDatabase&) = delete;

    // Throw DatabaseError.
    std::vector<DbContainer> Containers();
    std::vector<DbHeader> Headers();  // in the table's own order

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The URI that opens path read-only and immutable, whatever characters the
// path holds.
std::string ImmutableDatabaseUri(const std::string& path);

}  // namespace quill
