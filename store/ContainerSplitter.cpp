#include "store/ContainerSplitter.h"

#include <cstring>

#include "store/HeaderRepair.h"
#include "store/LineScan.h"

namespace quill {
namespace {

bool DeclaresAttachedMessage(std::string_view text) {
    return lines::ContainsNoCase(text, "message/rfc822") || lines::ContainsNoCase(text, "text/rfc822-headers");
}

}  // namespace

ContainerSplitter::ContainerSplitter(std::string marker, bool advance, MessageSink sink)
    : marker_(std::move(marker)), advance_(advance), sink_(std::move(sink)) {
    for (char& c : marker_) c = lines::Lower(c);
}

void ContainerSplitter::Feed(std::string_view bytes) {
    if (bytes.empty()) return;
    acc_.AddToString(bytes);
    Scan(false);
}

void ContainerSplitter::Finish() {
    Scan(true);
    if (acc_.Length() == 0 && number_ == 0) return;
    if (number_ == 0) number_ = 1;  // no start anywhere: the whole container is one message
    Deliver(acc_.TakeAll());
}

void ContainerSplitter::Scan(bool atEnd) {
    for (;;) {
        const std::size_t length = acc_.Length();
        if (scanPos_ >= length) break;
        const char* data = acc_.Data();
        const void* nl = std::memchr(data + searchPos_, '\n', length - searchPos_);
        std::size_t end;
        std::size_t next;
        if (nl) {
            end = static_cast<std::size_t>(static_cast<const char*>(nl) - data);
            next = end + 1;
        } else if (atEnd) {
            end = length;
            next = length;
        } else {
            searchPos_ = length;  // the line goes on in the next piece
            return;
        }
        std::string_view line = lines::WithoutCr(std::string_view(data + scanPos_, end - scanPos_));
        std::size_t shift = OnLine(scanPos_, line);
        scanPos_ = searchPos_ = next - shift;
    }
    searchPos_ = scanPos_;
}

bool ContainerSplitter::IsStartLine(std::string_view line) const noexcept {
    if (advance_) return lines::StartsWithNoCase(line, kAdvanceMarker);
    return (!marker_.empty() && lines::StartsWithNoCase(line, marker_)) ||
           lines::StartsWithNoCase(line, kReturnPath);
}

std::size_t ContainerSplitter::OnLine(std::size_t start, std::string_view line) {
    const bool first = firstLine_;
    firstLine_ = false;

    if (line.empty()) {
        protectNext_ = runStart_ != kNone && runDeclaresMessage_;
        runStart_ = kNone;
        runHasStart_ = runProtected_ = runDeclaresMessage_ = inContentType_ = false;
        paraStart_ = kNone;
        paraHasStart_ = false;
        return 0;
    }
    if (paraStart_ == kNone) paraStart_ = start;

    if (lines::IsContinuation(line) && runStart_ != kNone) {
        if (inContentType_ && DeclaresAttachedMessage(line)) runDeclaresMessage_ = true;
        return 0;
    }
    if (lines::IsOpeningBoundary(line) || !lines::IsHeaderField(line)) {
        protectNext_ = lines::IsOpeningBoundary(line);
        runStart_ = kNone;
        runHasStart_ = runProtected_ = runDeclaresMessage_ = inContentType_ = false;
        return 0;
    }

    // A header-field line.
    if (runStart_ == kNone) {
        runStart_ = start;
        runProtected_ = protectNext_;
        runHasStart_ = runDeclaresMessage_ = false;
    }
    protectNext_ = false;
    inContentType_ = lines::StartsWithNoCase(line, "content-type:");
    if (inContentType_ && DeclaresAttachedMessage(line)) runDeclaresMessage_ = true;

    if (first) {
        // The container opens with a header: a message begins at its first byte.
        number_ = 1;
        runHasStart_ = paraHasStart_ = true;
        return 0;
    }
    if (runProtected_ || !IsStartLine(line)) return 0;
    if (advance_ ? paraHasStart_ : runHasStart_) return 0;

    std::size_t cut = advance_ ? AdvanceCut(start) : runStart_;
    StartMessage(cut);
    runStart_ = runStart_ > cut ? runStart_ - cut : 0;
    paraStart_ = paraStart_ > cut ? paraStart_ - cut : 0;
    runHasStart_ = paraHasStart_ = true;
    return cut;
}

std::size_t ContainerSplitter::AdvanceCut(std::size_t lineStart) const {
    std::string_view cutText(acc_.Data() + paraStart_, lineStart - paraStart_);
    std::size_t head = HeadPartStart(cutText);
    // Blanks before the head part, and a head part that is only a line end,
    // stay with the previous message.
    while (head < cutText.size() && cutText[head] == ' ') ++head;
    std::string_view rest = cutText.substr(head);
    std::size_t trail = rest.size();
    while (trail > 0 && rest[trail - 1] == ' ') --trail;
    std::string_view trimmed = rest.substr(0, trail);
    if (trimmed == "\r\n" || trimmed == "\n" || trimmed == "\r") head = cutText.size();
    return paraStart_ + head;
}

void ContainerSplitter::StartMessage(std::size_t cut) {
    if (number_ > 0) {
        Deliver(acc_.TakeFront(cut));
    } else {
        stats_.bytesSkipped += cut;
        acc_.TakeFront(cut);
    }
    accOffset_ += cut;
    ++number_;
}

void ContainerSplitter::Deliver(std::string text) {
    SplitMessage message{number_, accOffset_, std::move(text)};
    stats_.messages += 1;
    stats_.bytesDelivered += message.text.size();
    if (sink_) sink_(message);
}

}  // namespace quill
