#pragma once
// The containers of a message store folder, as the window lists them: normal
// files whose names end in ".imm" (any letter case), hidden and system files
// left out, in the order the file system gives them.

#include <string>
#include <vector>

namespace quill {

// Throws platform::FileError when the folder cannot be read.
std::vector<std::string> ListContainers(const std::string& storeFolder);

}  // namespace quill
