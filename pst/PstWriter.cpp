#include "pst/PstWriter.h"

#include "platform/Ascii.h"
#include "platform/File.h"
#include "platform/Utf.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/messaging/Templates.h"
#include "pst/ndb/NodeDatabase.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <random>

namespace quill::pst {

using namespace ndb;
using ltp::TableContextBuilder;

namespace {

// Fixed NIDs of the nodes every PST has ([MS-PST] 2.4.1).
constexpr Nid kNidMessageStore = 0x21;
constexpr Nid kNidNameToIdMap = 0x61;
constexpr Nid kNidRootFolder = 0x122;
constexpr Nid kNidIpmSubtree = 0x8022;
constexpr Nid kNidSearchRoot = 0x8042;
constexpr Nid kNidDeletedItems = 0x8062;
constexpr Nid kNidSpamSearchFolder = 0x2223;
constexpr Nid kNidSearchManagementQueue = 0x1E1;
constexpr Nid kNidSearchActivityList = 0x201;
constexpr Nid kNidSearchDomainObject = 0x261;
constexpr Nid kNidHierarchyTemplate = 0x60D;
constexpr Nid kNidContentsTemplate = 0x60E;
constexpr Nid kNidAssocContentsTemplate = 0x60F;
constexpr Nid kNidSearchContentsTemplate = 0x610;
constexpr Nid kNidAttachmentTemplate = 0x671;
constexpr Nid kNidRecipientTemplate = 0x692;

constexpr std::uint32_t kMsgFlagRead = 0x01;
constexpr std::uint32_t kMsgFlagHasAttach = 0x10;
constexpr std::size_t kMaxFolderNameUnits = 255;

constexpr Nid TableNid(Nid folder, NidType type) { return (folder & ~0x1Fu) | static_cast<std::uint32_t>(type); }

std::uint64_t NowFileTime() {
    const auto s =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
    return FileTimeFromUnix(s.count());
}

// Collects the subnodes of the node being built; values go to disk as they are handed over.
class NodeSubnodes : public ltp::SubnodeSink {
  public:
    explicit NodeSubnodes(NodeDatabase& db) : db(db) {}

    std::uint32_t AddSubnode(std::span<const std::uint8_t> data) override {
        const Nid nid = MakeNid(NidType::LtpValueStream, nextStream++);
        Add(nid, db.WriteDataTree(data), 0, data.size());
        return nid;
    }
    // A value stream already written as a data tree.
    Nid AddStream(Bid bidData, std::uint64_t bytes) {
        const Nid nid = MakeNid(NidType::LtpValueStream, nextStream++);
        Add(nid, bidData, 0, bytes);
        return nid;
    }
    void Add(Nid nid, Bid bidData, Bid bidSub, std::uint64_t bytes) {
        entries.push_back({nid, bidData, bidSub});
        total += bytes;
    }
    [[nodiscard]] Bid WriteTree() { return db.WriteSubnodeTree(entries); }
    [[nodiscard]] std::uint64_t Bytes() const { return total; }

  private:
    NodeDatabase& db;
    std::vector<SubnodeEntry> entries;
    std::uint32_t nextStream = 1;
    std::uint64_t total = 0;  // data bytes of every subnode and theirs, recursively
};

// Stands in for the real sink to learn a context's size before it is written.
class CountingSink : public ltp::SubnodeSink {
  public:
    std::uint32_t AddSubnode(std::span<const std::uint8_t> data) override {
        total += data.size();
        return MakeNid(NidType::LtpValueStream, next++);
    }
    std::uint64_t total = 0;

  private:
    std::uint32_t next = 1;
};

std::uint64_t DataSize(const std::vector<std::vector<std::uint8_t>>& blocks) {
    std::uint64_t n = 0;
    for (const auto& b : blocks) n += b.size();
    return n;
}

// Values of `from` for the columns of a table, as a table row holds them.
PropertyList RowFrom(const PropertyList& from, const std::vector<std::uint32_t>& columns) {
    PropertyList row;
    for (std::uint32_t tag : columns) {
        const Property* p = from.Find(TagId(tag));
        if (p != nullptr && p->tag == tag) row.SetRaw(p->tag, p->value);
    }
    return row;
}

std::size_t Utf16Units(std::string_view utf8) { return platform::Utf8ToUtf16(utf8).size(); }

}  // namespace

struct Folder {
    Nid nid = 0;
    Nid parent = 0;
    std::string name;
    std::string containerClass;
    std::vector<Nid> children;
    std::unique_ptr<TableContextBuilder> contents;
    std::uint32_t count = 0;
    std::uint32_t unread = 0;
};

class PstWriter::Impl {
  public:
    Impl(const std::string& path, std::string_view storeName);

