#include "pst/messaging/Templates.h"

#include "pst/messaging/PropertyTags.h"

namespace quill::pst::messaging {
namespace {

constexpr PropType kInt32 = PropType::Int32;
constexpr PropType kInt64 = PropType::Int64;
constexpr PropType kBool = PropType::Boolean;
constexpr PropType kString = PropType::String;
constexpr PropType kTime = PropType::Time;
constexpr PropType kBinary = PropType::Binary;

}  // namespace

const std::vector<std::uint32_t>& HierarchyColumns() {
    static const std::vector<std::uint32_t> c = {MakeTag(kPidTagReplItemid, kInt32),
                                                 MakeTag(kPidTagReplChangenum, kInt64),
                                                 MakeTag(kPidTagReplVersionHistory, kBinary),
                                                 MakeTag(kPidTagReplFlags, kInt32),
                                                 MakeTag(kPidTagDisplayName, kString),
                                                 MakeTag(kPidTagContentCount, kInt32),
                                                 MakeTag(kPidTagContentUnreadCount, kInt32),
                                                 MakeTag(kPidTagSubfolders, kBool),
                                                 MakeTag(kPidTagContainerClass, kString),
                                                 MakeTag(kPidTagPstHiddenCount, kInt32),
                                                 MakeTag(kPidTagPstHiddenUnread, kInt32),
                                                 MakeTag(kPidTagLtpRowId, kInt32),
                                                 MakeTag(kPidTagLtpRowVer, kInt32)};
    return c;
}

const std::vector<std::uint32_t>& ContentsColumns() {
    static const std::vector<std::uint32_t> c = {MakeTag(kPidTagImportance, kInt32),
                                                 MakeTag(kPidTagMessageClass, kString),
                                                 MakeTag(kPidTagSensitivity, kInt32),
                                                 MakeTag(kPidTagSubject, kString),
                                                 MakeTag(kPidTagClientSubmitTime, kTime),
                                                 MakeTag(kPidTagSentRepresentingName, kString),
                                                 MakeTag(kPidTagMessageToMe, kBool),
                                                 MakeTag(kPidTagMessageCcMe, kBool),
                                                 MakeTag(kPidTagConversationTopic, kString),
                                                 MakeTag(kPidTagConversationIndex, kBinary),
                                                 MakeTag(kPidTagDisplayCc, kString),
                                                 MakeTag(kPidTagDisplayTo, kString),
                                                 MakeTag(kPidTagMessageDeliveryTime, kTime),
                                                 MakeTag(kPidTagMessageFlags, kInt32),
                                                 MakeTag(kPidTagMessageSize, kInt32),
                                                 MakeTag(kPidTagMessageStatus, kInt32),
                                                 MakeTag(kPidTagReplItemid, kInt32),
                                                 MakeTag(kPidTagReplChangenum, kInt64),
                                                 MakeTag(kPidTagReplVersionHistory, kBinary),
                                                 MakeTag(kPidTagReplFlags, kInt32),
                                                 MakeTag(kPidTagReplCopiedfromVersionhistory, kBinary),
                                                 MakeTag(kPidTagReplCopiedfromItemid, kBinary),
                                                 MakeTag(kPidTagItemTemporaryFlags, kInt32),
                                                 MakeTag(kPidTagLastModificationTime, kTime),
                                                 MakeTag(kPidTagChangeKey, kBinary),
                                                 MakeTag(kPidTagSecureSubmitFlags, kInt32),
                                                 MakeTag(kPidTagLtpRowId, kInt32),
                                                 MakeTag(kPidTagLtpRowVer, kInt32)};
    return c;
}

const std::vector<std::uint32_t>& AssocContentsColumns() {
    static const std::vector<std::uint32_t> c = {
        MakeTag(kPidTagMessageClass, kString),
        MakeTag(kPidTagMessageFlags, kInt32),
        MakeTag(kPidTagMessageStatus, kInt32),
        MakeTag(kPidTagDisplayName, kString),
        MakeTag(kPidTagLtpRowId, kInt32),
        MakeTag(kPidTagLtpRowVer, kInt32),
        MakeTag(kPidTagOfflineAddressBookName, kString),
        MakeTag(kPidTagSendOutlookRecallReport, kBool),
        MakeTag(kPidTagOfflineAddressBookTruncatedProperties, PropType::MultiInt32),
        MakeTag(kAssocContentsBinaryColumn, kBinary),
        MakeTag(kPidTagViewDescriptorFlags, kInt32),
        MakeTag(kPidTagViewDescriptorLinkTo, kBinary),
        MakeTag(kPidTagViewDescriptorViewFolder, kBinary),
        MakeTag(kPidTagViewDescriptorName, kString),
        MakeTag(kPidTagViewDescriptorVersion, kInt32)};
    return c;
}

const std::vector<std::uint32_t>& SearchContentsColumns() {
    static const std::vector<std::uint32_t> c = {MakeTag(kPidTagImportance, kInt32),
                                                 MakeTag(kPidTagMessageClass, kString),
                                                 MakeTag(kPidTagSensitivity, kInt32),
                                                 MakeTag(kPidTagSubject, kString),
                                                 MakeTag(kPidTagSentRepresentingName, kString),
                                                 MakeTag(kPidTagMessageToMe, kBool),
                                                 MakeTag(kPidTagMessageCcMe, kBool),
                                                 MakeTag(kPidTagDisplayCc, kString),
                                                 MakeTag(kPidTagDisplayTo, kString),
                                                 MakeTag(kPidTagParentDisplay, kString),
                                                 MakeTag(kPidTagMessageDeliveryTime, kTime),
                                                 MakeTag(kPidTagMessageFlags, kInt32),
                                                 MakeTag(kPidTagMessageSize, kInt32),
                                                 MakeTag(kPidTagMessageStatus, kInt32),
                                                 MakeTag(kPidTagExchangeRemoteHeader, kBool),
                                                 MakeTag(kPidTagLastModificationTime, kTime),
                                                 MakeTag(kPidTagLtpParentNid, kInt32),
                                                 MakeTag(kPidTagLtpRowId, kInt32),
                                                 MakeTag(kPidTagLtpRowVer, kInt32)};
    return c;
}

const std::vector<std::uint32_t>& RecipientColumns() {
    static const std::vector<std::uint32_t> c = {MakeTag(kPidTagRecipientType, kInt32),
                                                 MakeTag(kPidTagResponsibility, kBool),
                                                 MakeTag(kPidTagRecordKey, kBinary),
                                                 MakeTag(kPidTagObjectType, kInt32),
                                                 MakeTag(kPidTagEntryId, kBinary),
                                                 MakeTag(kPidTagDisplayName, kString),
                                                 MakeTag(kPidTagAddressType, kString),
                                                 MakeTag(kPidTagEmailAddress, kString),
                                                 MakeTag(kPidTagSearchKey, kBinary),
                                                 MakeTag(kPidTagDisplayType, kInt32),
                                                 MakeTag(kPidTagAddressBookDisplayNamePrintable, kString),
                                                 MakeTag(kPidTagSendRichInfo, kBool),
                                                 MakeTag(kPidTagLtpRowId, kInt32),
                                                 MakeTag(kPidTagLtpRowVer, kInt32)};
    return c;
}

const std::vector<std::uint32_t>& AttachmentColumns() {
    static const std::vector<std::uint32_t> c = {
        MakeTag(kPidTagAttachSize, kInt32),   MakeTag(kPidTagAttachFilename, kString),
        MakeTag(kPidTagAttachMethod, kInt32), MakeTag(kPidTagRenderingPosition, kInt32),
        MakeTag(kPidTagLtpRowId, kInt32),     MakeTag(kPidTagLtpRowVer, kInt32)};
    return c;
}

const std::vector<std::uint32_t>& MessageRecipientColumns() {
    static const std::vector<std::uint32_t> c = [] {
        auto cols = RecipientColumns();
        for (std::uint32_t extra : {MakeTag(kPidTagSmtpAddress, kString), MakeTag(kPidTagRecipientOrder, kInt32),
                                    MakeTag(kPidTagRecipientFlags, kInt32)})
            cols.push_back(extra);
        return cols;
    }();
    return c;
}

}  // namespace quill::pst::messaging
