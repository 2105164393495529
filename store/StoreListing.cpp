#include "store/StoreListing.h"

#include "platform/File.h"
#include "store/StoreIndex.h"

namespace quill {

ContainerListing ListStoreContainers(const std::string& storeFolder) {
    (void)platform::ListDirectory(storeFolder);  // throws when the folder can't be read
    ContainerListing listing;
    const StoreIndex index = StoreIndex::Open(storeFolder);
    for (const auto& c : index.Containers()) listing.names.push_back(c.entry);
    for (const auto& s : index.SkippedEntries()) listing.skipped.emplace_back(s.name, s.what);
    return listing;
}

std::vector<std::string> ListContainers(const std::string& storeFolder) {
    return ListStoreContainers(storeFolder).names;
}

}  // namespace quill
