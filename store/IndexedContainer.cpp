#include "store/IndexedContainer.h"

#include <algorithm>

#include "platform/File.h"
#include "store/ContainerSplitter.h"
#include "store/LineScan.h"

namespace quill {
namespace {

constexpr std::size_t kPiece = 64 * 1024;
constexpr std::size_t kHeaderProbe = 512;
// One message is held whole in memory; beyond this an index record is not
// believed (the cut then reports what it can't hold).
constexpr std::uint64_t kMaxIndexedMessage = std::uint64_t{1} << 30;

bool IsContainerRecord(const IndexEntry& e) { return e.file.empty() && e.unsafe.empty(); }

bool IsBlank(char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t' || c == '\0'; }

std::string Describe(const IndexEntry& e) {
    return "record " + std::to_string(e.record) + " (offset " + std::to_string(e.offset) + ", size " +
           std::to_string(e.size) + ")";
}

std::vector<const IndexEntry*> ContainerRecordsByOffset(const std::vector<IndexEntry>& records) {
    std::vector<const IndexEntry*> sorted;
    for (const auto& r : records)
        if (IsContainerRecord(r)) sorted.push_back(&r);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const IndexEntry* a, const IndexEntry* b) { return a->offset < b->offset; });
    return sorted;
}

class FileSource : public ByteSource {
  public:
    explicit FileSource(const std::string& path) : file_(path), size_(platform::FileSize(path)) {}
    std::uint64_t Size() override { return size_; }
    void ReadAt(std::uint64_t offset, char* buffer, std::size_t n) override {
        if (file_.Offset() != offset) file_.Seek(offset);
        std::size_t got = 0;
        while (got < n) {
            std::size_t r = file_.Read(buffer + got, n - got);
            if (r == 0)
                throw platform::FileError(platform::FileError::Kind::Read, file_.Path(), file_.Offset(),
                                          "\"" + file_.Path() + "\" ends at offset " + std::to_string(file_.Offset()) +
                                              ", before the message the index places there");
            got += r;
        }
    }

  private:
    platform::InputFile file_;
    std::uint64_t size_;
};

std::string ReadWholeFile(const std::string& path) {
    platform::InputFile file(path);
    std::string text;
    std::vector<char> buffer(kPiece);
    for (std::size_t got; (got = file.Read(buffer.data(), buffer.size())) > 0;) text.append(buffer.data(), got);
    return text;
}

// Delivery state shared by the records and the gaps of one container.
class Delivery {
  public:
    Delivery(const IndexedDelivery& how, const StoreMessageSink& sink, ContainerRead& read)
        : how_(how), sink_(sink), read_(read) {}

    bool Pump() {
        if (how_.pump && !how_.pump()) {
            read_.stopped = true;
            return false;
        }
        return true;
    }

    int NextNumber() { return ++number_; }

    void Deliver(StoreMessage& m) {
        m.number = NextNumber();
        ++read_.messages;
        if (m.fromIndex) {
            ++read_.exact;
            if (m.deleted) ++read_.deleted;
        } else {
            ++read_.cut;
        }
        if (sink_) sink_(m);
    }

    // [from, to) of the container through the cut. Leading blanks are
    // padding; a fragment before the cut's first start is delivered on its
    // own rather than dropped. Returns false when the pump stopped it.
    bool Cut(std::uint64_t from, std::uint64_t to, bool noteGap) {
        ContainerRead::Gap gap{from, to - from, 0, 0};
        std::uint64_t fedFrom = to;
        std::string prefix;
        bool anyDelivered = false;
        auto sink = [&](SplitMessage& sm) {
            if (!anyDelivered) {
                anyDelivered = true;
                if (sm.offset > 0) {
                    StoreMessage lead;
                    lead.offset = fedFrom;
                    lead.text = prefix.substr(0, static_cast<std::size_t>(sm.offset));
                    Deliver(lead);
                    if (!gap.firstNumber) gap.firstNumber = number_;
                    ++gap.messages;
                }
                std::string().swap(prefix);
            }
            StoreMessage m;
            m.offset = fedFrom + sm.offset;
            m.text = std::move(sm.text);
            Deliver(m);
            if (!gap.firstNumber) gap.firstNumber = number_;
            ++gap.messages;
        };
        ContainerSplitter splitter(how_.marker, how_.advance, sink);
        std::vector<char> buffer(kPiece);
        bool leading = true;
        for (std::uint64_t at = from; at < to;) {
            if (!Pump()) return false;
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, to - at));
            how_.container->ReadAt(at, buffer.data(), n);
            std::string_view piece(buffer.data(), n);
            if (leading) {
                std::size_t skip = 0;
                while (skip < piece.size() && IsBlank(piece[skip])) ++skip;
                read_.paddingBytes += skip;
                piece.remove_prefix(skip);
                if (!piece.empty()) {
                    leading = false;
                    fedFrom = at + skip;
                }
            }
            if (!piece.empty()) {
                if (!anyDelivered) prefix.append(piece);
                splitter.Feed(piece);
            }
            at += n;
        }
        if (!leading) splitter.Finish();
        if (noteGap && gap.messages > 0) read_.gaps.push_back(gap);
        return true;
    }

    ContainerRead& Read() { return read_; }

  private:
    const IndexedDelivery& how_;
    const StoreMessageSink& sink_;
    ContainerRead& read_;
    int number_ = 0;
};

}  // namespace

