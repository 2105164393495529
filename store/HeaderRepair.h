#pragma once
// Advance mode cuts a container at Subject lines. The cut text, the lines
// directly above a Subject line back to the nearest blank line, holds the end
// of the previous message and the first header lines of the new one. These
// routines divide it: the head part goes to the new message, the tail part
// to the previous one, and every character goes to exactly one of them.
//
// The head part is the header run directly above the Subject line: the
// header-field lines and their folded lines back to the nearest line that is
// neither, so that a header block stays whole. Where a body ran into that run
// without a blank line, the run may begin with body lines that look like
// fields; the head part then begins at the run's first line that starts with
// one of these names: delivered-to:, return-path:, received:, date:,
// mime-version:, reply-to:, from:, to: (in any letter case).

#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

// Where the head part begins in the cut text.
std::size_t HeadPartStart(std::string_view cutText);

// Cuts iPrevMsg down in place to its head part.
void PrevPartMsg(std::string& iPrevMsg);

// The tail part: the cut text before the head part that PrevPartMsg leaves.
std::string CleanPartMsg(const std::string& iLastMsg);

}  // namespace quill
