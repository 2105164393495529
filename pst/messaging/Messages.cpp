#include "pst/messaging/Messages.h"

#include "pst/PstError.h"
#include "pst/disk/Bytes.h"

#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/messaging/Folders.h"
#include "pst/messaging/NodeWriting.h"
#include "pst/messaging/PropertyTags.h"
#include "pst/messaging/Templates.h"

#include <algorithm>

namespace quill::pst::messaging {

using ndb::Bid;
using ndb::MakeNid;
using ndb::Nid;
using ndb::NidType;

namespace {

constexpr std::uint32_t kFirstAttachmentIndex = 0x8000;
// The embedded message's node among its attachment's subnodes.
constexpr Nid kEmbeddedMessageNid = MakeNid(NidType::NormalMessage, 1);
// Attached mails inside attached mails: far deeper than any real mail nests them.
constexpr int kMaxEmbeddingDepth = 64;

// A message object written as data and subnodes, not yet registered anywhere: the NBT takes a
// top-level message, an attachment's subnode tree an embedded one.
struct BuiltMessage {
    Bid bidData = 0;
    Bid bidSub = 0;
    std::uint64_t bytes = 0;  // its data and all its subnodes' data: PidTagMessageSize
    PropertyList props;
    std::uint32_t flags = 0;
};

BuiltMessage BuildMessage(ndb::NodeDatabase& db, const NewMessage& message, std::uint64_t defaultTime,
                          const KeySource& newKey, int depth);

void WriteAttachment(ndb::NodeDatabase& db, NodeSubnodes& messageSub, Nid nid, const NewAttachment& a,
                     std::size_t index, ltp::TableContextBuilder& table, std::uint64_t defaultTime,
                     const KeySource& newKey, int depth) {
    PropertyList props = a.props;
    props.Remove(kPidTagAttachDataBinary);
    NodeSubnodes sub(db);
    // Content that fits one heap allocation stays in the context; anything larger, and any
    // stream, goes straight to disk as its own data tree so it never waits in memory.
    std::vector<ltp::StoredValue> stored;
    std::uint64_t dataSize = 0;
    const std::uint32_t dataTag = MakeTag(kPidTagAttachDataBinary, PropType::Binary);
    if (a.embedded) {
        // [MS-PST] 2.3.3.5: a PtypObject value names the subnode holding the object, and its size.
        const BuiltMessage inner = BuildMessage(db, *a.embedded, defaultTime, newKey, depth + 1);
        sub.Add(kEmbeddedMessageNid, inner.bidData, inner.bidSub, inner.bytes);
        dataSize = inner.bytes;
        std::vector<std::uint8_t> object(8, 0);
        disk::PutU32(object, 0, kEmbeddedMessageNid);
        disk::PutU32(object, 4, static_cast<std::uint32_t>(std::min<std::uint64_t>(inner.bytes, 0xFFFFFFFF)));
        props.SetRaw(MakeTag(kPidTagAttachDataObject, PropType::Object), std::move(object));
        props.SetInt32(kPidTagAttachMethod, kAfEmbeddedMessage);
    } else if (!a.source && a.data.size() <= ltp::kMaxAllocation) {
        props.SetRaw(dataTag, std::vector<std::uint8_t>(a.data.begin(), a.data.end()));
    } else {
        ndb::DataTreeWriter tree(db);
        if (a.source) {
            std::vector<std::uint8_t> piece(1 << 16);
            while (const std::size_t n = a.source(piece)) tree.Append(std::span<const std::uint8_t>(piece).first(n));
        } else {
            tree.Append({reinterpret_cast<const std::uint8_t*>(a.data.data()), a.data.size()});
        }
        dataSize = tree.Size();
        const Nid streamNid = sub.AddStream(tree.Finish(), dataSize);
        stored.push_back({dataTag, streamNid});
    }
    if (!props.Has(kPidTagAttachMethod)) props.SetInt32(kPidTagAttachMethod, kAfByValue);
    if (!props.Has(kPidTagRenderingPosition)) props.SetInt32(kPidTagRenderingPosition, kNoRenderingPosition);
    if (!props.Has(kPidTagAttachNumber)) props.SetInt32(kPidTagAttachNumber, static_cast<std::uint32_t>(index));
    if (!props.Has(kPidTagAttachFlags)) props.SetInt32(kPidTagAttachFlags, 0);
    // PidTagAttachSize counts every value of the attachment object, itself included.
    props.SetInt32(kPidTagAttachSize, 0);
    std::uint64_t size = dataSize;
    for (const Property& p : props.Items()) size += p.value.size();
    props.SetInt32(kPidTagAttachSize, static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFF)));

    const auto blocks = ltp::BuildPropertyContext(props, sub, stored);
    const Bid bidData = db.WriteBlockList(blocks);
    messageSub.Add(nid, bidData, sub.WriteTree(), DataSize(blocks) + sub.Bytes());
    table.AddRow(nid, props);
}

// A table written as a subnode of the message, under the template's NID.
void AddTableSubnode(ndb::NodeDatabase& db, NodeSubnodes& messageSub, Nid nid, ltp::TableContextBuilder& table) {
    NodeSubnodes tableSub(db);
    const auto blocks = table.Finish(tableSub);
    const Bid bid = db.WriteBlockList(blocks);
    messageSub.Add(nid, bid, tableSub.WriteTree(), DataSize(blocks) + tableSub.Bytes());
}

