#pragma once
// The structured header values a MIME reader needs: "token; name=value"
// lists (Content-Type, Content-Disposition) with quoted strings, comments and
// RFC 2231 parameters, and RFC 2047 encoded words in text.

#include <string>
#include <string_view>
#include <vector>

namespace quill::mime {

struct Parameter {
    std::string name;       // lower case, without RFC 2231 section marks
    std::string value;      // quotes and escapes removed; UTF-8 when extended
    bool extended = false;  // assembled from RFC 2231 sections / charset
};

// "type/subtype; a=1; b*=utf-8''x" or "attachment; filename=...".
// Parameter rules for damaged mail:
//  - a duplicate parameter: the first occurrence wins;
//  - both "name" and "name*": the RFC 2231 form wins;
//  - RFC 2231 sections are joined in section order, percent-decoded where
//    marked with "*", and converted from the charset of section 0;
//  - an unterminated quoted string runs to the end of the value;
//  - a parameter without "=" is skipped.
struct StructuredValue {
    std::string token;  // lower case, comments and blanks removed
    std::vector<Parameter> params;

    const Parameter* Find(std::string_view name) const;
};

StructuredValue ParseStructured(std::string_view value);

// Header text to UTF-8: RFC 2047 encoded words decoded (also inside quotes
// and inside words, as careless writers put them), the blanks between two
// adjacent encoded words dropped, adjacent words of one charset joined
// before conversion so a character split across them survives. Raw 8-bit
// bytes outside encoded words are read in rawCharset; with none given, as
// UTF-8 when they are valid UTF-8, otherwise as windows-1252.
std::string DecodeHeaderText(std::string_view text, std::string_view rawCharset = {});

// Bytes in charset to UTF-8, falling back as DecodeHeaderText does for raw
// bytes when the charset is missing or unknown.
std::string BytesToUtf8(std::string_view bytes, std::string_view charset);

// "%XX" escapes (RFC 2231 values, RFC 2392 cid: URLs) decoded, in either
// case; a '%' that starts no escape is kept as it is.
std::string PercentDecode(std::string_view s);

// One parameter as written after "; ", quoted when it needs it, RFC 2231
// encoded (utf-8, with continuations) when it is not plain ASCII or too long
// for one line. Sections are joined by ";" lineEnd "\t".
std::string FormatParameter(std::string_view name, std::string_view utf8Value, std::string_view lineEnd);

}  // namespace quill::mime
