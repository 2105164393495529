#pragma once
// Store lookup for callers that stay away from <windows.h> (the command
// line). Windows builds only; link quill_win32.

#include <string>

namespace quill {

// The discovered store folder in UTF-8, ending in a backslash; empty when no
// store was found.
std::string DiscoverStoreFolder();

}  // namespace quill
