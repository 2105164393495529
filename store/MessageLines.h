#pragma once
// Line tests of the cut by message structure. Lines are given without their
// LF and without the one CR before it.

#include <cstdint>
#include <string>
#include <string_view>

namespace quill::structure {

// A field line: a letter, then letters, digits, '-' or '_', then ':' at once,
// and the text after the colon does not begin with "//" (so that a URL at a
// line start is not a field).
bool IsFieldLine(std::string_view line) noexcept;
// The name of a field line (the text before its colon).
std::string_view FieldName(std::string_view line) noexcept;

// Empty, or only SP, HT, CR, VT, FF.
bool IsWhitespaceOnly(std::string_view line) noexcept;

// "--" and more, no space or tab, and not ending in "--": how a part opens.
bool HasOpeningDelimiterLook(std::string_view line) noexcept;
// IncrediMail's line that stands for an attachment it keeps in its own folder;
// it begins with dashes but opens no part.
inline constexpr std::string_view kAttachmentReference = "----------[%ImFilePath%]----------";
// The opening-delimiter look, attachment references excepted.
bool OpensAPart(std::string_view line) noexcept;
// Trailing whitespace removed: starts and ends with "--", longer than 4, no space.
bool HasClosingDelimiterLook(std::string_view line) noexcept;

// The line above a header block announces it as a copy (a forward or a bounce):
// it holds a phrase such as "original message" or "copy of the message" but
// not the word "end" (which closes a copy), or it is a line of ten or more
// underscores; a closing delimiter introduces nothing.
bool IsIntroduction(std::string_view line) noexcept;

// Matches [A-Za-z0-9+/]*={0,2}.
bool IsBase64Line(std::string_view line) noexcept;

// Codes of field names: the top-level set in its order (the first 18 are the
// trace fields, the first 5 the ones a delivery writes first), then a few
// names the cut reads for themselves.
inline constexpr int kTopNames = 74;
inline constexpr int kTraceNames = 18;
inline constexpr int kTraceLeadNames = 5;
enum NameCode : std::int16_t {
    kOtherName = -1,  // a field outside the top-level set
    kContentType = 100,
    kContentTransferEncoding = 101,
    kSent = 102,  // an inline-forward field: no top header carries it
};
// The code of a field name, any letter case: 0..kTopNames-1 for the top-level set.
int NameCodeOf(std::string_view name) noexcept;
bool IsSingleName(int code) noexcept;  // from to subject date message-id mime-version sender reply-to cc

// A set of top-level names.
struct NameSet {
    std::uint64_t bits[2] = {0, 0};
    void Add(int code) noexcept {
        if (code >= 0 && code < kTopNames) bits[code >> 6] |= std::uint64_t{1} << (code & 63);
    }
    bool Has(int code) const noexcept {
        return code >= 0 && code < kTopNames && (bits[code >> 6] >> (code & 63) & 1);
    }
    NameSet& operator|=(const NameSet& o) noexcept {
        bits[0] |= o.bits[0];
        bits[1] |= o.bits[1];
        return *this;
    }
    int Count() const noexcept;
    int CountSingle() const noexcept;  // how many SINGLE names it holds
};

struct ContentType {
    std::string mediaType = "text/plain";  // lower case
    std::string boundary;                  // multipart only
    bool hasBoundary = false;
};
// From a Content-Type value (folds allowed): the media type before the first
// ';', and for multipart/* its boundary parameter, quoted or not.
ContentType ParseContentType(std::string_view value);

// A field value, trimmed and lower-cased, line ends and folds removed.
std::string LowerValue(std::string_view value);

}  // namespace quill::structure
