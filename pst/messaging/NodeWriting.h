#pragma once
// What every object writer of the messaging layer needs to turn a property or table context into
// a node: the subnodes collected while it is built, and the node written with them.

#include <cstdint>
#include <memory>
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
    // Written to disk as the pieces come.
    [[nodiscard]] std::unique_ptr<Stream> OpenStream() override;
    // A value stream already written as a data tree.
    ndb::Nid AddStream(ndb::Bid bidData, std::uint64_t bytes);
    void Add(ndb::Nid nid, ndb::Bid bidData, ndb::Bid bidSub, std::uint64_t bytes);
    [[nodiscard]] ndb::Bid WriteTree() { return db_.WriteSubnodeTree(entries_); }
    // Data bytes of every subnode and theirs, recursively.
    [[nodiscard]] std::uint64_t Bytes() const { return total_; }

    [[nodiscard]] ndb::NodeDatabase& Database() { return db_; }
    [[nodiscard]] ndb::Nid NextStreamNid() { return ndb::MakeNid(ndb::NidType::LtpValueStream, nextStream_++); }

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
void WriteTableNode(ndb::NodeDatabase& db, ndb::Nid nid, ltp::TableContextBuilder& table);
// A table with these columns and no rows.
void WriteEmptyTableNode(ndb::NodeDatabase& db, ndb::Nid nid, const std::vector<std::uint32_t>& columns);

// A table context whose node is written while its rows arrive (a folder's contents table, of
// any size): heap blocks, large values and the row matrix go to disk at once, so memory holds
// little more than the row ids.
class StreamedTableNode : private ltp::HeapBlockSink {
  public:
    StreamedTableNode(ndb::NodeDatabase& db, std::vector<std::uint32_t> columns);
    [[nodiscard]] ltp::TableContextBuilder& Table() { return table_; }
    [[nodiscard]] const ltp::TableContextBuilder& Table() const { return table_; }
    // Finishes the table and registers its node (nidParent 0, as for every table).
    void Write(ndb::Nid nid);

  private:
    void WriteHeapBlock(std::size_t index, std::span<const std::uint8_t> block) override;

    ndb::NodeDatabase& db_;
    NodeSubnodes sub_;
    std::vector<ndb::Bid> bids_;
    std::vector<std::uint64_t> sizes_;
    ltp::TableContextBuilder table_;
};
void WriteEmptyNode(ndb::NodeDatabase& db, ndb::Nid nid);

}  // namespace quill::pst::messaging
