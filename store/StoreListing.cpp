#include "store/StoreListing.h"

#include "platform/File.h"
#include "store/StoreIndex.h"

namespace quill {

std::vector<std::string> ListContainers(const std::string& storeFolder) {
    (void)platform::ListDirectory(storeFolder);  // throws when the folder can't be read
    std::vector<std::string> names;
    const StoreIndex index = StoreIndex::Open(storeFolder);
    for (const auto& c : index.Containers()) names.push_back(c.entry);
    return names;
}

}  // namespace quill
