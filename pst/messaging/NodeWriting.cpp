#include "pst/messaging/NodeWriting.h"

namespace quill::pst::messaging {

using ndb::Bid;
using ndb::MakeNid;
using ndb::Nid;
using ndb::NidType;

std::uint32_t NodeSubnodes::AddSubnode(std::span<const std::uint8_t> data) {
    const Nid nid = MakeNid(NidType::LtpValueStream, nextStream_++);
    Add(nid, db_.WriteDataTree(data), 0, data.size());
    return nid;
}

namespace {

class DiskStream : public ltp::SubnodeSink::Stream {
  public:
    explicit DiskStream(NodeSubnodes& owner) : owner_(owner), tree_(owner.Database()) {}
    void Append(std::span<const std::uint8_t> bytes) override { tree_.Append(bytes); }
    std::uint32_t Finish() override {
        const std::uint64_t bytes = tree_.Size();
        return owner_.AddStream(tree_.Finish(), bytes);
    }

  private:
    NodeSubnodes& owner_;
    ndb::DataTreeWriter tree_;
};

}  // namespace

std::unique_ptr<ltp::SubnodeSink::Stream> NodeSubnodes::OpenStream() { return std::make_unique<DiskStream>(*this); }

Nid NodeSubnodes::AddStream(Bid bidData, std::uint64_t bytes) {
    const Nid nid = MakeNid(NidType::LtpValueStream, nextStream_++);
    Add(nid, bidData, 0, bytes);
    return nid;
}

void NodeSubnodes::Add(Nid nid, Bid bidData, Bid bidSub, std::uint64_t bytes) {
    entries_.push_back({nid, bidData, bidSub});
    total_ += bytes;
}

std::uint32_t CountingSink::AddSubnode(std::span<const std::uint8_t> data) {
    total += data.size();
    return MakeNid(NidType::LtpValueStream, next_++);
}

std::uint64_t DataSize(const std::vector<std::vector<std::uint8_t>>& blocks) {
    std::uint64_t n = 0;
    for (const auto& b : blocks) n += b.size();
    return n;
}

PropertyList RowFrom(const PropertyList& from, const std::vector<std::uint32_t>& columns) {
    PropertyList row;
    for (std::uint32_t tag : columns) {
        const Property* p = from.Find(TagId(tag));
        if (p != nullptr && p->tag == tag) row.SetRaw(p->tag, p->value);
    }
    return row;
}

void WritePropertyContextNode(ndb::NodeDatabase& db, Nid nid, const PropertyList& props, Nid parent) {
    NodeSubnodes sub(db);
    const Bid bid = db.WriteBlockList(ltp::BuildPropertyContext(props, sub));
    db.AddNode(nid, bid, sub.WriteTree(), parent);
}

void WriteTableNode(ndb::NodeDatabase& db, Nid nid, ltp::TableContextBuilder& table) {
    NodeSubnodes sub(db);
    const Bid bid = db.WriteBlockList(table.Finish(sub));
    db.AddNode(nid, bid, sub.WriteTree(), 0);
}

void WriteEmptyTableNode(ndb::NodeDatabase& db, Nid nid, const std::vector<std::uint32_t>& columns) {
    ltp::TableContextBuilder table(columns);
    WriteTableNode(db, nid, table);
}

StreamedTableNode::StreamedTableNode(ndb::NodeDatabase& db, std::vector<std::uint32_t> columns)
    : db_(db), sub_(db), table_(std::move(columns), sub_, *this) {}

void StreamedTableNode::WriteHeapBlock(std::size_t index, std::span<const std::uint8_t> block) {
    if (bids_.size() <= index) {
        bids_.resize(index + 1, 0);
        sizes_.resize(index + 1, 0);
    }
    bids_[index] = db_.WriteDataBlock(block);
    sizes_[index] = block.size();
}

void StreamedTableNode::Write(Nid nid) {
    table_.Finish();
    db_.AddNode(nid, db_.XBlockTree(bids_, sizes_), sub_.WriteTree(), 0);
}

void WriteEmptyNode(ndb::NodeDatabase& db, Nid nid) { db.AddNode(nid, db.WriteDataBlock({}), 0, 0); }

}  // namespace quill::pst::messaging
