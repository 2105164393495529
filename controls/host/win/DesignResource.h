#pragma once

#include "controls/host/DesignValues.h"

#include <windows.h>

#include <string>

namespace quill::host {

// A form's stored design values, kept as UTF-8 text in an RCDATA resource
// of the module. Pictures named in it are resources of the same module.
// Throws DesignValuesError (also when the resource is missing).
[[nodiscard]] FormDesign LoadFormDesign(HINSTANCE module, int resourceId, const std::string& formName);

}  // namespace quill::host
