#pragma once
// Cuts a container's bytes into messages. Fed in pieces of any size, it
// delivers each message, in container order, as soon as the next one begins.
//
// Normal mode reads each message's own structure (its MIME boundaries, part
// headers and attached messages) and lets a new message begin only where the
// current one is complete, at a header block that looks like a message's top
// header; the rules are stated one by one in ContainerSplitter.cpp. The
// start marker still counts: after a complete text body, a terminated block
// holding a line that begins with the marker or with "Return-Path:" starts a
// message even with a single top-level field.
//
// Advance mode cuts at every line that begins with "subject: " (once per
// paragraph); the header run directly above it goes with the new message
// (HeadPartStart). A header run directly after an opening MIME boundary
// line, or one that begins the body of a message/rfc822 or
// text/rfc822-headers part, belongs to the current message.
//
// In both modes the bytes before the first message are a damaged fragment,
// skipped and counted; a container without any start is one message. The
// delivered messages, after the skipped bytes, are the container exactly.
// Memory: the current message, and one header block's line records.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/AppendStrings.h"
#include "store/MessageLines.h"

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
    // A header block is looked at up to this many lines or bytes; a longer
    // one counts as not terminated.
    static constexpr std::size_t kMaxBlockLines = 20000;
    static constexpr std::size_t kMaxBlockBytes = 1 << 20;

    // marker: lower case, as ReadIMMFile gives it; may be empty.
    ContainerSplitter(std::string marker, bool advance, MessageSink sink);

    void Feed(std::string_view bytes);
    // The container ended: delivers the last message.
    void Finish();
    const SplitStats& Stats() const noexcept { return stats_; }
    // Bytes held for the message being gathered.
    std::size_t PendingBytes() const noexcept { return acc_.Length(); }

  private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // ---- shared by both modes: the bytes of the current message
    void OnLine(std::size_t start, std::size_t next, std::string_view line, bool colon);
    void FlushPiece(std::size_t upTo);
    void StartMessage(std::size_t cut);
    void Deliver(std::string text);
    std::string_view Held(std::size_t pos, std::size_t len) const noexcept {
        return std::string_view(acc_.Data() + pos, len);
    }

    // ---- advance mode
    void AdvanceLine(std::size_t start, std::string_view line);
    std::size_t AdvanceCut(std::size_t lineStart) const;

    // ---- normal mode: the message's structure
    enum class Mode : std::uint8_t { Prefix, Header, Body };
    enum class HeaderKind : std::uint8_t { Top, Part, Embedded };
    enum class LineKind : std::uint8_t { Field, Fold, WhiteFold, Blank, Damaged, Other };
    struct RunLine {
        std::size_t pos;
        std::int16_t code;  // structure::NameCodeOf, or kFold for a folded line
        bool field;
    };
    struct Boundary {
        std::string text;  // without the leading "--"; empty while unknown
        bool known = false;
        bool digest = false;
    };
    struct Pending {  // a line that waits to be read again
        std::size_t pos, next, len;
    };

    bool NeedsReading(std::string_view line, bool colon) const noexcept;
    void NormalLine(std::size_t pos, std::size_t next);
    void Dispatch(std::size_t pos, std::size_t next, std::string_view line);
    LineKind Classify(std::string_view line) const noexcept;
    bool IsOpenDelimiter(std::string_view line) const noexcept;

    void BeginHeader(HeaderKind kind, std::size_t at);
    void BeginBlock(std::size_t pos);
    void RunLineIn(std::size_t pos, std::size_t next, std::string_view line, LineKind kind);
    void AddToRun(std::size_t pos, std::size_t next, std::string_view line, LineKind kind);
    void EndRun(bool terminated, bool endsOnWhitespace);
    void FinishHeader(bool terminated, bool endsOnWhitespace);
    bool JudgeBlock(bool terminated);
    void EnterBody(const structure::ContentType& type, const std::string& encoding, bool noContentType,
                   std::size_t bodyAt);
    void BodyLine(std::size_t pos, std::size_t next, std::string_view line);
    bool Delimiter(std::size_t next, std::string_view line);
    bool HasIntroduction() const noexcept;
    void UpdateBodyFacts(std::size_t upTo);
    void CutAt(std::size_t cut);
    void ResetMessageState();
    void Replay();
    // Lines directly above pos (a line start), nearest first.
    std::string_view LineAbove(std::size_t pos, std::size_t* above) const noexcept;

    std::string marker_;
    int markerCode_ = structure::kOtherName;  // the marker's field name
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

    // Advance mode: the header run and the paragraph (lines since a blank one).
    std::size_t runStart_ = kNone;
    bool runHasStart_ = false;
    bool runProtected_ = false;
    bool runDeclaresMessage_ = false;  // a Content-Type of an attached message
    bool inContentType_ = false;
    std::size_t paraStart_ = kNone;
    bool paraHasStart_ = false;
    bool protectNext_ = false;

    // Normal mode: the state of the message being read.
    Mode mode_ = Mode::Prefix;
    HeaderKind headerKind_ = HeaderKind::Top;
    bool partOfDigest_ = false;  // the part header being read is a digest's
    std::vector<Boundary> stack_;
    std::string bodyType_ = "text/plain";
    std::string encoding_;
    bool complete_ = false, closed_ = false, topMultipart_ = false, anyDelimiter_ = false;
    bool base64Clean_ = true, partHasText_ = false;
    std::size_t bodyStart_ = 0;   // where the body being read began
    std::size_t checkedTo_ = 0;   // the body is looked at lazily up to here
    // The run being read: an entity header, or a block judged in a body.
    bool inRun_ = false;
    bool runCapped_ = false;
    std::size_t blockStart_ = 0;
    std::vector<RunLine> run_;
    std::size_t runBytesEnd_ = 0;
    structure::NameSet runNames_;
    bool runSent_ = false, runMarker_ = false;
    int currentField_ = structure::kOtherName;  // the field the folded lines continue
    std::size_t ctPos_ = kNone, ctEnd_ = 0, ctIndex_ = 0;
    std::size_t ctePos_ = kNone, cteEnd_ = 0, cteIndex_ = 0;
    LineKind tentativeKind_ = LineKind::Other;
    std::vector<Pending> tentative_;  // folded-looking lines not yet confirmed
    std::vector<Pending> replay_;     // lines to be read again after a run ended...
    std::size_t replayAt_ = 0;        // ...from here on
    std::vector<std::uint8_t> suffix_, singleSuffix_;
};

}  // namespace quill
