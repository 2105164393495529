#pragma once
// What every object writer of the messaging layer needs to turn a property or table context into
// a node: the subnodes collected while it is built, and the node written with them.

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/Property.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/ndb/NodeDatabase.h"

namespace quill::pst::messaging {

// Collects the subnodes of the node being built; values go to disk as they are handed over.
class NodeSubnodes : public ltp::SubnodeSink {
  public:
    explicit NodeSubnodes(ndb::NodeDatabase& db) : db_(db) {}

    std::uint32_t AddSubnode(std::span<const std::uint8_t> data) override;
    // A value stream already written as a data tree.
    ndb::Nid AddStream(ndb::Bid bidData, std::uint64_t bytes);
    void Add(ndb::Nid nid, ndb::Bid bidData, ndb::Bid bidSub, std::uint64_t bytes);
    [[nodiscard]] ndb::Bid WriteTree() { return db_.WriteSubnodeTree(entries_); }
    // Data bytes of every subnode and theirs, recursively.
    [[nodiscard]] std::uint64_t Bytes() const { return total_; }

  private:
    ndb::NodeDatabase& db_;
    std::vector<ndb::SubnodeEntry> entries_;
    std::uint32_t nextStream_ = 1;
    std::uint64_t total_ = 0;
};

// Stands in for the real sink to learn a context's size before it is written.
class CountingSink : public ltp::SubnodeSink {
  public:
    std::uint32_t AddSubnode(std::span<const std::uint8_t> data) override;
    std::uint64_t total = 0;

  private:
    std::uint32_t next_ = 1;
};

[[nodiscard]] std::uint64_t DataSize(const std::vector<std::vector<std::uint8_t>>& blocks);

// Values of `from` for the columns of a table, as a table row holds them.
[[nodiscard]] PropertyList RowFrom(const PropertyList& from, const std::vector<std::uint32_t>& columns);

// A node holding a property context, a table context, or nothing.
void WritePropertyContextNode(ndb::NodeDatabase& db, ndb::Nid nid, const PropertyList& props, ndb::Nid parent);
void WriteTableNode(ndb::NodeDatabase& db, ndb::Nid nid, const ltp::TableContextBuilder& table);
void WriteEmptyNode(ndb::NodeDatabase& db, ndb::Nid nid);

}  // namespace quill::pst::messaging