std::string CheckRecords(const std::vector<IndexEntry>& records, ByteSource& container) {
    const std::uint64_t size = container.Size();
    const IndexEntry* previous = nullptr;
    char probe[kHeaderProbe];
    for (const IndexEntry* r : ContainerRecordsByOffset(records)) {
        if (r->size == 0) return Describe(*r) + " is empty";
        if (r->offset > size || r->size > size - r->offset)
            return Describe(*r) + " reaches past the end of the container (" + std::to_string(size) + " bytes)";
        if (r->size > kMaxIndexedMessage) return Describe(*r) + " is larger than one message can be";
        if (previous && r->offset < previous->offset + previous->size)
            return Describe(*r) + " overlaps " + Describe(*previous);
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(r->size, kHeaderProbe));
        container.ReadAt(r->offset, probe, n);
        std::string_view head(probe, n);
        const std::size_t nl = head.find('\n');
        if (!lines::IsHeaderField(lines::WithoutCr(head.substr(0, nl))))
            return Describe(*r) + " does not begin with a header line";
        previous = r;
    }
    return {};
}

void DeliverIndexed(const std::vector<IndexEntry>& records, const IndexedDelivery& how, const StoreMessageSink& sink,
                    ContainerRead& read) {
    Delivery delivery(how, sink, read);
    try {
        if (how.container) {
            std::uint64_t pos = 0;
            const std::uint64_t size = how.container->Size();
            if (how.cutWholeContainer) {
                if (!delivery.Cut(0, size, false)) return;
            } else {
                for (const IndexEntry* r : ContainerRecordsByOffset(records)) {
                    if (!delivery.Pump()) return;
                    if (r->offset > pos && !delivery.Cut(pos, r->offset, true)) return;
                    StoreMessage m;
                    m.offset = r->offset;
                    m.deleted = r->deleted;
                    m.fromIndex = true;
                    m.indexTime = IndexTime(*r);
                    m.text.resize(static_cast<std::size_t>(r->size));
                    how.container->ReadAt(r->offset, m.text.data(), m.text.size());
                    delivery.Deliver(m);
                    pos = r->offset + r->size;
                }
                if (pos < size && !delivery.Cut(pos, size, true)) return;
            }
        }
    } catch (const platform::FileError& e) {
        read.complete = false;
        read.error = e.what();
        read.errorOffset = e.offset();
        return;
    } catch (const std::exception& e) {
        // A message too long for the cut's accumulator.
        read.complete = false;
        read.error = std::string("cannot cut the container: ") + e.what();
        return;
    }

    for (const IndexEntry& r : records) {
        if (IsContainerRecord(r)) {
            if (!how.container)
                read.unread.push_back({delivery.NextNumber(), how.containerPath,
                                       "the container file \"" + how.containerPath + "\" is missing"});
            continue;
        }
        if (!delivery.Pump()) return;
        if (!r.unsafe.empty()) {
            read.unread.push_back({delivery.NextNumber(), "", r.unsafe});
            continue;
        }
        StoreMessage m;
        m.deleted = r.deleted;
        m.fromIndex = true;
        m.indexTime = IndexTime(r);
        m.file = r.file;
        m.attachmentFolder = r.attachmentFolder;
        try {
            m.text = how.readFile ? how.readFile(r.file) : ReadWholeFile(r.file);
        } catch (const platform::FileError& e) {
            read.unread.push_back({delivery.NextNumber(), r.file, e.what()});
            continue;
        }
        delivery.Deliver(m);
    }
}

ContainerRead ReadStoreContainer(const StoreIndex& index, const StoreContainer& container, bool advance,
                                 const StoreMessageSink& sink, const BlockPump& pump) {
    ContainerRead read;
    if (!container.indexed) {
        // No index: the container is cut exactly as it always was.
        std::string marker;
        try {
            marker = ReadIMMFile(container.immPath);
        } catch (const platform::FileError& e) {
            read.complete = false;
            read.error = e.what();
            read.errorOffset = e.offset();
            return read;
        }
        auto toStore = [&](SplitMessage& sm) {
            StoreMessage m;
            m.number = sm.number;
            m.offset = sm.offset;
            m.text = std::move(sm.text);
            ++read.messages;
            ++read.cut;
            if (sink) sink(m);
        };
        SplitResult split = SplitIMMFile(container.immPath, marker, advance, toStore, pump);
        read.complete = split.complete;
        read.stopped = split.stopped;
        read.error = split.error;
        read.errorOffset = split.errorOffset;
        return read;
    }

    std::vector<IndexEntry> records;
    read.way = ContainerRead::Way::Index;
    try {
        records = index.Records(container);
    } catch (const IndexError& e) {
        read.way = ContainerRead::Way::FellBack;
        read.fellBackWhy = e.what();
    }

    IndexedDelivery how;
    how.advance = advance;
    how.pump = pump;
    how.containerPath = container.immPath;
    std::unique_ptr<FileSource> source;
    if (!container.immPath.empty() && platform::PathExists(container.immPath)) {
        try {
            source = std::make_unique<FileSource>(container.immPath);
            how.marker = ReadIMMFile(container.immPath);
            if (read.way == ContainerRead::Way::Index) {
                std::string why = CheckRecords(records, *source);
                if (!why.empty()) {
                    read.way = ContainerRead::Way::FellBack;
                    read.fellBackWhy = "\"" + container.immPath + "\": " + why;
                }
            }
        } catch (const platform::FileError& e) {
            read.complete = false;
            read.error = e.what();
            read.errorOffset = e.offset();
            return read;
        }
        how.container = source.get();
    }
    how.cutWholeContainer = read.way == ContainerRead::Way::FellBack;
    DeliverIndexed(records, how, sink, read);
    return read;
}

}  // namespace quill
