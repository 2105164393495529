#include "controls/button/win/PixelPicture.h"

#include "win32/Win32Handles.h"

#include <windows.h>

#include <cstring>
#include <vector>
#include <stdexcept>

namespace quill::button {
namespace {

class PixelPicture final : public host::Picture {
  public:
    PixelPicture(host::PictureType type, HANDLE handle, std::int32_t w, std::int32_t h)
        : type_(type), handle_(handle), width_(w), height_(h) {}
    PixelPicture(const PixelPicture&) = delete;
    PixelPicture& operator=(const PixelPicture&) = delete;
    ~PixelPicture() override {
        if (type_ == host::PictureType::kIcon) {
            ::DestroyIcon(static_cast<HICON>(handle_));
        } else {
            ::DeleteObject(handle_);
        }
    }
    host::PictureType Type() const override { return type_; }
    host::NativeHandle Handle() const override { return reinterpret_cast<host::NativeHandle>(handle_); }
    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }
    std::optional<host::PictureSource> Source() const override { return std::nullopt; }

  private:
    host::PictureType type_;
    HANDLE handle_;
    std::int32_t width_;
    std::int32_t height_;
};

// A DIB section of the pixels, top row first, 32 or 24 bits per pixel.
HBITMAP Section(const Pixels& pixels, int bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    void* data = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &data, nullptr, 0);
    if (bitmap == nullptr) return nullptr;
    auto* out = static_cast<unsigned char*>(data);
    const std::size_t stride = (static_cast<std::size_t>(pixels.width) * bits / 8 + 3) / 4 * 4;
    for (std::int32_t y = 0; y < pixels.height; ++y) {
        unsigned char* row = out + stride * static_cast<std::size_t>(y);
        for (std::int32_t x = 0; x < pixels.width; ++x) {
            const std::uint32_t p = pixels.At(x, y);
            if (bits == 32) {
                std::memcpy(row + 4 * x, &p, 4);
            } else {
                row[3 * x] = static_cast<unsigned char>(p);
                row[3 * x + 1] = static_cast<unsigned char>(p >> 8);
                row[3 * x + 2] = static_cast<unsigned char>(p >> 16);
            }
        }
    }
    return bitmap;
}

}  // namespace

host::PicturePtr MakePixelPicture(const Pixels& pixels, PixelPictureKind kind) {
    if (pixels.width <= 0 || pixels.height <= 0) throw std::invalid_argument("a picture needs pixels");
    if (kind != PixelPictureKind::kIcon) {
        HBITMAP bitmap = Section(pixels, kind == PixelPictureKind::kBitmap32 ? 32 : 24);
        if (bitmap == nullptr) throw std::runtime_error("cannot make a bitmap");
        return std::make_shared<PixelPicture>(host::PictureType::kBitmap, bitmap, pixels.width, pixels.height);
    }
    UniqueBitmap color(Section(pixels, 32));
    // One bit per pixel, set where the picture is transparent; rows of whole words.
    const std::size_t stride = (static_cast<std::size_t>(pixels.width) + 15) / 16 * 2;
    std::vector<unsigned char> bits(stride * static_cast<std::size_t>(pixels.height), 0);
    for (std::int32_t y = 0; y < pixels.height; ++y) {
        for (std::int32_t x = 0; x < pixels.width; ++x) {
            if ((pixels.At(x, y) >> 24) == 0) bits[stride * y + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        }
    }
    UniqueBitmap mask(::CreateBitmap(pixels.width, pixels.height, 1, 1, bits.data()));
    if (!color || !mask) throw std::runtime_error("cannot make an icon's bitmaps");
    ICONINFO info{TRUE, 0, 0, mask.Get(), color.Get()};
    HICON icon = ::CreateIconIndirect(&info);
    if (icon == nullptr) throw std::runtime_error("cannot make an icon");
    return std::make_shared<PixelPicture>(host::PictureType::kIcon, icon, pixels.width, pixels.height);
}

}  // namespace quill::button
