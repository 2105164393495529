#include "controls/host/win/DesignResource.h"

#include "controls/host/win/ResourcePicture.h"

namespace quill::host {

FormDesign LoadFormDesign(HINSTANCE module, int resourceId, const std::string& formName) {
    const std::string source = formName + " design values (resource " + std::to_string(resourceId) + ")";
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    HGLOBAL loaded = found != nullptr ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) throw DesignValuesError(source, 0, 0, "the resource is missing");
    std::string_view text(static_cast<const char*>(data), ::SizeofResource(module, found));
    ResourcePictureLoader pictures(module);
    return ParseDesignValues(text, source, pictures);
}

}  // namespace quill::host
