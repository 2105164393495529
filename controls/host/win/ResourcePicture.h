#pragma once
// Pictures that are resources of the program: icons, cursors and bitmaps
// loaded by number, owned by the picture object.

#include "controls/host/HostTypes.h"

#include <windows.h>

namespace quill::host {

class ResourcePictureLoader final : public PictureLoader {
  public:
    explicit ResourcePictureLoader(HINSTANCE module) : module_(module) {}
    // Icons at the size of the first image of the resource; bitmaps as
    // DIB sections, so a 32-bit bitmap keeps its alpha channel. Throws
    // std::runtime_error naming the resource when it cannot be loaded.
    [[nodiscard]] PicturePtr Load(const PictureSource& source) override;

  private:
    HINSTANCE module_;
};

}  // namespace quill::host
