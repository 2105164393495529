#pragma once

#include <string>
#include <string_view>

namespace quill::mime {

// The Content-Type for a file attached under this name, by its extension
// (any letter case); application/octet-stream when the extension is unknown.
std::string ContentTypeForFileName(std::string_view fileName);

}  // namespace quill::mime
