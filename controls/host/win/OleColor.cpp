#include "controls/host/win/OleColor.h"

#include <windows.h>

#include <olectl.h>

namespace quill::host {

std::int32_t TranslateOleColor(std::int32_t value) noexcept {
    COLORREF plain = 0;
    if (::OleTranslateColor(static_cast<OLE_COLOR>(value), nullptr, &plain) != S_OK) return -1;
    return static_cast<std::int32_t>(plain);
}

}  // namespace quill::host
