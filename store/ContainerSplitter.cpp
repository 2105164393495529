#include "store/ContainerSplitter.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "store/HeaderRepair.h"
#include "store/LineScan.h"

namespace quill {
namespace {

using namespace structure;

constexpr std::int16_t kFold = -2;

bool DeclaresAttachedMessage(std::string_view text) {
    return lines::ContainsNoCase(text, "message/rfc822") || lines::ContainsNoCase(text, "text/rfc822-headers");
}

// Bodies that are themselves header blocks: a block in them is no message.
bool IsHeaderBodyType(std::string_view type) {
    return type == "text/rfc822-headers" || type == "message/rfc822-headers" || type == "message/delivery-status" ||
           type == "message/global-headers" || type == "message/global-delivery-status" ||
           type == "message/disposition-notification";
}

bool IsAttachedMessageType(std::string_view type) {
    return type == "message/rfc822" || type == "message/global" || type == "message/news";
}

bool IsTraceLead(int code) { return code >= 0 && code < kTraceLeadNames; }
bool IsTrace(int code) { return code >= 0 && code < kTraceNames; }

std::string_view TrimTrailingBlanks(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

// The value of a field whose text (name, colon, folds) is given.
std::string_view ValueOf(std::string_view field) {
    const std::size_t colon = field.find(':');
    return colon == std::string_view::npos ? std::string_view() : field.substr(colon + 1);
}

// The LF that ends the line at p, or end; colon tells whether a ':' stands
// before it (a line without one cannot be a field line).
const char* LineEnd(const char* p, const char* end, bool& colon) noexcept {
    bool seen = false;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n'), co = _mm_set1_epi8(':');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned n = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
        const unsigned c = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, co)));
        if (n) {
            const unsigned at = static_cast<unsigned>(__builtin_ctz(n));
            colon = seen || (c & ((1u << at) - 1)) != 0;
            return p + at;
        }
        seen = seen || c != 0;
        p += 16;
    }
#endif
    for (; p < end && *p != '\n'; ++p) seen = seen || *p == ':';
    colon = seen;
    return p;
}

// In a body, where the next line begins that the structure must read: one
// that begins with "--" (when dashes) or a field line. Lines between change
// nothing and are looked at lazily. Returns the start of the last line when
// none is found (it may lack its LF), or end.
std::size_t NextLineToRead(const char* d, std::size_t pos, std::size_t end, bool dashes) noexcept {
    std::size_t lineStart = pos;
    // The colon at c is a field line's when the text from its line start is a field name.
    auto fieldAt = [&](std::size_t start) { return IsFieldLine(std::string_view(d + start, end - start)); };
    std::size_t i = pos;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n'), co = _mm_set1_epi8(':'), da = _mm_set1_epi8('-');
    unsigned carry = 1;  // pos begins a line
    while (end - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const unsigned nl = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
        const unsigned colons = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, co)));
        const unsigned starts = ((nl << 1) | carry) & 0xffffu;
        const unsigned dash = dashes ? static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, da))) & starts : 0u;
        unsigned events = colons | dash;
        while (events) {
            const unsigned b = static_cast<unsigned>(__builtin_ctz(events));
            events &= events - 1;
            const unsigned before = nl & ((1u << b) - 1);
            const std::size_t start = before ? i + 32 - static_cast<unsigned>(__builtin_clz(before)) : lineStart;
            if (dash >> b & 1) {
                if (i + b + 1 >= end || d[i + b + 1] == '-') return i + b;
            } else if (fieldAt(start)) {
                return start;
            }
        }
        if (nl) lineStart = i + 32 - static_cast<unsigned>(__builtin_clz(nl));
        carry = nl >> 15 & 1u;
        i += 16;
    }
#endif
    for (; i < end; ++i) {
        const char c = d[i];
        if (c == '\n') {
            lineStart = i + 1;
        } else if (c == ':') {
            if (fieldAt(lineStart)) return lineStart;
        } else if (c == '-' && dashes && i == lineStart) {
            if (i + 1 >= end || d[i + 1] == '-') return i;
        }
    }
    return lineStart;
}

}  // namespace

