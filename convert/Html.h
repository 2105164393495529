#pragma once
// What the PST mapping reads out of an HTML body: a plain rendering for a
// message that has no text body, the charset the document declares, and the
// cid: references that tell inline images from attachments.

#include <set>
#include <string>
#include <string_view>

namespace quill {

// A plain rendering of HTML: tags dropped, block ends as line breaks, the
// common entities decoded; script, style, head and title left out.
[[nodiscard]] std::string HtmlToText(std::string_view html);

// The charset the document's <meta> declares within its first 2 KiB, lower
// case; empty when none does.
[[nodiscard]] std::string HtmlMetaCharset(std::string_view html);

// The ids the document refers to as "cid:...", lower case, each also
// percent-decoded (RFC 2392 URLs may be; Content-ID values are not).
[[nodiscard]] std::set<std::string> CidReferences(std::string_view html);

}  // namespace quill
