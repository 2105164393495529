#include "pst/messaging/Store.h"

#include "pst/disk/Bytes.h"
#include "pst/disk/Crc.h"

#include "pst/messaging/EntryIds.h"
#include "pst/messaging/Folders.h"
#include "pst/messaging/NodeWriting.h"
#include "pst/messaging/PropertyTags.h"
#include "pst/messaging/Templates.h"

#include <stdexcept>

namespace quill::pst::messaging {

using ndb::Nid;
using ndb::NidType;

namespace {

// [MS-PST] 2.4.7: the name-to-ID map with one numeric and one string name, so that all three of
// its streams hold something: readers treat an empty stream as missing.
PropertyList NameToIdMap() {
    static constexpr std::array<std::uint8_t, 16> kPsetidCommon = {0x08, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    constexpr std::uint32_t kBuckets = 251;
    constexpr std::uint32_t kPropertyId = 0x8580;
    constexpr std::uint16_t kGuidIndex = 3;        // the first GUID of the GUID stream
    constexpr std::uint16_t kPublicStrings = 2;    // PS_PUBLIC_STRINGS
    const std::vector<std::uint8_t> name = Utf16Le("Keywords");  // PidNameKeywords

    // NAMEID ([MS-PST] 2.4.7.1): dwPropertyID, wGuid << 1 | N, wPropIdx.
    auto nameId = [](std::uint32_t id, std::uint16_t guidField, std::uint16_t index) {
        std::vector<std::uint8_t> e(8, 0);
        disk::PutU32(e, 0, id);
        disk::PutU16(e, 4, guidField);
        disk::PutU16(e, 6, index);
        return e;
    };
    const auto numericField = static_cast<std::uint16_t>(kGuidIndex << 1);
    const auto stringField = static_cast<std::uint16_t>(kPublicStrings << 1 | 1);
    std::vector<std::uint8_t> entries = nameId(kPropertyId, numericField, 0);
    const std::vector<std::uint8_t> stringEntry = nameId(0, stringField, 1);  // the string at offset 0
    entries.insert(entries.end(), stringEntry.begin(), stringEntry.end());
    // The string stream: a 4-byte length, the UTF-16 name, padded to 4 bytes.
    std::vector<std::uint8_t> strings(4, 0);
    disk::PutU32(strings, 0, static_cast<std::uint32_t>(name.size()));
    strings.insert(strings.end(), name.begin(), name.end());
    strings.resize((strings.size() + 3) / 4 * 4, 0);

    PropertyList names;
    names.SetInt32(kPidTagNameidBucketCount, kBuckets);
    names.SetBinary(kPidTagNameidStreamGuid, kPsetidCommon);
    names.SetBinary(kPidTagNameidStreamEntry, entries);
    names.SetBinary(kPidTagNameidStreamString, strings);
    // Hash buckets ([MS-PST] 2.4.7.5): a string name is hashed by the CRC of its UTF-16 form.
    const std::uint32_t stringHash = disk::ComputeCrc(name);
    names.SetBinary(static_cast<std::uint16_t>(kPidTagNameidBucketBase + (kPropertyId ^ numericField) % kBuckets),
                    nameId(kPropertyId, numericField, 0));
    const auto stringBucket = static_cast<std::uint16_t>(kPidTagNameidBucketBase + (stringHash ^ stringField) % kBuckets);
    if (names.Has(stringBucket)) throw std::logic_error("name-to-ID map: both names in one bucket");
    names.SetBinary(stringBucket, nameId(stringHash, stringField, 1));
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
    // [MS-PST] 2.7.3.4.4 gives the spam search folder the three tables of a folder too, all empty.
    WriteEmptyTableNode(db, TableNid(kNidSpamSearchFolder, NidType::HierarchyTable), HierarchyColumns());
    WriteEmptyTableNode(db, TableNid(kNidSpamSearchFolder, NidType::ContentsTable), ContentsColumns());
    WriteEmptyTableNode(db, TableNid(kNidSpamSearchFolder, NidType::AssocContentsTable), AssocContentsColumns());

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
