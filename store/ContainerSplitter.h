#pragma once
// Cuts a container's bytes into messages. Fed in pieces of any size, it
// delivers each message, in container order, as soon as the next one begins.
//
// Where a message begins:
//  - normal mode: a line that begins with the start marker, or with
//    "return-path:", starts a message. The message begins at the first line
//    of the header block holding that line: the header-field lines and
//    folded lines directly above it, up to the previous blank or non-header
//    line. One header block holds at most one start.
//  - advance mode: a line that begins with "subject: " starts a message; the
//    text above it back to the nearest blank line is divided between the two
//    messages by HeadPartStart.
//  - in both modes, a header block directly after an opening MIME boundary
//    line, or one that begins the body of a message/rfc822 or
//    text/rfc822-headers part, belongs to the current message.
//  - a container whose first line is a header-field line holds a message from
//    its first byte; otherwise the bytes before the first start are a damaged
//    fragment, skipped and counted. A container without any start is one
//    message.
// The delivered messages, after the skipped bytes, are the container exactly.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "store/AppendStrings.h"

namespace quill {

struct SplitMessage {
    int number = 0;            // from 1 in every container
    std::uint64_t offset = 0;  // of its first byte in the container
    std::string text;          // its bytes, unchanged; the sink may move it
};

using MessageSink = std::function<void(SplitMessage&)>;

struct SplitStats {
    std::uint64_t messages = 0;
    std::uint64_t bytesDelivered = 0;
    std::uint64_t bytesSkipped = 0;  // before the first start
};

class ContainerSplitter {
  public:
    static constexpr std::string_view kAdvanceMarker = "subject: ";
    static constexpr std::string_view kReturnPath = "return-path:";

    // marker: lower case, as ReadIMMFile gives it; may be empty.
    ContainerSplitter(std::string marker, bool advance, MessageSink sink);

    void Feed(std::string_view bytes);
    // The container ended: delivers the last message.
    void Finish();
    const SplitStats& Stats() const noexcept { return stats_; }

  private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // start: where the line begins in the current message's text.
    void OnLine(std::size_t start, std::string_view line);
    void FlushPiece(std::size_t upTo);
    bool IsStartLine(std::string_view line) const noexcept;
    std::size_t AdvanceCut(std::size_t lineStart) const;
    void StartMessage(std::size_t cut);
    void Deliver(std::string text);

    std::string marker_;
    bool advance_;
    MessageSink sink_;
    SplitStats stats_;

    AppendStrings acc_;             // the current message (or the skipped prefix)
    std::uint64_t accOffset_ = 0;   // container offset of acc_'s first byte
    bool partial_ = false;          // acc_ ends in a line not yet looked at...
    std::size_t scanPos_ = 0;       // ...which begins here
    std::string_view piece_;        // the piece being fed
    std::size_t spanStart_ = 0;     // its first byte not yet in acc_
    std::size_t linePiecePos_ = 0;  // where the line being looked at begins in it
    int number_ = 0;
    bool firstLine_ = true;

    // The header run: consecutive header-field and folded lines.
    std::size_t runStart_ = kNone;
    bool runHasStart_ = false;
    bool runProtected_ = false;
    bool runDeclaresMessage_ = false;  // a Content-Type of an attached message
    bool inContentType_ = false;
    // The paragraph: lines since the last blank line.
    std::size_t paraStart_ = kNone;
    bool paraHasStart_ = false;
    // The next header run belongs to the current message's MIME structure.
    bool protectNext_ = false;
};

}  // namespace quill
