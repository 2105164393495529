#include "platform/NumberedName.h"

namespace quill::platform {

std::string NumberedName(std::string_view stem, std::string_view extension, int number) {
    std::string name(stem);
    if (number > 1) name += " (" + std::to_string(number) + ")";
    name += extension;
    return name;
}

}  // namespace quill::platform
