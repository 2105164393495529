#include "pst/messaging/Store.h"

#include "pst/messaging/EntryIds.h"
#include "pst/messaging/Folders.h"
#include "pst/messaging/NodeWriting.h"
#include "pst/messaging/PropertyTags.h"
#include "pst/messaging/Templates.h"

namespace quill::pst::messaging {

using ndb::Nid;
using ndb::NidType;

namespace {

// [MS-PST] 2.4.7: the name-to-ID map, with one numeric name so that readers find its streams.
PropertyList NameToIdMap() {
    static constexpr std::array<std::uint8_t, 16> kPsetidCommon = {0x08, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    constexpr std::uint32_t kBuckets = 251;
    constexpr std::uint32_t kPropertyId = 0x8580;
    constexpr std::uint16_t kGuidIndex = 3;  // the first GUID of the GUID stream
    const std::uint16_t guidField = static_cast<std::uint16_t>(kGuidIndex << 1);
    std::vector<std::uint8_t> entry(8, 0);
    for (int i = 0; i < 4; ++i) entry[i] = static_cast<std::uint8_t>(kPropertyId >> (8 * i));
    entry[4] = static_cast<std::uint8_t>(guidField);
    entry[5] = static_cast<std::uint8_t>(guidField >> 8);
    PropertyList names;
    names.SetInt32(kPidTagNameidBucketCount, kBuckets);
    names.SetBinary(kPidTagNameidStreamGuid, kPsetidCommon);
    names.SetBinary(kPidTagNameidStreamEntry, entry);
    names.SetBinary(kPidTagNameidStreamString, {});
    names.SetBinary(static_cast<std::uint16_t>(kPidTagNameidBucketBase + (kPropertyId ^ guidField) % kBuckets), entry);
    return names;
}

}  // namespace

PropertyList SpamSearchFolderProperties() {
    PropertyList spam;
    spam.SetString(kPidTagDisplayName, "SPAM Search Folder 2");
    spam.SetInt32(kPidTagContentCount, 0);
    spam.SetInt32(kPidTagContentUnreadCount, 0);
    spam.SetBool(kPidTagSubfolders, false);
    return spam;
}

void WriteStoreNodes(ndb::NodeDatabase& db, const std::array<std::uint8_t, 16>& recordKey,
                     std::string_view storeDisplayName) {
    // [MS-PST] 2.4.3: the message store.
    PropertyList store;
    store.SetBinary(kPidTagRecordKey, recordKey);
    store.SetString(kPidTagDisplayName, storeDisplayName);
    store.SetInt32(kPidTagValidFolderMask, kFolderIpmSubtreeValid | kFolderIpmWastebasketValid | kFolderFinderValid);
    store.SetBinary(kPidTagIpmSubtreeEntryId, FolderEntryId(recordKey, kNidIpmSubtree));
    store.SetBinary(kPidTagIpmWastebasketEntryId, FolderEntryId(recordKey, kNidDeletedItems));
    store.SetBinary(kPidTagFinderEntryId, FolderEntryId(recordKey, kNidSearchRoot));
    store.SetInt32(kPidTagPstPassword, 0);
    store.SetBool(kPidTagPstLrNoRestrictions, true);
    WritePropertyContextNode(db, kNidMessageStore, store, 0);

    WritePropertyContextNode(db, kNidNameToIdMap, NameToIdMap(), 0);
}

void WriteSearchAndTemplateNodes(ndb::NodeDatabase& db) {
    // The spam search folder with its queue, criteria and contents table ([MS-PST] 2.4.8).
    WritePropertyContextNode(db, kNidSpamSearchFolder, SpamSearchFolderProperties(), kNidRootFolder);
    WriteEmptyNode(db, TableNid(kNidSpamSearchFolder, NidType::SearchUpdateQueue));
    PropertyList criteria;
    criteria.SetInt32(kSearchCriteriaProperty, 0);
    WritePropertyContextNode(db, TableNid(kNidSpamSearchFolder, NidType::SearchCriteriaObject), criteria, 0);
    WriteEmptyTableNode(db, TableNid(kNidSpamSearchFolder, NidType::SearchContentsTable), SearchContentsColumns());

    WriteEmptyNode(db, kNidSearchManagementQueue);
    WriteEmptyNode(db, kNidSearchActivityList);
    WriteEmptyNode(db, kNidSearchDomainObject);

    const std::pair<Nid, const std::vector<std::uint32_t>&> templates[] = {
        {kNidHierarchyTemplate, HierarchyColumns()},         {kNidContentsTemplate, ContentsColumns()},
        {kNidAssocContentsTemplate, AssocContentsColumns()}, {kNidSearchContentsTemplate, SearchContentsColumns()},
        {kNidAttachmentTemplate, AttachmentColumns()},       {kNidRecipientTemplate, RecipientColumns()}};
    for (const auto& [nid, columns] : templates) WriteEmptyTableNode(db, nid, columns);
}

}  // namespace quill::pst::messaging
