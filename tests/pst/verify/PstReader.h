#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "pst/disk/Header.h"
#include "pst/ltp/Property.h"

// A small reader of Unicode PST files, independent of the writer's code paths, so the tests can
// read back what the writer produced. It keeps the whole file in memory: test files are small.
namespace quill::pst::verify {

// Thrown when the file cannot be read as a PST; the message names the offset, NID or BID and
// what was expected there.
class PstFormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string Hex(std::uint64_t v);

// [MS-PST] 2.2.2.6, as read from disk.
struct HeaderFields {
    std::uint32_t dwMagic = 0;
    std::uint32_t dwCRCPartial = 0;
    std::uint16_t wMagicClient = 0;
    std::uint16_t wVer = 0;
    std::uint16_t wVerClient = 0;
    std::uint64_t bidNextP = 0;
    std::uint32_t dwUnique = 0;
    std::array<std::uint32_t, 32> rgnid{};
    std::uint64_t ibFileEof = 0;
    std::uint64_t ibAMapLast = 0;
    std::uint64_t cbAMapFree = 0;
    std::uint64_t cbPMapFree = 0;
    disk::Bref brefNBT;
    disk::Bref brefBBT;
    std::uint8_t fAMapValid = 0;
    std::uint8_t bSentinel = 0;
    std::uint8_t bCryptMethod = 0;
    std::uint64_t bidNextB = 0;
    std::uint32_t dwCRCFull = 0;
};

struct NbtEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
    std::uint32_t nidParent = 0;
};

struct BbtEntry {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
    std::uint16_t cb = 0;
    std::uint16_t cRef = 0;
};

// One NBT or BBT page as reached from the header's root, with what its parent expects of it.
struct BtPage {
    bool nbt = false;
    disk::Bref bref;         // from the parent BTENTRY or the header
    int expectedLevel = -1;  // parent's cLevel - 1; -1 for the root
    bool hasParentKey = false;
    std::uint64_t parentKey = 0;  // the parent BTENTRY's btkey
    std::uint8_t cEnt = 0, cEntMax = 0, cbEnt = 0, cLevel = 0;
    std::vector<std::uint64_t> keys;  // in page order
};

struct SubnodeEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
};

// A node's data: the whole stream, and the data blocks it is made of (decoded).
struct NodeData {
    std::vector<std::uint8_t> data;
    std::vector<std::vector<std::uint8_t>> blocks;
};

// Where a node's data and subnodes live: a top-level node, or a subnode of one.
struct NodeRef {
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
    std::string name;  // for error messages: "NID 0x21", "NID 0x200024 / subnode 0x671"
};

// [MS-PST] 2.3.1 heap-on-node, parsed from a node's blocks.
class Heap {
  public:
    struct Block {
        std::uint16_t ibHnpm = 0;
        std::vector<std::uint16_t> rgibAlloc;  // cAlloc + 1 offsets
        std::uint16_t cFree = 0;
    };

    Heap(const NodeData& node, const std::string& name);

    [[nodiscard]] std::uint8_t ClientSig() const { return clientSig; }
    [[nodiscard]] std::uint32_t UserRoot() const { return hidUserRoot; }
    [[nodiscard]] const std::vector<Block>& Blocks() const { return blocks; }
    // Fill level nibble recorded for block i (HNHDR for 0..7, HNBITMAPHDR of block 8+128k after).
    [[nodiscard]] int RecordedFillLevel(std::size_t i) const;
    // The allocation of `hid`; PstFormatError for a HID that names no allocation.
    [[nodiscard]] std::span<const std::uint8_t> Get(std::uint32_t hid) const;

  private:
    const NodeData* node;
    std::string name;
    std::uint8_t clientSig = 0;
    std::uint32_t hidUserRoot = 0;
    std::vector<Block> blocks;
};

// [MS-PST] 2.3.2: all leaf records of the BTH at `hid` in order, each key + data bytes.
struct BthRecord {
    std::vector<std::uint8_t> key;
    std::vector<std::uint8_t> data;
};
struct Bth {
    std::uint8_t cbKey = 0, cbEnt = 0, bIdxLevels = 0;
    std::vector<BthRecord> records;
};
[[nodiscard]] Bth ReadBth(const Heap& heap, std::uint32_t hid, const std::string& name);

struct TableColumn {
    std::uint32_t tag = 0;
    std::uint16_t ibData = 0;
    std::uint8_t cbData = 0;
    std::uint8_t iBit = 0;
};

struct TableRow {
    std::uint32_t rowId = 0;  // dwRowID of the row index
    PropertyList cells;       // the present cells, variable ones resolved
};

struct Table {
    std::vector<TableColumn> columns;
    std::array<std::uint16_t, 4> rgib{};
    std::vector<TableRow> rows;  // in row-matrix order
};

struct Folder {
    std::uint32_t nid = 0;
    PropertyList props;
    std::vector<Folder> children;
};

struct Message;

struct Attachment {
    std::uint32_t subnid = 0;
    PropertyList props;
    std::vector<std::uint8_t> data;  // 0x37010102, from the heap or the attachment's subnode
    std::vector<Message> embedded;   // the attached message of an attach-method-5 attachment
};

struct Message {
    std::uint32_t nid = 0;  // 0 for an embedded message
    PropertyList props;
    std::vector<TableRow> recipients;
    std::vector<Attachment> attachments;
};

// The subnode NID an attachment's PtypObject value 0x3701000D names, for attach method 5.
[[nodiscard]] std::optional<std::uint32_t> EmbeddedMessageNid(const PropertyList& attachment);

