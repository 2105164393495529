#pragma once
// Content-Transfer-Encoding: base64 and quoted-printable both ways; 7bit,
// 8bit, binary and unknown encodings pass bytes through.

#include <cstddef>
#include <string>
#include <string_view>

namespace quill::mime {

// Characters outside the alphabet are skipped; missing padding is accepted.
std::string DecodeBase64(std::string_view text);
// Lines of lineLength characters joined by lineEnd, no line end after the last.
std::string EncodeBase64(std::string_view bytes, std::string_view lineEnd, std::size_t lineLength = 76);

// Soft breaks ("=" at a line end) joined, =XX decoded in either case, blanks
// that transport added at line ends dropped; a "=" that starts no escape is
// kept as it is. Hard line ends are kept as written.
std::string DecodeQuotedPrintable(std::string_view text);
// Text mode: each line of the input (LF or CR LF) becomes a line ended by
// lineEnd, split by soft breaks to at most 76 characters. A '-' at the start
// of a line is written as =2D, so the text never holds a delimiter line.
std::string EncodeQuotedPrintable(std::string_view text, std::string_view lineEnd);

// The body's bytes under the encoding named (any letter case).
std::string DecodeTransfer(std::string_view body, std::string_view encoding);

}  // namespace quill::mime