ContainerSplitter::ContainerSplitter(std::string marker, bool advance, MessageSink sink)
    : marker_(std::move(marker)), advance_(advance), sink_(std::move(sink)) {
    for (char& c : marker_) c = platform::ToLowerAscii(c);
    if (!marker_.empty() && marker_.back() == ':') markerCode_ = NameCodeOf(std::string_view(marker_).substr(0, marker_.size() - 1));
}

// ---------------------------------------------------------------------------
// Bytes and lines, both modes

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
        const std::string_view line(acc_.Data() + start, acc_.Length() - 1 - start);
        OnLine(start, acc_.Length(), lines::WithoutCr(line), line.find(':') != std::string_view::npos);
    }
    // The piece's lines reach the accumulator in spans, cut short only where
    // a line must be read in place: a start costs a copy of its header
    // block, not of the rest of the piece.
    piece_ = bytes;
    spanStart_ = pos;
    const char* const data = bytes.data();
    const char* const last = data + bytes.size();
    while (pos < bytes.size()) {
        if (!advance_ && !inRun_ && mode_ != Mode::Header) {
            // A body: leap to the next line that can change anything.
            pos = NextLineToRead(data, pos, bytes.size(), !stack_.empty());
            if (pos >= bytes.size()) break;
        }
        bool colon = false;
        const char* nl = LineEnd(data + pos, last, colon);
        if (nl == last) break;
        const std::size_t end = static_cast<std::size_t>(nl - data);
        linePiecePos_ = pos;
        const std::size_t start = acc_.Length() + (pos - spanStart_);
        OnLine(start, start + (end + 1 - pos), lines::WithoutCr(bytes.substr(pos, end - pos)), colon);
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
        const std::string_view line(acc_.Data() + start, acc_.Length() - start);
        OnLine(start, acc_.Length(), lines::WithoutCr(line), line.find(':') != std::string_view::npos);
    }
    if (!advance_) {
        // The container ends the run being read; lines still waiting are read again.
        while (inRun_) {
            const bool whiteFolds = !tentative_.empty() && tentativeKind_ == LineKind::WhiteFold;
            const bool terminated = tentative_.empty() || whiteFolds;
            replay_.insert(replay_.begin() + static_cast<std::ptrdiff_t>(replayAt_), tentative_.begin(),
                           tentative_.end());
            const bool ending = !tentative_.empty();
            tentative_.clear();
            EndRun(terminated, ending && whiteFolds);
            Replay();
        }
    }
    if (acc_.Length() == 0 && number_ == 0) return;
    if (number_ == 0) number_ = 1;  // no start anywhere: the whole container is one message
    Deliver(acc_.TakeAll());
}

void ContainerSplitter::OnLine(std::size_t start, std::size_t next, std::string_view line, bool colon) {
    if (advance_) {
        AdvanceLine(start, line);
        return;
    }
    if (!NeedsReading(line, colon)) return;
    // A line read for the structure lies in the accumulator, with all before it.
    if (!piece_.empty() && next > acc_.Length()) FlushPiece(linePiecePos_ + (next - start));
    Dispatch(start, next, Held(start, line.size()));
    Replay();
}

