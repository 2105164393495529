// The .imh reader and the indexed delivery on arbitrary bytes. The input is
// an .imh and a container: two bytes give the .imh's length. Invariants:
//  - a parsed index numbers its records 1..n and has no more records than
//    the smallest record allows; a refused one has none and names a place
//    inside the file;
//  - whether the index passes its check or the container is cut instead,
//    every byte of the container is in exactly one delivered message, at
//    its own offset, or is blank padding; and with a passing index every
//    record is delivered exactly, deleted flag and all.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "store/ImhIndex.h"
#include "store/IndexedContainer.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

class Memory : public quill::ByteSource {
  public:
    explicit Memory(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() override { return bytes_.size(); }
    void ReadAt(std::uint64_t offset, char* buffer, std::size_t n) override {
        Check(offset <= bytes_.size() && n <= bytes_.size() - offset);
        std::memcpy(buffer, bytes_.data() + offset, n);
    }

  private:
    std::string_view bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t imhLength = std::min<std::size_t>(size - 2, static_cast<std::size_t>(data[0] | data[1] << 8));
    const std::string_view imh(reinterpret_cast<const char*>(data + 2), imhLength);
    const std::string_view container(reinterpret_cast<const char*>(data + 2 + imhLength), size - 2 - imhLength);

    const quill::ImhParse parsed = quill::ParseImh(imh);
    if (!parsed.ok) {
        Check(parsed.records.empty() && parsed.errorOffset <= imh.size() && !parsed.error.empty());
        return 0;
    }
    Check(parsed.records.size() <= imh.size() / quill::kImhFixedRecordBytes);
    for (std::size_t i = 0; i < parsed.records.size(); ++i) Check(parsed.records[i].record == static_cast<int>(i + 1));

    Memory source(container);
    quill::IndexedDelivery how;
    how.container = &source;
    how.marker = "return-path:";
    how.cutWholeContainer = !quill::CheckRecords(parsed.records, source).empty();
    quill::ContainerRead read;
    std::uint64_t covered = 0, end = 0, exact = 0;
    quill::DeliverIndexed(
        parsed.records, how,
        [&](quill::StoreMessage& m) {
            Check(m.file.empty() && m.offset >= end);
            Check(container.substr(static_cast<std::size_t>(m.offset), m.text.size()) == m.text);
            if (m.fromIndex) {
                ++exact;
                bool matches = false;
                for (const auto& r : parsed.records)
                    matches = matches || (r.offset == m.offset && r.size == m.text.size() && r.deleted == m.deleted);
                Check(matches);
            }
            end = m.offset + m.text.size();
            covered += m.text.size();
        },
        read);
    Check(read.complete);
    Check(covered + read.paddingBytes == container.size());
    Check(exact == (how.cutWholeContainer ? 0 : parsed.records.size()));
    return 0;
}
