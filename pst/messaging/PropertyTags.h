#pragma once
// The properties and flag values a PST carries, by their [MS-OXPROPS] names (PidTag...), the one
// home for them: the mapper, the writer and the table templates all spell tags through this
// header. A name gives the property id; MakeTag(id, type) adds the type the PST stores it as.
// The test verifier keeps its own spelling on purpose, as an independent check.

#include <cstdint>

#include "pst/ltp/Property.h"

namespace quill::pst {

// ---- message: envelope and content ([MS-OXOMSG], [MS-OXCMSG]) ----------------------------------
inline constexpr std::uint16_t kPidTagImportance = 0x0017;
inline constexpr std::uint16_t kPidTagMessageClass = 0x001A;
inline constexpr std::uint16_t kPidTagPriority = 0x0026;
inline constexpr std::uint16_t kPidTagSensitivity = 0x0036;
inline constexpr std::uint16_t kPidTagSubject = 0x0037;
inline constexpr std::uint16_t kPidTagClientSubmitTime = 0x0039;
inline constexpr std::uint16_t kPidTagSentRepresentingSearchKey = 0x003B;
inline constexpr std::uint16_t kPidTagSentRepresentingEntryId = 0x0041;
inline constexpr std::uint16_t kPidTagSentRepresentingName = 0x0042;
inline constexpr std::uint16_t kPidTagMessageToMe = 0x0057;
inline constexpr std::uint16_t kPidTagMessageCcMe = 0x0058;
inline constexpr std::uint16_t kPidTagSentRepresentingAddressType = 0x0064;
inline constexpr std::uint16_t kPidTagSentRepresentingEmailAddress = 0x0065;
inline constexpr std::uint16_t kPidTagConversationTopic = 0x0070;
inline constexpr std::uint16_t kPidTagConversationIndex = 0x0071;
inline constexpr std::uint16_t kPidTagTransportMessageHeaders = 0x007D;
inline constexpr std::uint16_t kPidTagSenderEntryId = 0x0C19;
inline constexpr std::uint16_t kPidTagSenderName = 0x0C1A;
inline constexpr std::uint16_t kPidTagSenderSearchKey = 0x0C1D;
inline constexpr std::uint16_t kPidTagSenderAddressType = 0x0C1E;
inline constexpr std::uint16_t kPidTagSenderEmailAddress = 0x0C1F;
inline constexpr std::uint16_t kPidTagDisplayBcc = 0x0E02;
inline constexpr std::uint16_t kPidTagDisplayCc = 0x0E03;
inline constexpr std::uint16_t kPidTagDisplayTo = 0x0E04;
inline constexpr std::uint16_t kPidTagParentDisplay = 0x0E05;
inline constexpr std::uint16_t kPidTagMessageDeliveryTime = 0x0E06;
inline constexpr std::uint16_t kPidTagMessageFlags = 0x0E07;
inline constexpr std::uint16_t kPidTagMessageSize = 0x0E08;
inline constexpr std::uint16_t kPidTagMessageStatus = 0x0E17;
inline constexpr std::uint16_t kPidTagHasAttachments = 0x0E1B;
inline constexpr std::uint16_t kPidTagNormalizedSubject = 0x0E1D;
inline constexpr std::uint16_t kPidTagExchangeRemoteHeader = 0x0E2A;
inline constexpr std::uint16_t kPidTagBody = 0x1000;
inline constexpr std::uint16_t kPidTagHtml = 0x1013;
inline constexpr std::uint16_t kPidTagInternetMessageId = 0x1035;
inline constexpr std::uint16_t kPidTagInternetReferences = 0x1039;
inline constexpr std::uint16_t kPidTagInReplyToId = 0x1042;
inline constexpr std::uint16_t kPidTagItemTemporaryFlags = 0x1097;
inline constexpr std::uint16_t kPidTagCreationTime = 0x3007;
inline constexpr std::uint16_t kPidTagLastModificationTime = 0x3008;
inline constexpr std::uint16_t kPidTagSearchKey = 0x300B;
inline constexpr std::uint16_t kPidTagChangeKey = 0x3013;
inline constexpr std::uint16_t kPidTagInternetCodepage = 0x3FDE;
inline constexpr std::uint16_t kPidTagMessageCodepage = 0x3FFD;
inline constexpr std::uint16_t kPidTagSenderSmtpAddress = 0x5D01;
inline constexpr std::uint16_t kPidTagSentRepresentingSmtpAddress = 0x5D02;
inline constexpr std::uint16_t kPidTagSecureSubmitFlags = 0x65C6;

// ---- any object -----------------------------------------------------------------------------
inline constexpr std::uint16_t kPidTagRecordKey = 0x0FF9;
inline constexpr std::uint16_t kPidTagObjectType = 0x0FFE;
inline constexpr std::uint16_t kPidTagEntryId = 0x0FFF;
inline constexpr std::uint16_t kPidTagDisplayName = 0x3001;
inline constexpr std::uint16_t kPidTagAddressType = 0x3002;
inline constexpr std::uint16_t kPidTagEmailAddress = 0x3003;

// ---- recipient rows -------------------------------------------------------------------------
inline constexpr std::uint16_t kPidTagRecipientType = 0x0C15;
inline constexpr std::uint16_t kPidTagResponsibility = 0x0E0F;
inline constexpr std::uint16_t kPidTagDisplayType = 0x3900;
inline constexpr std::uint16_t kPidTagSmtpAddress = 0x39FE;
inline constexpr std::uint16_t kPidTagAddressBookDisplayNamePrintable = 0x39FF;
inline constexpr std::uint16_t kPidTagSendRichInfo = 0x3A40;
inline constexpr std::uint16_t kPidTagRecipientOrder = 0x5FDF;
inline constexpr std::uint16_t kPidTagRecipientFlags = 0x5FFD;

// ---- attachments ([MS-OXCMSG] 2.2.2) --------------------------------------------------------
inline constexpr std::uint16_t kPidTagAttachSize = 0x0E20;
inline constexpr std::uint16_t kPidTagAttachNumber = 0x0E21;
inline constexpr std::uint16_t kPidTagAttachDataBinary = 0x3701;
inline constexpr std::uint16_t kPidTagAttachDataObject = 0x3701;  // the same id, type PtypObject
inline constexpr std::uint16_t kPidTagAttachExtension = 0x3703;
inline constexpr std::uint16_t kPidTagAttachFilename = 0x3704;
inline constexpr std::uint16_t kPidTagAttachMethod = 0x3705;
inline constexpr std::uint16_t kPidTagAttachLongFilename = 0x3707;
inline constexpr std::uint16_t kPidTagRenderingPosition = 0x370B;
inline constexpr std::uint16_t kPidTagAttachMimeTag = 0x370E;
inline constexpr std::uint16_t kPidTagAttachContentId = 0x3712;
inline constexpr std::uint16_t kPidTagAttachFlags = 0x3714;
inline constexpr std::uint16_t kPidTagAttachmentHidden = 0x7FFE;

// ---- folders and the store ([MS-PST] 2.4.3, 2.4.4) -------------------------------------------
inline constexpr std::uint16_t kPidTagValidFolderMask = 0x35DF;
inline constexpr std::uint16_t kPidTagIpmSubtreeEntryId = 0x35E0;
inline constexpr std::uint16_t kPidTagIpmWastebasketEntryId = 0x35E3;
inline constexpr std::uint16_t kPidTagFinderEntryId = 0x35E7;
inline constexpr std::uint16_t kPidTagContentCount = 0x3602;
inline constexpr std::uint16_t kPidTagContentUnreadCount = 0x3603;
inline constexpr std::uint16_t kPidTagSubfolders = 0x360A;
inline constexpr std::uint16_t kPidTagContainerClass = 0x3613;
inline constexpr std::uint16_t kPidTagPstLrNoRestrictions = 0x6633;
inline constexpr std::uint16_t kPidTagPstHiddenCount = 0x6635;
inline constexpr std::uint16_t kPidTagPstHiddenUnread = 0x6636;
inline constexpr std::uint16_t kPidTagPstPassword = 0x67FF;
// The one property of the spam search folder's criteria object; [MS-OXPROPS] gives it no name.
inline constexpr std::uint16_t kSearchCriteriaProperty = 0x660B;

// ---- table bookkeeping and replication columns of the templates ([MS-PST] 2.4.4) ----------------
inline constexpr std::uint16_t kPidTagReplItemid = 0x0E30;
inline constexpr std::uint16_t kPidTagReplChangenum = 0x0E33;
inline constexpr std::uint16_t kPidTagReplVersionHistory = 0x0E34;
inline constexpr std::uint16_t kPidTagReplFlags = 0x0E38;
inline constexpr std::uint16_t kPidTagReplCopiedfromVersionhistory = 0x0E3C;
inline constexpr std::uint16_t kPidTagReplCopiedfromItemid = 0x0E3D;
inline constexpr std::uint16_t kPidTagLtpParentNid = 0x67F1;
inline constexpr std::uint16_t kPidTagLtpRowId = 0x67F2;
inline constexpr std::uint16_t kPidTagLtpRowVer = 0x67F3;
inline constexpr std::uint16_t kPidTagOfflineAddressBookName = 0x6800;
inline constexpr std::uint16_t kPidTagSendOutlookRecallReport = 0x6803;
inline constexpr std::uint16_t kPidTagOfflineAddressBookTruncatedProperties = 0x6805;
// A binary column of the associated-contents template that the public property lists leave unnamed.
inline constexpr std::uint16_t kAssocContentsBinaryColumn = 0x682F;
inline constexpr std::uint16_t kPidTagViewDescriptorFlags = 0x7003;
inline constexpr std::uint16_t kPidTagViewDescriptorLinkTo = 0x7004;
inline constexpr std::uint16_t kPidTagViewDescriptorViewFolder = 0x7005;
inline constexpr std::uint16_t kPidTagViewDescriptorName = 0x7006;
inline constexpr std::uint16_t kPidTagViewDescriptorVersion = 0x7007;

// ---- the name-to-ID map ([MS-PST] 2.4.7) ----------------------------------------------------------
inline constexpr std::uint16_t kPidTagNameidBucketCount = 0x0001;
inline constexpr std::uint16_t kPidTagNameidStreamGuid = 0x0002;
inline constexpr std::uint16_t kPidTagNameidStreamEntry = 0x0003;
inline constexpr std::uint16_t kPidTagNameidStreamString = 0x0004;
inline constexpr std::uint16_t kPidTagNameidBucketBase = 0x1000;

// ---- values ---------------------------------------------------------------------------------------
// PidTagMessageFlags ([MS-OXCMSG] 2.2.1.6).
inline constexpr std::uint32_t kMfRead = 0x00000001;
inline constexpr std::uint32_t kMfHasAttach = 0x00000010;
// PidTagImportance and PidTagSensitivity.
inline constexpr std::uint32_t kImportanceLow = 0;
inline constexpr std::uint32_t kImportanceNormal = 1;
inline constexpr std::uint32_t kImportanceHigh = 2;
inline constexpr std::uint32_t kSensitivityNormal = 0;
inline constexpr std::uint32_t kSensitivityPersonal = 1;
inline constexpr std::uint32_t kSensitivityPrivate = 2;
inline constexpr std::uint32_t kSensitivityCompanyConfidential = 3;
// PidTagRecipientType ([MS-OXOMSG] 2.2.3.1).
inline constexpr std::uint32_t kMapiTo = 1;
inline constexpr std::uint32_t kMapiCc = 2;
inline constexpr std::uint32_t kMapiBcc = 3;
// PidTagObjectType, PidTagDisplayType, PidTagRecipientFlags.
inline constexpr std::uint32_t kMapiMailUser = 6;
inline constexpr std::uint32_t kDtMailUser = 0;
inline constexpr std::uint32_t kRecipSendable = 0x00000001;
// PidTagAttachMethod ([MS-OXCMSG] 2.2.2.9): the content is in PidTagAttachDataBinary, or the
// attachment is a message object in PidTagAttachDataObject.
inline constexpr std::uint32_t kAfByValue = 1;
inline constexpr std::uint32_t kAfEmbeddedMessage = 5;
// PidTagRenderingPosition when the attachment is not drawn inside the body.
inline constexpr std::uint32_t kNoRenderingPosition = 0xFFFFFFFF;
// PidTagValidFolderMask ([MS-PST] 2.4.3.1): which of the store's folder entry IDs are set.
inline constexpr std::uint32_t kFolderIpmSubtreeValid = 0x01;
inline constexpr std::uint32_t kFolderIpmWastebasketValid = 0x08;
inline constexpr std::uint32_t kFolderFinderValid = 0x80;

}  // namespace quill::pst
