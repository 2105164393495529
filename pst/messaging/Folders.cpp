#include "pst/messaging/Folders.h"

#include "platform/Ascii.h"
#include "platform/Utf.h"
#include "pst/PstError.h"
#include "pst/messaging/NodeWriting.h"
#include "pst/messaging/PropertyTags.h"
#include "pst/messaging/Store.h"
#include "pst/messaging/Templates.h"

#include <stdexcept>

namespace quill::pst::messaging {

using ndb::Nid;
using ndb::NidType;

namespace {

// The values a folder's PC holds, which its row in the parent's hierarchy table copies.
PropertyList FolderProperties(const Folder& f) {
    PropertyList p;
    p.SetString(kPidTagDisplayName, f.name);
    p.SetInt32(kPidTagContentCount, f.count);
    p.SetInt32(kPidTagContentUnreadCount, f.unread);
    p.SetBool(kPidTagSubfolders, !f.children.empty());
    if (!f.containerClass.empty()) p.SetString(kPidTagContainerClass, f.containerClass);
    p.SetInt32(kPidTagPstHiddenCount, 0);
    p.SetInt32(kPidTagPstHiddenUnread, 0);
    return p;
}

bool TakesMessagesAndFolders(Nid nid) { return nid != kNidRootFolder && nid != kNidSearchRoot; }

}  // namespace

FolderTree::FolderTree(ndb::NodeDatabase& db) : db_(db) {
    // Counters start where new objects of each kind begin ([MS-PST] 2.4.1).
    for (std::size_t t = 0; t < 32; ++t) db_.ReserveNid(static_cast<NidType>(t), 0x400);
    db_.ReserveNid(NidType::SearchFolder, 0x4000);
    db_.ReserveNid(NidType::AssocMessage, 0x8000);
    db_.ReserveNid(NidType::NormalMessage, 0x10000);
    for (NidType t :
         {NidType::NormalFolder, NidType::HierarchyTable, NidType::ContentsTable, NidType::AssocContentsTable})
        db_.ReserveNid(t, ndb::NidIndex(kNidDeletedItems));

    Make(kNidRootFolder, kNidRootFolder, "", "");
    Make(kNidIpmSubtree, kNidRootFolder, "Top of Personal Folders", "");
    Make(kNidSearchRoot, kNidRootFolder, "Search Root", "");
    Make(kNidDeletedItems, kNidIpmSubtree, "Deleted Items", "IPF.Note");
}

Folder& FolderTree::Make(Nid nid, Nid parent, std::string_view name, std::string_view containerClass) {
    Folder& f = folders_[nid];
    f.nid = nid;
    f.parent = parent;
    f.name = name;
    f.containerClass = containerClass;
    f.contents = std::make_unique<StreamedTableNode>(db_, ContentsColumns());
    if (nid != parent) folders_[parent].children.push_back(nid);
    return f;
}

Nid FolderTree::Add(Nid parent, std::string_view name, std::string_view containerClass) {
    if (!folders_.contains(parent) || !TakesMessagesAndFolders(parent))
        throw PstError("no folder " + std::to_string(parent) + " to add \"" + std::string(name) + "\" to",
                       {.nodeId = parent, .expected = "a folder of this file that takes subfolders"});
    if (name.empty()) throw PstError("a folder needs a name", {.expected = "a name", .actual = "an empty name"});
    const std::size_t units = platform::Utf8ToUtf16(name).size();
    if (units > kMaxFolderNameUnits)
        throw PstError("the folder name \"" + std::string(name.substr(0, 40)) + "...\" is longer than " +
                           std::to_string(kMaxFolderNameUnits) + " characters",
                       {.expected = "at most " + std::to_string(kMaxFolderNameUnits) + " UTF-16 units",
                        .actual = std::to_string(units)});
    Nid nid = 0;
    // Folder indexes stay below the first message index, so that every folder sorts before the
    // messages in the node B-tree (whose message leaves are written as messages arrive).
    constexpr std::uint32_t kFolderIndexLimit = 0x10000;
    try {
        nid = db_.NextNid(NidType::NormalFolder);
    } catch (const std::length_error&) {
        nid = ndb::MakeNid(NidType::NormalFolder, kFolderIndexLimit);
    }
    if (ndb::NidIndex(nid) >= kFolderIndexLimit)
        throw PstError("too many folders for one PST file",
                       {.expected = "fewer than " + std::to_string(kFolderIndexLimit - 0x400) + " folders"});
    // A folder's tables share its index.
    for (NidType t : {NidType::HierarchyTable, NidType::ContentsTable, NidType::AssocContentsTable})
        db_.ReserveNid(t, ndb::NidIndex(nid));
    Make(nid, parent, name, containerClass);
    return nid;
}

std::optional<Nid> FolderTree::Find(Nid parent, std::string_view name) const {
    auto it = folders_.find(parent);
    if (it == folders_.end()) return std::nullopt;
    for (Nid child : it->second.children)
        if (platform::EqualsIgnoreCase(folders_.at(child).name, name)) return child;
    return std::nullopt;
}

Folder& FolderTree::MessageFolder(Nid nid) {
    auto it = folders_.find(nid);
    if (it == folders_.end() || !TakesMessagesAndFolders(nid))
        throw PstError("no folder " + std::to_string(nid) + " to add a message to",
                       {.nodeId = nid, .expected = "a folder of this file that takes messages"});
    return it->second;
}

// A folder object and its three tables ([MS-PST] 2.4.4): the hierarchy rows copy each child's
// own values, so both always agree.
void FolderTree::WriteFolder(Folder& f) {
    WritePropertyContextNode(db_, f.nid, FolderProperties(f), f.parent);
    ltp::TableContextBuilder hierarchy(HierarchyColumns());
    for (Nid child : f.children)
        hierarchy.AddRow(child, RowFrom(FolderProperties(folders_.at(child)), HierarchyColumns()));
    if (f.nid == kNidRootFolder) hierarchy.AddRow(kNidSpamSearchFolder, SpamSearchFolderProperties());
    WriteTableNode(db_, TableNid(f.nid, NidType::HierarchyTable), hierarchy);
    f.contents->Write(TableNid(f.nid, NidType::ContentsTable));
    WriteEmptyTableNode(db_, TableNid(f.nid, NidType::AssocContentsTable), AssocContentsColumns());
}

void FolderTree::Write() {
    for (auto& [nid, f] : folders_) WriteFolder(f);
}

}  // namespace quill::pst::messaging
