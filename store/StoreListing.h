#pragma once
// The containers of a message store folder, as the window lists them. With
// IncrediMail 2's or 2.5's database: its containers, in the order of its
// folder tree, named "<FileName>.imm" also when no such file exists, then the
// container files it does not name. Otherwise: normal files whose names end
// in ".imm" (any letter case), hidden and system files left out, in the
// order the file system gives them.

#include <string>
#include <vector>

namespace quill {

// Throws platform::FileError when the folder cannot be read.
std::vector<std::string> ListContainers(const std::string& storeFolder);

}  // namespace quill