    FolderId AddFolder(FolderId parent, std::string_view name, std::string_view containerClass);
    std::optional<FolderId> FindFolder(FolderId parent, std::string_view name) const;
    void AddMessage(FolderId folder, const NewMessage& message);
    void Close();

    platform::OutputFile file;
    NodeDatabase db;
    std::string storeName;
    std::array<std::uint8_t, 16> recordKey{};
    std::mt19937_64 random;
    std::map<Nid, Folder> folders;
    bool closed = false;
    std::string failure;  // set once a write may have been left half done

  private:
    Folder& NewFolder(Nid nid, Nid parent, std::string_view name, std::string_view containerClass);
    std::vector<std::uint8_t> EntryId(Nid nid) const;
    std::array<std::uint8_t, 16> RandomKey();
    Bid WriteTable(const TableContextBuilder& table, NodeSubnodes& sub);
    void WriteFolder(const Folder& f);
    void WriteStoreNodes();
    void WriteAttachment(NodeSubnodes& messageSub, Nid nid, const NewAttachment& a, std::size_t index,
                         TableContextBuilder& table);
};

PstWriter::Impl::Impl(const std::string& path, std::string_view name)
    : file(path), db(file, disk::CryptMethod::Permute), storeName(name) {
    std::random_device rd;
    random.seed((static_cast<std::uint64_t>(rd()) << 32) ^ rd() ^
                static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    recordKey = RandomKey();
    // Counters start where new objects of each kind begin ([MS-PST] 2.4.1).
    for (std::size_t t = 0; t < 32; ++t) db.ReserveNid(static_cast<NidType>(t), 0x400);
    db.ReserveNid(NidType::SearchFolder, 0x4000);
    db.ReserveNid(NidType::AssocMessage, 0x8000);
    db.ReserveNid(NidType::NormalMessage, 0x10000);
    for (NidType t :
         {NidType::NormalFolder, NidType::HierarchyTable, NidType::ContentsTable, NidType::AssocContentsTable})
        db.ReserveNid(t, NidIndex(kNidDeletedItems));

    NewFolder(kNidRootFolder, kNidRootFolder, "", "");
    NewFolder(kNidIpmSubtree, kNidRootFolder, "Top of Personal Folders", "");
    NewFolder(kNidSearchRoot, kNidRootFolder, "Search Root", "");
    NewFolder(kNidDeletedItems, kNidIpmSubtree, "Deleted Items", "IPF.Note");
}

std::array<std::uint8_t, 16> PstWriter::Impl::RandomKey() {
    std::array<std::uint8_t, 16> k{};
    for (std::size_t i = 0; i < 16; i += 8) {
        const std::uint64_t v = random();
        for (std::size_t b = 0; b < 8; ++b) k[i + b] = static_cast<std::uint8_t>(v >> (8 * b));
    }
    return k;
}

Folder& PstWriter::Impl::NewFolder(Nid nid, Nid parent, std::string_view name, std::string_view containerClass) {
    Folder& f = folders[nid];
    f.nid = nid;
    f.parent = parent;
    f.name = name;
    f.containerClass = containerClass;
    f.contents = std::make_unique<TableContextBuilder>(messaging::ContentsColumns());
    if (nid != parent) folders[parent].children.push_back(nid);
    return f;
}

// [MS-PST] 2.4.3.2 (folder EntryID): flags, the store's record key, the NID.
std::vector<std::uint8_t> PstWriter::Impl::EntryId(Nid nid) const {
    std::vector<std::uint8_t> id(24, 0);
    std::copy(recordKey.begin(), recordKey.end(), id.begin() + 4);
    for (int i = 0; i < 4; ++i) id[20 + i] = static_cast<std::uint8_t>(nid >> (8 * i));
    return id;
}

FolderId PstWriter::Impl::AddFolder(FolderId parent, std::string_view name, std::string_view containerClass) {
    if (closed) throw PstError("the PST file " + file.Path() + " is already closed");
    if (!folders.contains(parent) || parent == kNidRootFolder || parent == kNidSearchRoot)
        throw PstError("no folder " + std::to_string(parent) + " to add \"" + std::string(name) + "\" to in " +
                       file.Path());
    if (name.empty()) throw PstError("a folder needs a name (in " + file.Path() + ")");
    if (Utf16Units(name) > kMaxFolderNameUnits)
        throw PstError("the folder name \"" + std::string(name.substr(0, 40)) + "...\" is longer than " +
                       std::to_string(kMaxFolderNameUnits) + " characters");
    Nid nid = 0;
    try {
        nid = db.NextNid(NidType::NormalFolder);
    } catch (const std::length_error&) {
        throw PstError("too many folders for one PST file: " + file.Path());
    }
    // A folder's tables share its index.
    for (NidType t : {NidType::HierarchyTable, NidType::ContentsTable, NidType::AssocContentsTable})
        db.ReserveNid(t, NidIndex(nid));
    NewFolder(nid, parent, name, containerClass);
    return nid;
}

std::optional<FolderId> PstWriter::Impl::FindFolder(FolderId parent, std::string_view name) const {
    auto it = folders.find(parent);
    if (it == folders.end()) return std::nullopt;
    const std::string want = platform::LowerAscii(name);
    for (Nid child : it->second.children)
        if (platform::LowerAscii(folders.at(child).name) == want) return child;
    return std::nullopt;
}

Bid PstWriter::Impl::WriteTable(const TableContextBuilder& table, NodeSubnodes& sub) {
    return db.WriteBlockList(table.Finish(sub));
}

void PstWriter::Impl::WriteAttachment(NodeSubnodes& messageSub, Nid nid, const NewAttachment& a, std::size_t index,
                                      TableContextBuilder& table) {
    PropertyList props = a.props;
    props.Remove(0x3701);
    NodeSubnodes sub(db);
    // Content that fits one heap allocation stays in the context; anything larger, and any
    // stream, goes straight to disk as its own data tree so it never waits in memory.
    std::vector<ltp::StoredValue> stored;
    std::uint64_t dataSize = 0;
    if (!a.source && a.data.size() <= ltp::kMaxAllocation) {
        props.SetRaw(MakeTag(0x3701, PropType::Binary), std::vector<std::uint8_t>(a.data.begin(), a.data.end()));
    } else {
        DataTreeWriter tree(db);
        if (a.source) {
            std::vector<std::uint8_t> piece(1 << 16);
            while (const std::size_t n = a.source(piece)) tree.Append(std::span<const std::uint8_t>(piece).first(n));
        } else {
            tree.Append({reinterpret_cast<const std::uint8_t*>(a.data.data()), a.data.size()});
        }
        dataSize = tree.Size();
        const Nid streamNid = sub.AddStream(tree.Finish(), dataSize);
        stored.push_back({MakeTag(0x3701, PropType::Binary), streamNid});
    }
    if (!props.Has(0x3705)) props.SetInt32(0x3705, 1);  // ATTACH_BY_VALUE
    if (!props.Has(0x370B)) props.SetInt32(0x370B, 0xFFFFFFFF);
    if (!props.Has(0x0E21)) props.SetInt32(0x0E21, static_cast<std::uint32_t>(index));
    if (!props.Has(0x3714)) props.SetInt32(0x3714, 0);
    // PR_ATTACH_SIZE counts every value of the attachment object, itself included.
    props.SetInt32(0x0E20, 0);
    std::uint64_t size = dataSize;
    for (const Property& p : props.Items()) size += p.value.size();
    props.SetInt32(0x0E20, static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFF)));

