#include "pst/disk/Layout.h"

// Everything here is constexpr; this unit keeps the header compiled on its own.
namespace quill::pst::disk {

static_assert(RegionStart(128) == 0x1F04400);
static_assert(FMapOffset(128) == 0x1F04800);
static_assert(FPMapOffset(8192) == 0x7C004800);

}  // namespace quill::pst::disk
