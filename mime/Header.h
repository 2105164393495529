#pragma once
// A header block kept exactly as written. Each field holds every byte of its
// lines (folds and line ends included), so an untouched header writes back
// byte for byte; only fields that are set or removed are regenerated.
//
// Reading the block:
//  - a line is a field when it starts with a name (printable ASCII, no colon)
//    followed, after optional blanks, by a colon;
//  - a line that starts with a blank or tab continues the field above it;
//  - an empty line (CR LF or a bare LF) ends the block and is its separator;
//  - any other line ends the block without a separator: the body starts at
//    that line (damaged mail, or a part that has no header at all).
// Only LF ends a line; a CR is part of the line end when it stands before LF.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::mime {

struct HeaderField {
    std::string name;  // as written, blanks before the colon trimmed
    std::string raw;   // all its lines, line ends included

    // Unfolded: line ends before continuation blanks removed, the blanks
    // around the value trimmed, no final line end.
    std::string Value() const;
};

class Header {
  public:
    // Parses the block at the start of text; bodyStart gets the offset just
    // past it (past the separator, when there is one).
    static Header Parse(std::string_view text, std::size_t& bodyStart);

    std::string Serialize() const;

    const std::vector<HeaderField>& Fields() const noexcept { return fields_; }
    const std::string& Separator() const noexcept { return separator_; }

    // The first field of that name, in any letter case.
    const HeaderField* Find(std::string_view name) const;
    std::optional<std::string> Value(std::string_view name) const;

    // Replaces the first field of that name (in place) or appends it.
    // value is written as given after "Name: ": fold it yourself.
    void Set(std::string_view name, std::string_view value, std::string_view lineEnd);
    void Append(std::string_view name, std::string_view value, std::string_view lineEnd);
    void Remove(std::string_view name);
    // Takes out every field whose name starts with prefix, in order.
    std::vector<HeaderField> Extract(std::string_view prefix);
    void AppendField(HeaderField field, std::string_view lineEnd);
    // A header that is written needs its blank line, even if it had none.
    void EnsureSeparator(std::string_view lineEnd);
    // Edits a field's raw bytes in place (same field, new spelling).
    std::string* MutableRaw(std::string_view name);

  private:
    std::vector<HeaderField> fields_;
    std::string separator_;
};

// The blanks of mail's grammar: space, tab, CR and LF.
[[nodiscard]] constexpr bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
[[nodiscard]] std::string_view TrimBlanks(std::string_view s);
// Each run of blanks becomes one space; blanks at the ends go.
[[nodiscard]] std::string CollapseBlanks(std::string_view s);

}  // namespace quill::mime