    const auto blocks = ltp::BuildPropertyContext(props, sub, stored);
    const Bid bidData = db.WriteBlockList(blocks);
    messageSub.Add(nid, bidData, sub.WriteTree(), DataSize(blocks) + sub.Bytes());
    table.AddRow(nid, props);
}

void PstWriter::Impl::AddMessage(FolderId folderId, const NewMessage& message) {
    if (closed) throw PstError("the PST file " + file.Path() + " is already closed");
    auto it = folders.find(folderId);
    if (it == folders.end() || folderId == kNidRootFolder || folderId == kNidSearchRoot)
        throw PstError("no folder " + std::to_string(folderId) + " to add a message to in " + file.Path());
    Folder& folder = it->second;
    Nid nid = 0;
    try {
        nid = db.NextNid(NidType::NormalMessage);
    } catch (const std::length_error&) {
        throw PstError("too many messages for one PST file: " + file.Path());
    }

    PropertyList props = message.props;
    const std::uint64_t now = NowFileTime();
    if (!props.Has(0x001A)) props.SetString(0x001A, "IPM.Note");
    if (!props.Has(0x0E07)) props.SetInt32(0x0E07, kMsgFlagRead);
    std::uint32_t flags = props.GetInt32(0x0E07);
    if (!message.attachments.empty()) flags |= kMsgFlagHasAttach;
    props.SetInt32(0x0E07, flags);
    props.SetBool(0x0E1B, !message.attachments.empty());  // PR_HASATTACH
    if (!props.Has(0x0E17)) props.SetInt32(0x0E17, 0);
    if (!props.Has(0x0017)) props.SetInt32(0x0017, 1);
    if (!props.Has(0x0036)) props.SetInt32(0x0036, 0);
    if (!props.Has(0x3007)) props.SetTime(0x3007, now);
    if (!props.Has(0x3008)) props.SetTime(0x3008, now);
    if (!props.Has(0x0E06)) props.SetTime(0x0E06, now);
    if (!props.Has(0x300B)) {
        const auto key = RandomKey();
        props.SetBinary(0x300B, key);
    }
    if (!props.Has(0x0FF9)) {
        const auto key = RandomKey();
        props.SetBinary(0x0FF9, key);
    }

    NodeSubnodes sub(db);

    TableContextBuilder recipients(messaging::MessageRecipientColumns());
    for (std::size_t i = 0; i < message.recipients.size(); ++i) {
        PropertyList r = message.recipients[i];
        if (!r.Has(0x0C15)) r.SetInt32(0x0C15, 1);
        if (!r.Has(0x3002)) r.SetString(0x3002, "SMTP");
        if (!r.Has(0x0FFE)) r.SetInt32(0x0FFE, 6);  // MAPI_MAILUSER
        if (!r.Has(0x3900)) r.SetInt32(0x3900, 0);
        if (!r.Has(0x0E0F)) r.SetBool(0x0E0F, false);
        if (!r.Has(0x3A40)) r.SetBool(0x3A40, false);
        if (!r.Has(0x5FFD)) r.SetInt32(0x5FFD, 1);
        r.SetInt32(0x5FDF, static_cast<std::uint32_t>(i));
        recipients.AddRow(static_cast<std::uint32_t>(i), r);
    }
    {
        NodeSubnodes tableSub(db);
        const auto blocks = recipients.Finish(tableSub);
        const Bid bid = db.WriteBlockList(blocks);
        sub.Add(kNidRecipientTemplate, bid, tableSub.WriteTree(), DataSize(blocks) + tableSub.Bytes());
    }

    if (!message.attachments.empty()) {
        TableContextBuilder attachments(messaging::AttachmentColumns());
        for (std::size_t i = 0; i < message.attachments.size(); ++i)
            WriteAttachment(sub, MakeNid(NidType::Attachment, static_cast<std::uint32_t>(0x8000 + i)),
                            message.attachments[i], i, attachments);
        NodeSubnodes tableSub(db);
        const auto blocks = attachments.Finish(tableSub);
        const Bid bid = db.WriteBlockList(blocks);
        sub.Add(kNidAttachmentTemplate, bid, tableSub.WriteTree(), DataSize(blocks) + tableSub.Bytes());
    }

    // PR_MESSAGE_SIZE: the message object's data and all its subnodes'; the context's size is
    // learned first with a sink that writes nothing (the size value itself is inline).
    props.SetInt32(0x0E08, 0);
    CountingSink counting;
    const std::uint64_t pcSize = DataSize(ltp::BuildPropertyContext(props, counting));
    const std::uint64_t total = pcSize + counting.total + sub.Bytes();
    props.SetInt32(0x0E08, static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0x7FFFFFFF)));
    const Bid bidData = db.WriteBlockList(ltp::BuildPropertyContext(props, sub));
    db.AddNode(nid, bidData, sub.WriteTree(), folder.nid);

    PropertyList row = RowFrom(props, messaging::ContentsColumns());
    folder.contents->AddRow(nid, row);
    ++folder.count;
    if ((flags & kMsgFlagRead) == 0) ++folder.unread;
}

