#pragma once

#include <cstdint>

namespace quill::host {

// A stored colour value (plain 0x00BBGGRR, or 0x80000000 + n for system
// colour n) as a plain colour, through the system's OLE colour translation
// with no palette; -1 when the value names no colour.
[[nodiscard]] std::int32_t TranslateOleColor(std::int32_t value) noexcept;

}  // namespace quill::host
