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
    for (char& c : marker_) c = platform::ToLowerAscii(c);
}

void ContainerSplitter::Feed(std::string_view bytes) {
    if (bytes.empty()) return;
    std::size_t pos = 0;
    if (partial_) {
        // The line begun in the last piece ends in this one: complete it in
        // the accumulator, where it can be looked at whole.
        const void* nl = std::memchr(bytes.data(), '\n', bytes.size());
        if (!nl) {
            acc_.AddToString(bytes);
            return;
        }
        pos = static_cast<std::size_t>(static_cast<const char*>(nl) - bytes.data()) + 1;
        acc_.AddToString(bytes.substr(0, pos));
        partial_ = false;
        const std::size_t start = scanPos_;
        OnLine(start, lines::WithoutCr(std::string_view(acc_.Data() + start, acc_.Length() - 1 - start)));
    }
    // The piece's lines reach the accumulator in spans, cut short only where
    // a message starts: a start costs a copy of its header run, not of the
    // rest of the piece.
    piece_ = bytes;
    spanStart_ = pos;
    while (pos < bytes.size()) {
        const void* nl = std::memchr(bytes.data() + pos, '\n', bytes.size() - pos);
        if (!nl) break;
        const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(nl) - bytes.data());
        linePiecePos_ = pos;
        OnLine(acc_.Length() + (pos - spanStart_), lines::WithoutCr(bytes.substr(pos, end - pos)));
        pos = end + 1;
    }
    FlushPiece(bytes.size());
    piece_ = {};
    if (pos < bytes.size()) {
        partial_ = true;
        scanPos_ = acc_.Length() - (bytes.size() - pos);
    }
}

void ContainerSplitter::FlushPiece(std::size_t upTo) {
    if (upTo > spanStart_) acc_.AddToString(piece_.substr(spanStart_, upTo - spanStart_));
    spanStart_ = upTo;
}

void ContainerSplitter::Finish() {
    if (partial_) {
        partial_ = false;
        const std::size_t start = scanPos_;
        OnLine(start, lines::WithoutCr(std::string_view(acc_.Data() + start, acc_.Length() - start)));
    }
    if (acc_.Length() == 0 && number_ == 0) return;
    if (number_ == 0) number_ = 1;  // no start anywhere: the whole container is one message
    Deliver(acc_.TakeAll());
}

bool ContainerSplitter::IsStartLine(std::string_view line) const noexcept {
    if (advance_) return lines::StartsWithNoCase(line, kAdvanceMarker);
    return (!marker_.empty() && lines::StartsWithNoCase(line, marker_)) || lines::StartsWithNoCase(line, kReturnPath);
}

void ContainerSplitter::OnLine(std::size_t start, std::string_view line) {
    const bool first = firstLine_;
    firstLine_ = false;

    if (line.empty()) {
        protectNext_ = runStart_ != kNone && runDeclaresMessage_;
        runStart_ = kNone;
        runHasStart_ = runProtected_ = runDeclaresMessage_ = inContentType_ = false;
        paraStart_ = kNone;
        paraHasStart_ = false;
        return;
    }
    if (paraStart_ == kNone) paraStart_ = start;

    if (lines::IsContinuation(line) && runStart_ != kNone) {
        if (inContentType_ && DeclaresAttachedMessage(line)) runDeclaresMessage_ = true;
        return;
    }
    const bool boundary = lines::IsOpeningBoundary(line);
    if (boundary || !lines::IsHeaderField(line)) {
        protectNext_ = boundary;
        runStart_ = kNone;
        runHasStart_ = runProtected_ = runDeclaresMessage_ = inContentType_ = false;
        return;
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
        return;
    }
    if (runProtected_ || !IsStartLine(line)) return;
    if (advance_ ? paraHasStart_ : runHasStart_) return;

    // Everything before this line must be in the accumulator to be cut.
    if (!piece_.empty()) FlushPiece(linePiecePos_);
    const std::size_t cut = advance_ ? AdvanceCut(start) : runStart_;
    StartMessage(cut);
    runStart_ = runStart_ > cut ? runStart_ - cut : 0;
    paraStart_ = paraStart_ > cut ? paraStart_ - cut : 0;
    runHasStart_ = paraHasStart_ = true;
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
