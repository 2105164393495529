#include "pst/ltp/PropertyContext.h"

#include "pst/PstError.h"

#include "pst/disk/Bytes.h"
#include "pst/ltp/Bth.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quill::pst::ltp {

namespace {

// [MS-PST] 2.3.3.1 PC BTH record: wPropId is the key; wPropType, dwValueHnid the data.
constexpr std::uint8_t kPcKeySize = 2;
constexpr std::uint8_t kPcDataSize = 6;
constexpr std::size_t kPcRecordSize = kPcKeySize + kPcDataSize;
static_assert(kPcRecordSize == 8);

// [MS-PST] 2.3.3.3: fixed types of at most 4 bytes live in dwValueHnid itself.
bool IsInline(std::uint16_t type) {
    switch (type) {
        case 0x0002:  // PtypInteger16
        case 0x0003:  // PtypInteger32
        case 0x0004:  // PtypFloating32
        case 0x000A:  // PtypErrorCode
        case 0x000B:  // PtypBoolean
            return true;
        default:
            return false;
    }
}

}  // namespace

std::vector<std::vector<std::uint8_t>> BuildPropertyContext(const PropertyList& props, SubnodeSink& sink) {
    return BuildPropertyContext(props, sink, {});
}

std::vector<std::vector<std::uint8_t>> BuildPropertyContext(const PropertyList& props, SubnodeSink& sink,
                                                            std::span<const StoredValue> stored) {
    HeapOnNode heap(kClientSigPC);
    // Header and leaf first, as Outlook places them (0x20, 0x40); the values follow.
    BthWriter bth(heap, kPcKeySize, kPcDataSize, props.Size() + stored.size());
    heap.SetUserRoot(bth.Header());

    std::vector<std::uint8_t> records((props.Size() + stored.size()) * kPcRecordSize, 0);
    std::span<std::uint8_t> out(records);
    std::size_t at = 0;
    for (const Property& p : props.Items()) {
        const auto type = static_cast<std::uint16_t>(p.Type());
        disk::PutU16(out, at, p.Id());
        disk::PutU16(out, at + 2, type);
        if (IsInline(type)) {
            if (p.value.size() > 4)
                throw LayerError<std::invalid_argument>(
                    "PC: inline property " + std::to_string(p.tag) + " has more than 4 bytes",
                    {.expected = "at most 4 bytes", .actual = std::to_string(p.value.size())});
            std::copy(p.value.begin(), p.value.end(), records.begin() + static_cast<std::ptrdiff_t>(at + 4));
        } else {
            Hnid hnid = 0;
            if (p.value.size() > kMaxAllocation) {
                hnid = sink.AddSubnode(p.value);
                if ((hnid & 0x1F) == 0) throw std::logic_error("PC: subnode sink returned an HID-typed NID");
            } else {
                hnid = heap.Allocate(p.value);  // an empty value too: a zero-length allocation
            }
            disk::PutU32(out, at + 4, hnid);
        }
        at += kPcRecordSize;
    }
    for (const StoredValue& v : stored) {
        if (props.Has(TagId(v.tag)))
            throw std::invalid_argument("PC: property " + std::to_string(v.tag) + " given twice");
        if ((v.subnodeNid & 0x1F) == 0) throw std::logic_error("PC: a stored value needs a subnode NID");
        disk::PutU16(out, at, TagId(v.tag));
        disk::PutU16(out, at + 2, static_cast<std::uint16_t>(TagType(v.tag)));
        disk::PutU32(out, at + 4, v.subnodeNid);
        at += kPcRecordSize;
    }
    // Fill sorts the records by property id.
    bth.Fill(records);
    return heap.Finish();
}

}  // namespace quill::pst::ltp