// A folder object and its three tables ([MS-PST] 2.4.4): the hierarchy rows copy each child's
// own values, so both always agree.
void PstWriter::Impl::WriteFolder(const Folder& f) {
    auto folderProps = [this](const Folder& x) {
        PropertyList p;
        p.SetString(0x3001, x.name);
        p.SetInt32(0x3602, x.count);
        p.SetInt32(0x3603, x.unread);
        p.SetBool(0x360A, !x.children.empty());
        if (!x.containerClass.empty()) p.SetString(0x3613, x.containerClass);
        p.SetInt32(0x6635, 0);
        p.SetInt32(0x6636, 0);
        return p;
    };
    {
        NodeSubnodes sub(db);
        const Bid bid = db.WriteBlockList(ltp::BuildPropertyContext(folderProps(f), sub));
        db.AddNode(f.nid, bid, sub.WriteTree(), f.parent);
    }
    TableContextBuilder hierarchy(messaging::HierarchyColumns());
    for (Nid child : f.children) {
        const Folder& c = folders.at(child);
        hierarchy.AddRow(child, RowFrom(folderProps(c), messaging::HierarchyColumns()));
    }
    if (f.nid == kNidRootFolder) {
        PropertyList spam;
        spam.SetString(0x3001, "SPAM Search Folder 2");
        spam.SetInt32(0x3602, 0);
        spam.SetInt32(0x3603, 0);
        spam.SetBool(0x360A, false);
        hierarchy.AddRow(kNidSpamSearchFolder, spam);
    }
    for (auto [table, nid] :
         {std::pair<const TableContextBuilder*, Nid>{&hierarchy, TableNid(f.nid, NidType::HierarchyTable)},
          {f.contents.get(), TableNid(f.nid, NidType::ContentsTable)}}) {
        NodeSubnodes sub(db);
        const Bid bid = WriteTable(*table, sub);
        db.AddNode(nid, bid, sub.WriteTree(), 0);
    }
    TableContextBuilder assoc(messaging::AssocContentsColumns());
    NodeSubnodes sub(db);
    const Bid bid = WriteTable(assoc, sub);
    db.AddNode(TableNid(f.nid, NidType::AssocContentsTable), bid, sub.WriteTree(), 0);
}

