#pragma once
// Advance mode cuts a container at Subject lines. The cut text, the lines
// directly above a Subject line back to the nearest blank line, holds the end
// of the previous message and the first header lines of the new one. These
// routines divide it: the head part goes to the new message, the tail part
// to the previous one, and every character goes to exactly one of them.
//
// The head part begins at the first line that starts with one of these names,
// taken in this order of priority (the first name found wins, wherever it
// is): delivered-to:, return-path:, received:, date:, mime-version:,
// reply-to:, from:, to:. Names count at line starts only, in any letter case.
// When none occurs, the head part is the header-field lines (with their
// folded continuations) directly above the Subject line.

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