void ContainerSplitter::StartMessage(std::size_t cut) {
    if (cut == 0 && number_ == 0) {
        number_ = 1;  // the container opens with a message: nothing to skip or copy
        return;
    }
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

// ---------------------------------------------------------------------------
// Advance mode: cuts at Subject lines

void ContainerSplitter::AdvanceLine(std::size_t start, std::string_view line) {
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
    if (runProtected_ || !lines::StartsWithNoCase(line, kAdvanceMarker)) return;
    if (paraHasStart_) return;

    // Everything before this line must be in the accumulator to be cut.
    if (!piece_.empty()) FlushPiece(linePiecePos_);
    const std::size_t cut = AdvanceCut(start);
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

// ---------------------------------------------------------------------------
// Normal mode: the cut by message structure
//
// The reader is always inside one message (or in the damaged prefix before
// the first) and knows its open multipart boundaries, whether it reads an
// entity header or a body, and the body's type and encoding. A header block
// ("run") of field and folded lines is read whole before anything is decided
// about it; the only look-ahead is that block.

bool ContainerSplitter::NeedsReading(std::string_view line, bool colon) const noexcept {
    if (inRun_ || mode_ == Mode::Header) return true;
    // In a body only a delimiter or a field line can change anything; the
    // rest is looked at lazily when a block is judged.
    if (!stack_.empty() && line.size() >= 2 && line[0] == '-' && line[1] == '-') return true;
    return colon && IsFieldLine(line);
}

void ContainerSplitter::Dispatch(std::size_t pos, std::size_t next, std::string_view line) {
    if (inRun_) {
        RunLineIn(pos, next, line, Classify(line));
        return;
    }
    if (mode_ == Mode::Body) {
        BodyLine(pos, next, line);
        return;
    }
    // The damaged prefix before the first message.
    if (!IsFieldLine(line)) return;
    if (pos == 0 && accOffset_ == 0 && number_ == 0) {
        // R0: a container whose first line is a field line holds a message from its first byte.
        StartMessage(0);
        ResetMessageState();
        BeginHeader(HeaderKind::Top, 0);
    } else {
        BeginBlock(pos);
    }
    RunLineIn(pos, next, line, LineKind::Field);
}

ContainerSplitter::LineKind ContainerSplitter::Classify(std::string_view line) const noexcept {
    if (line.empty()) return LineKind::Blank;
    const char c = line[0];
    // A folded line starts with SP or HT and has a visible character; one without waits for what follows.
    if (c == ' ' || c == '\t') return IsWhitespaceOnly(line) ? LineKind::WhiteFold : LineKind::Fold;
    if (IsWhitespaceOnly(line)) return LineKind::Blank;
    if (IsFieldLine(line)) return LineKind::Field;
    // A delimiter of an open multipart never continues a header, even when its boundary holds a colon.
    if (c == '-' && IsOpenDelimiter(line)) return LineKind::Other;
    // A line with a colon that is no field line may be a damaged field: it waits for what follows.
    if (line.find(':') != std::string_view::npos) return LineKind::Damaged;
    return LineKind::Other;
}

bool ContainerSplitter::IsOpenDelimiter(std::string_view line) const noexcept {
    if (line.size() < 2 || line[0] != '-' || line[1] != '-') return false;
    const std::string_view t = TrimTrailingBlanks(line).substr(2);
    for (const Boundary& b : stack_) {
        if (!b.known) {
            if (HasOpeningDelimiterLook(line)) return true;
            continue;
        }
        if (t == b.text) return true;
        if (t.size() == b.text.size() + 2 && t.substr(0, b.text.size()) == b.text && t.substr(b.text.size()) == "--")
            return true;
    }
    return false;
}

void ContainerSplitter::ResetMessageState() {
    mode_ = Mode::Header;
    headerKind_ = HeaderKind::Top;
    partOfDigest_ = false;
    stack_.clear();
    bodyType_ = "text/plain";
    encoding_.clear();
    complete_ = closed_ = topMultipart_ = anyDelimiter_ = false;
    base64Clean_ = true;
    partHasText_ = false;
}

void ContainerSplitter::BeginBlock(std::size_t pos) {
    inRun_ = true;
    runCapped_ = false;
    blockStart_ = pos;
    runBytesEnd_ = pos;
    run_.clear();
    runNames_ = NameSet{};
    runSent_ = runMarker_ = false;
    currentField_ = kOtherName;
    ctPos_ = ctePos_ = kNone;
    tentative_.clear();
}

void ContainerSplitter::BeginHeader(HeaderKind kind, std::size_t at) {
    mode_ = Mode::Header;
    headerKind_ = kind;
    BeginBlock(at);
}

void ContainerSplitter::RunLineIn(std::size_t pos, std::size_t next, std::string_view line, LineKind kind) {
    const Pending self{pos, next, line.size()};
    if (!tentative_.empty()) {
        // A whitespace-only folded line continues a header only when more
        // header follows it; a damaged field line only when a field or a
        // folded line follows it.
        const bool confirms = kind == LineKind::Field || kind == LineKind::Fold;
        if (tentativeKind_ == LineKind::WhiteFold && kind == LineKind::WhiteFold) {
            tentative_.push_back(self);
            return;
        }
        if (confirms) {
            for (const Pending& t : tentative_) AddToRun(t.pos, t.next, Held(t.pos, t.len), LineKind::Fold);
            tentative_.clear();
            AddToRun(pos, next, line, kind);
            return;
        }
        const bool whiteFolds = tentativeKind_ == LineKind::WhiteFold;
        auto at = replay_.begin() + static_cast<std::ptrdiff_t>(replayAt_);
        at = replay_.insert(at, tentative_.begin(), tentative_.end());
        replay_.insert(at + static_cast<std::ptrdiff_t>(tentative_.size()), self);
        tentative_.clear();
        // The block ended before the first waiting line; terminated when that line is whitespace.
        EndRun(whiteFolds, whiteFolds);
        return;
    }
    switch (kind) {
        case LineKind::Field:
        case LineKind::Fold:
            AddToRun(pos, next, line, kind);
            return;
        case LineKind::WhiteFold:
        case LineKind::Damaged:
            tentativeKind_ = kind;
            tentative_.push_back(self);
            return;
        default:
            replay_.insert(replay_.begin() + static_cast<std::ptrdiff_t>(replayAt_), self);
            EndRun(kind == LineKind::Blank, kind == LineKind::Blank);
            return;
    }
}

void ContainerSplitter::AddToRun(std::size_t pos, std::size_t next, std::string_view line, LineKind kind) {
    if (!runCapped_ && (run_.size() >= kMaxBlockLines || next - blockStart_ > kMaxBlockBytes)) runCapped_ = true;
    runBytesEnd_ = next;
    if (kind == LineKind::Field) {
        const int code = NameCodeOf(FieldName(line));
        runNames_.Add(code);
        if (code == kSent) runSent_ = true;
        if (code == 0 || (markerCode_ != kOtherName && code == markerCode_)) runMarker_ = true;
        currentField_ = code;
        if (code == kContentType) {
            ctPos_ = pos;
            ctEnd_ = pos + line.size();
            ctIndex_ = run_.size();
        } else if (code == kContentTransferEncoding) {
            ctePos_ = pos;
            cteEnd_ = pos + line.size();
            cteIndex_ = run_.size();
        }
        if (!runCapped_) run_.push_back({pos, static_cast<std::int16_t>(code), true});
        return;
    }
    if (currentField_ == kContentType && ctPos_ != kNone) ctEnd_ = pos + line.size();
    if (currentField_ == kContentTransferEncoding && ctePos_ != kNone) cteEnd_ = pos + line.size();
    if (!runCapped_) run_.push_back({pos, kFold, false});
}

void ContainerSplitter::EndRun(bool terminated, bool endsOnWhitespace) {
    inRun_ = false;
    // A block too long to be looked at whole counts as not terminated.
    terminated = terminated && !runCapped_;
    if (mode_ == Mode::Header) {
        FinishHeader(terminated, endsOnWhitespace);
        return;
    }
    if (JudgeBlock(terminated)) {
        CutAt(blockStart_);
        ResetMessageState();
        FinishHeader(terminated, endsOnWhitespace);
        return;
    }
    // No start: the block is text of the body it stands in.
    if (mode_ == Mode::Body) {
        partHasText_ = true;
        base64Clean_ = false;
        checkedTo_ = std::max(checkedTo_, runBytesEnd_);
    }
}

void ContainerSplitter::CutAt(std::size_t cut) {
    StartMessage(cut);
    auto shift = [cut](std::size_t& p) { p = p >= cut ? p - cut : 0; };
    for (RunLine& l : run_) shift(l.pos);
    for (Pending& p : tentative_) shift(p.pos), shift(p.next);
    for (std::size_t i = replayAt_; i < replay_.size(); ++i) shift(replay_[i].pos), shift(replay_[i].next);
    shift(blockStart_);
    shift(runBytesEnd_);
    if (ctPos_ != kNone) ctPos_ >= cut ? (shift(ctPos_), shift(ctEnd_)) : void(ctPos_ = kNone);
    if (ctePos_ != kNone) ctePos_ >= cut ? (shift(ctePos_), shift(cteEnd_)) : void(ctePos_ = kNone);
    shift(bodyStart_);
    shift(checkedTo_);
}

void ContainerSplitter::FinishHeader(bool terminated, bool endsOnWhitespace) {
    std::size_t segment = 0;  // the header's lines from here on are the current message's
    if (terminated && !runCapped_ && !run_.empty() &&
        (headerKind_ == HeaderKind::Top || (headerKind_ == HeaderKind::Part && !partOfDigest_))) {
        // How many top-level names the header holds from each line to its end.
        suffix_.resize(run_.size());
        NameSet below;
        int count = 0;
        for (std::size_t i = run_.size(); i-- > 0;) {
            if (run_[i].field && !below.Has(run_[i].code) && run_[i].code >= 0 && run_[i].code < kTopNames) {
                below.Add(run_[i].code);
                count = std::min(count + 1, 255);
            }
            suffix_[i] = static_cast<std::uint8_t>(count);
        }
        if (headerKind_ == HeaderKind::Part) {
            // R6b: a part header has no reason to carry delivery trace fields; a
            // terminated block from such a field with five top-level names is the
            // next message, written after one cut off inside a part. R6c: nor does
            // it carry a message's own header; a block from a From, To, Subject...
            // line with five top-level names, three of them such names, is one too.
            NameSet belowSingle;
            int singles = 0;
            singleSuffix_.resize(run_.size());
            for (std::size_t i = run_.size(); i-- > 0;) {
                if (run_[i].field && IsSingleName(run_[i].code) && !belowSingle.Has(run_[i].code)) {
                    belowSingle.Add(run_[i].code);
                    ++singles;
                }
                singleSuffix_[i] = static_cast<std::uint8_t>(std::min(singles, 255));
            }
            for (std::size_t i = 0; i < run_.size(); ++i) {
                if (!run_[i].field || suffix_[i] < 5) continue;
                if (IsTraceLead(run_[i].code) || (IsSingleName(run_[i].code) && singleSuffix_[i] >= 3)) {
                    CutAt(run_[i].pos);
                    ResetMessageState();
                    segment = i;
                    break;
                }
            }
        }
        if (headerKind_ == HeaderKind::Top) {
            // R7: a header-only message stored without its blank line runs into
            // the next one's header; the next begins where a name repeats, or a
            // trace field follows other fields, and a strong block follows.
            NameSet met;
            bool metNonTrace = false;
            for (std::size_t i = segment; i < run_.size(); ++i) {
                if (!run_[i].field) continue;
                const int code = run_[i].code;
                if (i > segment) {
                    const bool repeated = IsSingleName(code) && met.Has(code);
                    const bool traceAfterOthers = IsTraceLead(code) && metNonTrace;
                    if ((repeated || traceAfterOthers) && suffix_[i] >= 5 && met.CountSingle() >= 2) {
                        CutAt(run_[i].pos);
                        ResetMessageState();
                        segment = i;
                        met = NameSet{};
                        metNonTrace = false;
                    }
                }
                met.Add(code);
                if (!IsTrace(code)) metNonTrace = true;
            }
        }
    }

    // The entity's type: the last Content-Type and Content-Transfer-Encoding of its header.
    const bool hasType = ctPos_ != kNone && ctIndex_ >= segment;
    const bool hasEncoding = ctePos_ != kNone && cteIndex_ >= segment;
    ContentType type;
    if (hasType) type = ParseContentType(ValueOf(Held(ctPos_, ctEnd_ - ctPos_)));
    std::string encoding = hasEncoding ? LowerValue(ValueOf(Held(ctePos_, cteEnd_ - ctePos_))) : std::string();

    // A header that ended on a whitespace-only line consumes it; any other
    // ending line is read again as the body's first line.
    std::size_t bodyAt = runBytesEnd_;
    if (replayAt_ < replay_.size()) {
        bodyAt = replay_[replayAt_].pos;
        if (endsOnWhitespace) bodyAt = replay_[replayAt_++].next;
    }
    EnterBody(type, encoding, !hasType, bodyAt);
}

void ContainerSplitter::EnterBody(const ContentType& type, const std::string& encoding, bool noContentType,
                                  std::size_t bodyAt) {
    const HeaderKind kind = headerKind_;
    std::string media = type.mediaType;
    // A digest's part without a Content-Type is a message.
    if (noContentType && kind == HeaderKind::Part && partOfDigest_) media = "message/rfc822";
    if (media.rfind("multipart/", 0) == 0) {
        // A multipart stays open until its closing delimiter; without a boundary parameter
        // the first line that looks like an opening delimiter defines it.
        stack_.push_back({type.boundary, type.hasBoundary, media == "multipart/digest"});
        if (kind == HeaderKind::Top) topMultipart_ = true;
    } else if (IsAttachedMessageType(media) && encoding != "base64" && encoding != "quoted-printable") {
        // The lines that follow are the attached message's own header.
        BeginHeader(HeaderKind::Embedded, bodyAt);
        return;
    }
    mode_ = Mode::Body;
    bodyType_ = std::move(media);
    encoding_ = encoding;
    base64Clean_ = true;
    partHasText_ = false;
    bodyStart_ = checkedTo_ = bodyAt;
    // A body with no multipart open around it completes the message: a new one may begin.
    if (stack_.empty()) complete_ = true;
}

void ContainerSplitter::BodyLine(std::size_t pos, std::size_t next, std::string_view line) {
    if (!stack_.empty() && line.size() >= 2 && line[0] == '-' && line[1] == '-' && Delimiter(next, line)) return;
    if (IsFieldLine(line)) {
        // A block start: read the block whole, then judge it.
        BeginBlock(pos);
        RunLineIn(pos, next, line, LineKind::Field);
    }
}

bool ContainerSplitter::Delimiter(std::size_t next, std::string_view line) {
    const std::string_view t = TrimTrailingBlanks(line).substr(2);
    for (std::size_t i = stack_.size(); i-- > 0;) {
        Boundary& b = stack_[i];
        bool open = false, close = false;
        if (!b.known) {
            if (HasOpeningDelimiterLook(line)) {
                b.text = std::string(line.substr(2));
                b.known = open = true;
            }
        } else if (t == b.text) {
            open = true;
        } else if (t.size() == b.text.size() + 2 && t.substr(0, b.text.size()) == b.text &&
                   t.substr(b.text.size()) == "--") {
            close = true;
        }
        if (!open && !close) continue;
        // A delimiter of an outer multipart also ends every part inside it.
        stack_.resize(i + 1);
        anyDelimiter_ = true;
        if (open) {
            partOfDigest_ = stack_.back().digest;
            BeginHeader(HeaderKind::Part, next);
            return true;
        }
        stack_.pop_back();
        // What follows a closing delimiter is epilogue; after the outermost one the message is complete.
        mode_ = Mode::Body;
        bodyType_ = "epilogue";
        encoding_.clear();
        base64Clean_ = true;
        partHasText_ = false;
        bodyStart_ = checkedTo_ = next;
        if (stack_.empty()) complete_ = closed_ = true;
        return true;
    }
    return false;
}

std::string_view ContainerSplitter::LineAbove(std::size_t pos, std::size_t* above) const noexcept {
    if (pos == 0) {
        *above = 0;
        return {};
    }
    const char* data = acc_.Data();
    std::size_t start = pos - 1;  // the LF that ends the line above
    while (start > 0 && data[start - 1] != '\n') --start;
    *above = start;
    return lines::WithoutCr(std::string_view(data + start, pos - 1 - start));
}

void ContainerSplitter::UpdateBodyFacts(std::size_t upTo) {
    if (checkedTo_ >= upTo) return;
    const bool checkBase64 = encoding_ == "base64" && base64Clean_;
    if (partHasText_ && !checkBase64) {
        checkedTo_ = upTo;
        return;
    }
    const char* data = acc_.Data();
    for (std::size_t at = checkedTo_; at < upTo;) {
        const void* nl = std::memchr(data + at, '\n', upTo - at);
        const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - data) : upTo;
        const std::string_view line = lines::WithoutCr(std::string_view(data + at, end - at));
        if (!IsWhitespaceOnly(line)) {
            partHasText_ = true;
            if (base64Clean_ && !IsBase64Line(line)) base64Clean_ = false;
            if (!checkBase64 || !base64Clean_) break;
        }
        at = end + 1;
    }
    checkedTo_ = upTo;
}

bool ContainerSplitter::HasIntroduction() const noexcept {
    // The nearest line above the block that is not whitespace-only, with at most two whitespace-only lines between.
    std::size_t pos = blockStart_;
    for (int k = 0; k < 3 && pos > 0; ++k) {
        const std::string_view line = LineAbove(pos, &pos);
        if (!IsWhitespaceOnly(line)) return IsIntroduction(line);
    }
    return false;
}

bool ContainerSplitter::JudgeBlock(bool terminated) {
    std::size_t above = 0;
    // An attachment reference line looks like a delimiter but opens no part.
    const bool afterOpening = blockStart_ > 0 && OpensAPart(LineAbove(blockStart_, &above));
    // R0: the first message begins at the first terminated block that is not a part header.
    if (mode_ == Mode::Prefix) return terminated && !afterOpening;
    // A block right after an opening delimiter is a part header.
    if (afterOpening) return false;
    const int ntop = runNames_.Count();
    // R3: after the outermost closing delimiter everything is epilogue, and any block starts a message.
    if (complete_ && closed_) return true;
    UpdateBodyFacts(blockStart_);
    const bool base64 = encoding_ == "base64";
    // R4: a clean base64 body cannot hold a header; a terminated block, or one with three top-level names, starts.
    if (complete_ && base64 && base64Clean_) return terminated || ntop >= 3;
    const bool headerBody = IsHeaderBodyType(bodyType_);
    // Bodies that are header blocks (bounce reports, header copies) hold no message.
    if (complete_ && headerBody) return false;
    // R5 (after a complete text body) and R8 (a top-level multipart whose boundary never showed up).
    if (complete_ || (topMultipart_ && !anyDelimiter_)) {
        // A forward field or an introduction line marks a copy of a header inside the text.
        if (runSent_ || HasIntroduction()) return false;
        if (ntop >= 2 && (terminated || ntop >= 3)) return true;
        // The start marker still counts: a terminated block that holds it starts even with one top-level name.
        return complete_ && terminated && runMarker_;
    }
    // R4b: a header after clean base64 text inside an open part is the next message, the multipart cut off.
    if (base64 && base64Clean_ && partHasText_ && terminated && ntop >= 1) return true;
    // R6: inside a multipart that never closes, only a strong, terminated block of its own starts a message.
    if (ntop >= 5 && terminated && !headerBody && !(bodyType_.rfind("message/", 0) == 0 && !partHasText_) &&
        !runSent_ && !HasIntroduction())
        return true;
    return false;
}

void ContainerSplitter::Replay() {
    // Lines read again may end another run, which puts its own lines first.
    while (replayAt_ < replay_.size()) {
        const Pending p = replay_[replayAt_++];
        Dispatch(p.pos, p.next, Held(p.pos, p.len));
    }
    replay_.clear();
    replayAt_ = 0;
}

}  // namespace quill