void PstWriter::Impl::WriteStoreNodes() {
    auto writePc = [this](Nid nid, const PropertyList& props, Nid parent) {
        NodeSubnodes sub(db);
        const Bid bid = db.WriteBlockList(ltp::BuildPropertyContext(props, sub));
        db.AddNode(nid, bid, sub.WriteTree(), parent);
    };
    auto writeEmpty = [this](Nid nid, Nid parent) { db.AddNode(nid, db.WriteDataBlock({}), 0, parent); };
    auto writeTemplate = [this](Nid nid, const std::vector<std::uint32_t>& columns) {
        TableContextBuilder t(columns);
        NodeSubnodes sub(db);
        const Bid bid = WriteTable(t, sub);
        db.AddNode(nid, bid, sub.WriteTree(), 0);
    };

    // [MS-PST] 2.4.3: the message store.
    PropertyList store;
    store.SetBinary(0x0FF9, recordKey);
    store.SetString(0x3001, storeName);
    store.SetInt32(0x35DF, 0x89);  // FOLDER_IPM_SUBTREE_VALID | FOLDER_IPM_WASTEBASKET_VALID | FOLDER_FINDER_VALID
    store.SetBinary(0x35E0, EntryId(kNidIpmSubtree));
    store.SetBinary(0x35E3, EntryId(kNidDeletedItems));
    store.SetBinary(0x35E7, EntryId(kNidSearchRoot));
    store.SetInt32(0x67FF, 0);
    store.SetBool(0x6633, true);
    writePc(kNidMessageStore, store, 0);

    // [MS-PST] 2.4.7: the name-to-ID map, with one numeric name so that readers find its streams.
    static constexpr std::array<std::uint8_t, 16> kPsetidCommon = {0x08, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    constexpr std::uint32_t kPropertyId = 0x8580;
    constexpr std::uint16_t kGuidIndex = 3;  // the first GUID of the GUID stream
    const std::uint16_t guidField = static_cast<std::uint16_t>(kGuidIndex << 1);
    std::vector<std::uint8_t> entry(8, 0);
    for (int i = 0; i < 4; ++i) entry[i] = static_cast<std::uint8_t>(kPropertyId >> (8 * i));
    entry[4] = static_cast<std::uint8_t>(guidField);
    entry[5] = static_cast<std::uint8_t>(guidField >> 8);
    PropertyList names;
    names.SetInt32(0x0001, 251);
    names.SetBinary(0x0002, kPsetidCommon);
    names.SetBinary(0x0003, entry);
    names.SetBinary(0x0004, {});
    names.SetBinary(static_cast<std::uint16_t>(0x1000 + (kPropertyId ^ guidField) % 251), entry);
    writePc(kNidNameToIdMap, names, 0);

    for (const auto& [nid, f] : folders) WriteFolder(f);

    // The spam search folder with its queue, criteria and contents table ([MS-PST] 2.4.8).
    PropertyList spam;
    spam.SetString(0x3001, "SPAM Search Folder 2");
    spam.SetInt32(0x3602, 0);
    spam.SetInt32(0x3603, 0);
    spam.SetBool(0x360A, false);
    writePc(kNidSpamSearchFolder, spam, kNidRootFolder);
    writeEmpty(TableNid(kNidSpamSearchFolder, NidType::SearchUpdateQueue), 0);
    PropertyList criteria;
    criteria.SetInt32(0x660B, 0);
    writePc(TableNid(kNidSpamSearchFolder, NidType::SearchCriteriaObject), criteria, 0);
    writeTemplate(TableNid(kNidSpamSearchFolder, NidType::SearchContentsTable), messaging::SearchContentsColumns());

    writeEmpty(kNidSearchManagementQueue, 0);
    writeEmpty(kNidSearchActivityList, 0);
    writeEmpty(kNidSearchDomainObject, 0);

    writeTemplate(kNidHierarchyTemplate, messaging::HierarchyColumns());
    writeTemplate(kNidContentsTemplate, messaging::ContentsColumns());
    writeTemplate(kNidAssocContentsTemplate, messaging::AssocContentsColumns());
    writeTemplate(kNidSearchContentsTemplate, messaging::SearchContentsColumns());
    writeTemplate(kNidAttachmentTemplate, messaging::AttachmentColumns());
    writeTemplate(kNidRecipientTemplate, messaging::RecipientColumns());
}

void PstWriter::Impl::Close() {
    if (closed) return;
    closed = true;
    WriteStoreNodes();
    db.Close();
    file.Close();
}

// ---------------------------------------------------------------------------------------------

namespace {

// Turns the layers' exceptions into PstError naming the file. A failure after bytes may have
// gone out (a write error, a data source that failed) leaves the file in an unknown state: the
// writer then refuses everything, and the file is removed when the writer goes away.
template <class F>
auto Guarded(std::string* failure, const std::string& path, F&& f) -> decltype(f()) {
    if (failure != nullptr && !failure->empty())
        throw PstError("the PST file " + path + " is incomplete after an earlier failure (" + *failure +
                       ") and will be removed");
    try {
        return f();
    } catch (const PstError&) {
        throw;
    } catch (const platform::FileError& e) {
        if (failure != nullptr) *failure = e.what();
        throw PstError(e.what());
    } catch (const std::exception& e) {
        if (failure != nullptr) *failure = e.what();
        throw PstError("cannot write the PST file " + path + ": " + e.what());
    }
}

}  // namespace

PstWriter::PstWriter(const std::string& path, std::string_view storeDisplayName) {
    Guarded(nullptr, path, [&] {
        impl = std::make_unique<Impl>(path, storeDisplayName);
        return 0;
    });
}

PstWriter::~PstWriter() = default;

FolderId PstWriter::TopFolder() const { return kNidIpmSubtree; }

FolderId PstWriter::AddFolder(FolderId parent, std::string_view name, std::string_view containerClass) {
    return Guarded(&impl->failure, impl->file.Path(), [&] { return impl->AddFolder(parent, name, containerClass); });
}

std::optional<FolderId> PstWriter::FindFolder(FolderId parent, std::string_view name) const {
    return impl->FindFolder(parent, name);
}

void PstWriter::AddMessage(FolderId folder, const NewMessage& message) {
    Guarded(&impl->failure, impl->file.Path(), [&] {
        impl->AddMessage(folder, message);
        return 0;
    });
}

void PstWriter::Close() {
    Guarded(&impl->failure, impl->file.Path(), [&] {
        impl->Close();
        return 0;
    });
}

const std::string& PstWriter::Path() const { return impl->file.Path(); }

std::uint64_t PstWriter::BytesWritten() const { return impl->db.FileOffset(); }

}  // namespace quill::pst
