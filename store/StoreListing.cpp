#include "store/StoreListing.h"

#include "platform/File.h"
#include "platform/Path.h"

namespace quill {

std::vector<std::string> ListContainers(const std::string& storeFolder) {
    std::vector<std::string> names;
    for (const auto& e : platform::ListDirectory(storeFolder))
        if (e.regular && !e.hidden && !e.system && platform::IsContainerName(e.name)) names.push_back(e.name);
    return names;
}

}  // namespace quill
