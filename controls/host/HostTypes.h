#pragma once
// The value types a user control and its host exchange: window handles as
// plain integers, fonts, and pictures. Portable, so a control's core can be
// built and tested without the windowing system.

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quill::host {

// A window, device context or menu handle as the host hands it over.
using NativeHandle = std::uintptr_t;

// A font as a value: changing an attribute means assigning a new font.
struct Font {
    std::string name;           // face name, UTF-8
    double size = 8.25;         // points
    std::int32_t weight = 400;  // 700 is bold
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::int32_t charset = 0;

    [[nodiscard]] bool Bold() const noexcept { return weight >= 700; }
    bool operator==(const Font&) const = default;
};

// The picture kinds a host's picture object holds, with their usual numbers
// (a cursor is held as an icon).
enum class PictureType : std::int32_t { kNone = 0, kBitmap = 1, kMetafile = 2, kIcon = 3, kEnhancedMetafile = 4 };

// Where a stored picture comes from: a resource of the program, by number.
struct PictureSource {
    enum class Kind { kBitmap, kIcon, kCursor };
    Kind kind = Kind::kIcon;
    std::int32_t id = 0;

    bool operator==(const PictureSource&) const = default;
};

class Picture {
  public:
    virtual ~Picture() = default;

    [[nodiscard]] virtual PictureType Type() const = 0;
    // HBITMAP, HICON or HCURSOR; the picture keeps ownership.
    [[nodiscard]] virtual NativeHandle Handle() const = 0;
    // Size in device pixels.
    [[nodiscard]] virtual std::int32_t Width() const = 0;
    [[nodiscard]] virtual std::int32_t Height() const = 0;
    // The resource it was loaded from. A picture made at run time has none
    // and cannot be stored with a form's design values.
    [[nodiscard]] virtual std::optional<PictureSource> Source() const = 0;
};

// No picture is an empty pointer. Two values are the same picture only when
// they point to the same object.
using PicturePtr = std::shared_ptr<const Picture>;

// Makes picture objects for stored references (the program's resources on
// Windows; fakes in tests).
class PictureLoader {
  public:
    virtual ~PictureLoader() = default;
    // Throws when the resource does not exist or is not of that kind.
    [[nodiscard]] virtual PicturePtr Load(const PictureSource& source) = 0;
};

}  // namespace quill::host
