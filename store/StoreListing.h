#pragma once
// The containers of a message store folder, as the window lists them. With
// IncrediMail 2's or 2.5's database: its containers, in the order of its
// folder tree, named "<FileName>.imm" also when no such file exists, then the
// container files it does not name. Otherwise: normal files whose names end
// in ".imm" (any letter case), hidden and system files left out, in name
// order as Windows lists a folder.

#include <string>
#include <utility>
#include <vector>

namespace quill {

struct ContainerListing {
    std::vector<std::string> names;
    // Container names that are no regular file (a folder, a FIFO, a link to
    // nothing), with what they are: left out, and said so.
    std::vector<std::pair<std::string, std::string>> skipped;
};

// Throws platform::FileError when the folder cannot be read.
ContainerListing ListStoreContainers(const std::string& storeFolder);
std::vector<std::string> ListContainers(const std::string& storeFolder);

}  // namespace quill
