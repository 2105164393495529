#include "pst/ltp/Bth.h"

#include "pst/disk/Bytes.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace quill::pst::ltp {

namespace {

constexpr std::uint8_t kBthType = 0xB5;
constexpr std::size_t kHidSize = 4;
static_assert(kBthHeaderSize == 1 + 1 + 1 + 1 + kHidSize);

std::uint64_t GetKey(std::span<const std::uint8_t> in, std::size_t at, std::size_t cbKey) {
    std::uint64_t v = 0;
    for (std::size_t i = cbKey; i-- > 0;) v = (v << 8) | in[at + i];
    return v;
}

void PutKey(std::span<std::uint8_t> out, std::size_t at, std::size_t cbKey, std::uint64_t key) {
    for (std::size_t i = 0; i < cbKey; ++i) out[at + i] = static_cast<std::uint8_t>(key >> (8 * i));
}

std::size_t NodeCount(std::size_t entries, std::size_t perNode) { return (entries + perNode - 1) / perNode; }

// Entries in node `node` of a level holding `entries`, nodes filled in turn.
std::size_t EntriesIn(std::size_t node, std::size_t entries, std::size_t perNode) {
    return std::min(perNode, entries - node * perNode);
}

}  // namespace

BthWriter::BthWriter(HeapOnNode& heap, std::uint8_t cbKey, std::uint8_t cbEnt, std::size_t recordCount)
    : heap(heap), cbKey(cbKey), cbEnt(cbEnt), recordCount(recordCount) {
    if (cbKey != 2 && cbKey != 4 && cbKey != 8) throw std::invalid_argument("BTH: cbKey must be 2, 4 or 8");
    if (cbEnt == 0 || cbEnt > 32) throw std::invalid_argument("BTH: cbEnt must be 1..32");

    std::vector<std::uint8_t> bytes(kBthHeaderSize, 0);
    header = heap.Allocate(bytes);

    std::size_t entries = recordCount;
    std::size_t cbRecord = std::size_t{cbKey} + cbEnt;
    while (entries > 0) {
        const std::size_t perNode = NodeCapacity(cbRecord);
        std::vector<Hid>& level = levels.emplace_back();
        const std::size_t nodes = NodeCount(entries, perNode);
        for (std::size_t n = 0; n < nodes; ++n) {
            bytes.assign(EntriesIn(n, entries, perNode) * cbRecord, 0);
            level.push_back(heap.Allocate(bytes));
        }
        if (nodes == 1) break;
        entries = nodes;
        cbRecord = std::size_t{cbKey} + kHidSize;  // [MS-PST] 2.3.2.2 intermediate record: key, hidNextLevel
    }

    // Every node is placed, so the header is final already.
    bytes.assign(kBthHeaderSize, 0);
    disk::PutU8(bytes, 0, kBthType);
    disk::PutU8(bytes, 1, cbKey);
    disk::PutU8(bytes, 2, cbEnt);
    disk::PutU8(bytes, 3, static_cast<std::uint8_t>(levels.empty() ? 0 : levels.size() - 1));  // bIdxLevels
    disk::PutU32(bytes, 4, levels.empty() ? 0 : levels.back().front());                        // hidRoot
    heap.Overwrite(header, bytes);
}

BthWriter::BthWriter(HeapOnNode& heap, std::uint8_t cbKey, std::uint8_t cbEnt)
    : heap(heap), cbKey(cbKey), cbEnt(cbEnt), recordCount(0) {
    if (cbKey != 2 && cbKey != 4 && cbKey != 8) throw std::invalid_argument("BTH: cbKey must be 2, 4 or 8");
    if (cbEnt == 0 || cbEnt > 32) throw std::invalid_argument("BTH: cbEnt must be 1..32");
    std::vector<std::uint8_t> bytes(kBthHeaderSize, 0);
    disk::PutU8(bytes, 0, kBthType);
    disk::PutU8(bytes, 1, cbKey);
    disk::PutU8(bytes, 2, cbEnt);
    header = heap.Allocate(bytes);
}