BuiltMessage BuildMessage(ndb::NodeDatabase& db, const NewMessage& message, std::uint64_t defaultTime,
                          const KeySource& newKey, int depth) {
    if (depth > kMaxEmbeddingDepth)
        throw LayerError<std::length_error>("attached messages nested too deep",
                                            {.expected = "at most " + std::to_string(kMaxEmbeddingDepth) + " levels"});
    PropertyList props = message.props;
    if (!props.Has(kPidTagMessageClass)) props.SetString(kPidTagMessageClass, "IPM.Note");
    if (!props.Has(kPidTagMessageFlags)) props.SetInt32(kPidTagMessageFlags, kMfRead);
    std::uint32_t flags = props.GetInt32(kPidTagMessageFlags);
    if (!message.attachments.empty()) flags |= kMfHasAttach;
    props.SetInt32(kPidTagMessageFlags, flags);
    props.SetBool(kPidTagHasAttachments, !message.attachments.empty());
    if (!props.Has(kPidTagMessageStatus)) props.SetInt32(kPidTagMessageStatus, 0);
    if (!props.Has(kPidTagImportance)) props.SetInt32(kPidTagImportance, kImportanceNormal);
    if (!props.Has(kPidTagSensitivity)) props.SetInt32(kPidTagSensitivity, kSensitivityNormal);
    if (!props.Has(kPidTagCreationTime)) props.SetTime(kPidTagCreationTime, defaultTime);
    if (!props.Has(kPidTagLastModificationTime)) props.SetTime(kPidTagLastModificationTime, defaultTime);
    if (!props.Has(kPidTagMessageDeliveryTime)) props.SetTime(kPidTagMessageDeliveryTime, defaultTime);
    if (!props.Has(kPidTagSearchKey)) props.SetBinary(kPidTagSearchKey, newKey());
    if (!props.Has(kPidTagRecordKey)) props.SetBinary(kPidTagRecordKey, newKey());

    NodeSubnodes sub(db);

    ltp::TableContextBuilder recipients(MessageRecipientColumns());
    for (std::size_t i = 0; i < message.recipients.size(); ++i) {
        PropertyList r = message.recipients[i];
        if (!r.Has(kPidTagRecipientType)) r.SetInt32(kPidTagRecipientType, kMapiTo);
        if (!r.Has(kPidTagAddressType)) r.SetString(kPidTagAddressType, "SMTP");
        if (!r.Has(kPidTagObjectType)) r.SetInt32(kPidTagObjectType, kMapiMailUser);
        if (!r.Has(kPidTagDisplayType)) r.SetInt32(kPidTagDisplayType, kDtMailUser);
        if (!r.Has(kPidTagResponsibility)) r.SetBool(kPidTagResponsibility, false);
        if (!r.Has(kPidTagSendRichInfo)) r.SetBool(kPidTagSendRichInfo, false);
        if (!r.Has(kPidTagRecipientFlags)) r.SetInt32(kPidTagRecipientFlags, kRecipSendable);
        r.SetInt32(kPidTagRecipientOrder, static_cast<std::uint32_t>(i));
        recipients.AddRow(static_cast<std::uint32_t>(i), r);
    }
    AddTableSubnode(db, sub, kNidRecipientTemplate, recipients);

    if (!message.attachments.empty()) {
        ltp::TableContextBuilder attachments(AttachmentColumns());
        for (std::size_t i = 0; i < message.attachments.size(); ++i)
            WriteAttachment(db, sub,
                            MakeNid(NidType::Attachment, static_cast<std::uint32_t>(kFirstAttachmentIndex + i)),
                            message.attachments[i], i, attachments, defaultTime, newKey, depth);
        AddTableSubnode(db, sub, kNidAttachmentTemplate, attachments);
    }

    // PidTagMessageSize: the message object's data and all its subnodes'; the context's size is
    // learned first with a sink that writes nothing (the size value itself is inline).
    props.SetInt32(kPidTagMessageSize, 0);
    CountingSink counting;
    const std::uint64_t pcSize = DataSize(ltp::BuildPropertyContext(props, counting));
    const std::uint64_t total = pcSize + counting.total + sub.Bytes();
    props.SetInt32(kPidTagMessageSize, static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0x7FFFFFFF)));
    const auto blocks = ltp::BuildPropertyContext(props, sub);
    BuiltMessage built;
    built.bidData = db.WriteBlockList(blocks);
    built.bidSub = sub.WriteTree();
    built.bytes = DataSize(blocks) + sub.Bytes();
    built.props = std::move(props);
    built.flags = flags;
    return built;
}

}  // namespace

WrittenMessage WriteMessage(ndb::NodeDatabase& db, Nid nid, Nid folder, const NewMessage& message,
                            std::uint64_t defaultTime, const KeySource& newKey) {
    BuiltMessage built = BuildMessage(db, message, defaultTime, newKey, 0);
    db.AddNode(nid, built.bidData, built.bidSub, folder);
    return {std::move(built.props), built.flags};
}

}  // namespace quill::pst::messaging
