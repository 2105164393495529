#pragma once
// Writes pixels as a PNG file: 8-bit RGB, the image data deflated in stored
// blocks (no compression), which every reader takes.

#include "controls/button/Canvas.h"

#include <string>

namespace quill::tools {

// Throws std::runtime_error naming the file when it cannot be written.
void WritePng(const std::string& path, const button::Pixels& pixels);

}  // namespace quill::tools
