#pragma once
// Pictures made at run time from pixels: a 32-bit bitmap (with its alpha),
// a 24-bit bitmap, or an icon whose alpha becomes its mask. For the button's
// tests and its gallery; such a picture is not a resource of the program and
// cannot be stored with a form's design values.

#include "controls/button/Canvas.h"
#include "controls/host/HostTypes.h"

namespace quill::button {

enum class PixelPictureKind { kBitmap32, kBitmap24, kIcon };

// pixels: rows from the top, blue in the low byte, alpha in the high byte.
// Throws std::runtime_error when the system cannot make it.
[[nodiscard]] host::PicturePtr MakePixelPicture(const Pixels& pixels, PixelPictureKind kind);

}  // namespace quill::button