class PstReader {
  public:
    // Reads the file, its header and both B-trees; PstFormatError when they cannot be read.
    explicit PstReader(const std::string& path);
    // The same from bytes already in memory.
    explicit PstReader(std::vector<std::uint8_t> bytes);

    [[nodiscard]] std::span<const std::uint8_t> File() const { return file; }
    [[nodiscard]] const HeaderFields& Header() const { return header; }
    [[nodiscard]] const std::vector<NbtEntry>& Nodes() const { return nodes; }    // B-tree order
    [[nodiscard]] const std::vector<BbtEntry>& Blocks() const { return blocks; }  // B-tree order
    [[nodiscard]] const std::vector<BtPage>& Pages() const { return pages; }
    [[nodiscard]] const NbtEntry* FindNode(std::uint32_t nid) const;
    [[nodiscard]] const BbtEntry* FindBlock(std::uint64_t bid) const;

    // A block's cb data bytes; external blocks decoded, internal ones as on disk.
    [[nodiscard]] std::vector<std::uint8_t> ReadBlock(std::uint64_t bid) const;
    // A data tree ([MS-PST] 2.2.2.8.3.2) with XBLOCK/XXBLOCK resolved; bid 0 is empty data.
    [[nodiscard]] NodeData ReadDataTree(std::uint64_t bid, const std::string& name) const;
    // A subnode tree ([MS-PST] 2.2.2.8.3.3) flattened, in order; bid 0 has no entries.
    [[nodiscard]] std::vector<SubnodeEntry> ReadSubnodeTree(std::uint64_t bidSub, const std::string& name) const;

    [[nodiscard]] NodeRef Node(std::uint32_t nid) const;
    [[nodiscard]] NodeRef Subnode(const NodeRef& parent, std::uint32_t subnid) const;

    [[nodiscard]] NodeData ReadNodeData(std::uint32_t nid) const { return ReadNodeData(Node(nid)); }
    [[nodiscard]] NodeData ReadNodeData(const NodeRef& ref) const { return ReadDataTree(ref.bidData, ref.name); }
    [[nodiscard]] std::vector<SubnodeEntry> Subnodes(std::uint32_t nid) const { return Subnodes(Node(nid)); }
    [[nodiscard]] std::vector<SubnodeEntry> Subnodes(const NodeRef& ref) const {
        return ReadSubnodeTree(ref.bidSub, ref.name);
    }
    [[nodiscard]] NodeData ReadSubnodeData(std::uint32_t nid, std::uint32_t subnid) const {
        return ReadNodeData(Subnode(Node(nid), subnid));
    }

    // [MS-PST] 2.3.3; values in on-disk form, HNIDs resolved from the heap or the node's subnodes.
    [[nodiscard]] PropertyList ReadPropertyContext(std::uint32_t nid) const { return ReadPropertyContext(Node(nid)); }
    [[nodiscard]] PropertyList ReadPropertyContext(std::uint32_t nid, std::uint32_t subnid) const {
        return ReadPropertyContext(Subnode(Node(nid), subnid));
    }
    [[nodiscard]] PropertyList ReadPropertyContext(const NodeRef& ref) const;

    // [MS-PST] 2.3.4.
    [[nodiscard]] Table ReadTable(std::uint32_t nid) const { return ReadTable(Node(nid)); }
    [[nodiscard]] Table ReadTable(std::uint32_t nid, std::uint32_t subnid) const {
        return ReadTable(Subnode(Node(nid), subnid));
    }
    [[nodiscard]] Table ReadTable(const NodeRef& ref) const;

    // The folder tree under the IPM subtree (0x8022), through the hierarchy tables.
    [[nodiscard]] Folder FolderTree(std::uint32_t top = 0x8022) const;
    // The message NIDs of a folder's contents table, in row order.
    [[nodiscard]] std::vector<std::uint32_t> MessagesOf(std::uint32_t folderNid) const;
    [[nodiscard]] Message ReadMessage(std::uint32_t nid) const;
    // A message at any place: a top-level node or an attachment's embedded message.
    [[nodiscard]] Message ReadMessage(const NodeRef& ref, int depth) const;

    // Values read so far whose HNID is 0 (a present value that names no allocation), one line each.
    [[nodiscard]] const std::vector<std::string>& ZeroHnids() const { return zeroHnids; }

  private:
    void Load();
    void ReadBtPage(bool nbt, disk::Bref bref, int expectedLevel, bool hasKey, std::uint64_t key, int depth);
    void CollectDataTree(std::uint64_t bid, const std::string& name, NodeData& out, int depth) const;
    void CollectSubnodes(std::uint64_t bid, const std::string& name, std::vector<SubnodeEntry>& out, int depth) const;
    [[nodiscard]] std::vector<std::uint8_t> ResolveHnid(const Heap& heap, const NodeRef& ref, std::uint32_t hnid) const;

    std::vector<std::uint8_t> file;
    HeaderFields header;
    std::vector<NbtEntry> nodes;
    std::vector<BbtEntry> blocks;
    std::vector<BtPage> pages;
    std::map<std::uint32_t, std::size_t> nodeIndex;
    std::map<std::uint64_t, std::size_t> blockIndex;
    mutable std::vector<std::string> zeroHnids;
};

// On-disk width of a fixed-size property type, 0 for variable and multi-valued types.
[[nodiscard]] std::size_t OnDiskWidth(std::uint16_t type);

// [MS-PST] 5.1: the decoding half of the permutation used by bCryptMethod 1.
void PermuteDecode(std::span<std::uint8_t> data);
void PermuteEncode(std::span<std::uint8_t> data);

}  // namespace quill::pst::verify
