#include "store/StoreListing.h"

#include "platform/File.h"

namespace quill {

std::vector<std::string> ListContainers(const std::string& storeFolder) {
    std::vector<std::string> names;
    for (const auto& e : platform::ListDirectory(storeFolder)) {
        if (!e.regular || e.hidden || e.system || e.name.size() < 5) continue;
        std::string ext = e.name.substr(e.name.size() - 4);
        for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (ext == ".imm") names.push_back(e.name);
    }
    return names;
}

}  // namespace quill
