#include "controls/host/win/ResourcePicture.h"

#include "win32/Win32Handles.h"

#include <stdexcept>
#include <string>

namespace quill::host {
namespace {

class ResourcePicture final : public Picture {
  public:
    ResourcePicture(PictureSource source, HANDLE handle) : source_(source), handle_(handle) { Measure(); }
    ResourcePicture(const ResourcePicture&) = delete;
    ResourcePicture& operator=(const ResourcePicture&) = delete;
    ~ResourcePicture() override {
        switch (source_.kind) {
            case PictureSource::Kind::kBitmap:
                ::DeleteObject(handle_);
                break;
            case PictureSource::Kind::kIcon:
                ::DestroyIcon(static_cast<HICON>(handle_));
                break;
            case PictureSource::Kind::kCursor:
                ::DestroyCursor(static_cast<HCURSOR>(handle_));
                break;
        }
    }

    PictureType Type() const override {
        return source_.kind == PictureSource::Kind::kBitmap ? PictureType::kBitmap : PictureType::kIcon;
    }
    NativeHandle Handle() const override { return reinterpret_cast<NativeHandle>(handle_); }
    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }
    std::optional<PictureSource> Source() const override { return source_; }

  private:
    void Measure() {
        BITMAP bitmap{};
        if (source_.kind == PictureSource::Kind::kBitmap) {
            ::GetObjectW(handle_, sizeof bitmap, &bitmap);
        } else {
            ICONINFO info{};
            if (!::GetIconInfo(static_cast<HICON>(handle_), &info)) return;
            UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
            ::GetObjectW(color ? color.Get() : mask.Get(), sizeof bitmap, &bitmap);
            if (!color) bitmap.bmHeight /= 2;  // a monochrome image holds its mask below it
        }
        width_ = bitmap.bmWidth;
        height_ = bitmap.bmHeight;
    }

    PictureSource source_;
    HANDLE handle_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

}  // namespace

PicturePtr ResourcePictureLoader::Load(const PictureSource& source) {
    static constexpr UINT kImageTypes[] = {IMAGE_BITMAP, IMAGE_ICON, IMAGE_CURSOR};
    static constexpr const char* kNames[] = {"bitmap", "icon", "cursor"};
    const auto kind = static_cast<std::size_t>(source.kind);
    UINT flags = LR_DEFAULTCOLOR | (source.kind == PictureSource::Kind::kBitmap ? LR_CREATEDIBSECTION : 0);
    HANDLE handle = ::LoadImageW(module_, MAKEINTRESOURCEW(source.id), kImageTypes[kind], 0, 0, flags);
    if (handle == nullptr) {
        throw std::runtime_error(std::string("no ") + kNames[kind] + " resource " + std::to_string(source.id) +
                                 " (error " + std::to_string(::GetLastError()) + ")");
    }
    return std::make_shared<ResourcePicture>(source, handle);
}

}  // namespace quill::host