void BthWriter::Build(std::size_t count, const std::function<void(std::size_t, std::span<std::uint8_t>)>& recordAt) {
    const std::size_t cbRecord = std::size_t{cbKey} + cbEnt;
    const std::size_t perLeaf = NodeCapacity(cbRecord);
    const std::size_t cbIndex = std::size_t{cbKey} + kHidSize;
    const std::size_t perIndex = NodeCapacity(cbIndex);
    // (first key, HID) of each node of the level just written.
    std::vector<std::pair<std::uint64_t, Hid>> level;
    std::vector<std::uint8_t> node;
    std::uint64_t previous = 0;
    for (std::size_t first = 0; first < count; first += perLeaf) {
        const std::size_t n = std::min(perLeaf, count - first);
        node.assign(n * cbRecord, 0);
        for (std::size_t k = 0; k < n; ++k) {
            std::span<std::uint8_t> record(node.data() + k * cbRecord, cbRecord);
            recordAt(first + k, record);
            const std::uint64_t key = GetKey(record, 0, cbKey);
            if (first + k > 0 && key <= previous) throw std::invalid_argument("BTH: keys do not rise");
            previous = key;
        }
        level.emplace_back(GetKey(node, 0, cbKey), heap.Allocate(node));
    }
    std::uint8_t indexLevels = 0;
    while (level.size() > 1) {
        std::vector<std::pair<std::uint64_t, Hid>> parents;
        for (std::size_t first = 0; first < level.size(); first += perIndex) {
            const std::size_t n = std::min(perIndex, level.size() - first);
            node.assign(n * cbIndex, 0);
            for (std::size_t k = 0; k < n; ++k) {
                PutKey(node, k * cbIndex, cbKey, level[first + k].first);
                disk::PutU32(node, k * cbIndex + cbKey, level[first + k].second);
            }
            parents.emplace_back(level[first].first, heap.Allocate(node));
        }
        level = std::move(parents);
        ++indexLevels;
    }
    std::vector<std::uint8_t> bytes(kBthHeaderSize, 0);
    disk::PutU8(bytes, 0, kBthType);
    disk::PutU8(bytes, 1, cbKey);
    disk::PutU8(bytes, 2, cbEnt);
    disk::PutU8(bytes, 3, indexLevels);
    disk::PutU32(bytes, 4, level.empty() ? 0 : level.front().second);  // hidRoot: 0 for an empty tree
    heap.Overwrite(header, bytes);
}

void BthWriter::Fill(std::span<const std::uint8_t> records) {
    const std::size_t cbRecord = std::size_t{cbKey} + cbEnt;
    if (records.size() != recordCount * cbRecord)
        throw std::invalid_argument("BTH: record buffer does not match the record count");
    if (recordCount == 0) return;

    std::vector<std::pair<std::uint64_t, std::size_t>> order;
    order.reserve(recordCount);
    for (std::size_t r = 0; r < recordCount; ++r) order.emplace_back(GetKey(records, r * cbRecord, cbKey), r);
    std::sort(order.begin(), order.end());
    for (std::size_t r = 1; r < order.size(); ++r)
        if (order[r].first == order[r - 1].first) throw std::invalid_argument("BTH: repeated key");

    // Leaves ([MS-PST] 2.3.2.3), then each index level keyed by the first key of each child.
    std::vector<std::uint64_t> firstKeys;
    std::vector<std::uint8_t> node;
    const std::size_t perLeaf = NodeCapacity(cbRecord);
    for (std::size_t n = 0; n < levels[0].size(); ++n) {
        const std::size_t count = EntriesIn(n, recordCount, perLeaf);
        node.assign(count * cbRecord, 0);
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t r = order[n * perLeaf + k].second;
            std::copy_n(records.begin() + static_cast<std::ptrdiff_t>(r * cbRecord), cbRecord,
                        node.begin() + static_cast<std::ptrdiff_t>(k * cbRecord));
        }
        firstKeys.push_back(order[n * perLeaf].first);
        heap.Overwrite(levels[0][n], node);
    }
    const std::size_t cbIndex = std::size_t{cbKey} + kHidSize;
    const std::size_t perIndex = NodeCapacity(cbIndex);
    for (std::size_t l = 1; l < levels.size(); ++l) {
        const std::vector<Hid>& children = levels[l - 1];
        std::vector<std::uint64_t> keys;
        for (std::size_t n = 0; n < levels[l].size(); ++n) {
            const std::size_t count = EntriesIn(n, children.size(), perIndex);
            node.assign(count * cbIndex, 0);
            for (std::size_t k = 0; k < count; ++k) {
                const std::size_t child = n * perIndex + k;
                PutKey(node, k * cbIndex, cbKey, firstKeys[child]);
                disk::PutU32(node, k * cbIndex + cbKey, children[child]);
            }
            keys.push_back(firstKeys[n * perIndex]);
            heap.Overwrite(levels[l][n], node);
        }
        firstKeys = std::move(keys);
    }
}

}  // namespace quill::pst::ltp
