#pragma once
// The kestbutton's properties as data: for each, its type, the value a new
// instance gets, the key it is stored under, the default taken when loading
// finds no entry, and the default compared against when saving (a value
// equal to it is not written). Loading and saving walk their own key orders.

#include "controls/button/ButtonProperties.h"
#include "controls/host/PropertyBag.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace quill::button {

// In the order of the control's public interface.
enum class PropertyId : std::uint8_t {
    kBackColor,
    kButtonStyle,
    kCaption,
    kCaptionAlign,
    kDropDownSymbol,
    kDropDownSeparator,
    kDisabledPictureMode,
    kEnabled,
    kFont,
    kForeColor,
    kForeColorHover,
    kHandPointer,
    kHWnd,
    kMaskColor,
    kMode,
    kMouseIcon,
    kMousePointer,
    kPictureNormal,
    kPictureHot,
    kPictureDown,
    kPictureAlign,
    kPictureShadow,
    kPictureEffectOnOver,
    kPictureEffectOnDown,
    kPicturePushOnHover,
    kPictureOpacity,
    kPictureOpacityOnOver,
    kRightToLeft,
    kCaptionEffects,
    kShowFocusRect,
    kUseMaskColor,
    kValue,
    kTooltipTitle,
    kToolTip,
    kTooltipBackColor,
    kToolTipIcon,
    kToolTipType,
    kColorScheme,
};
inline constexpr std::size_t kPropertyCount = 38;

enum class ValueType {
    kColor,  // 32-bit colour value
    kEnum,   // 32-bit signed integer, not validated
    kInt16,
    kByte,  // 0 to 255
    kBool,
    kString,
    kFont,
    kPicture,
    kHandle,  // read-only window handle
};

// Where a default value comes from when it is needed.
struct DefaultValue {
    enum class Kind {
        kNotStored,
        kFixed,              // fixed
        kSystemColor,        // the current value of system colour systemColor
        kDisplayName,        // the host's display name of the instance
        kAmbientFont,        // the host's ambient font
        kSurfaceFontTahoma,  // the surface's font with the face name "Tahoma"
    };
    Kind kind = Kind::kNotStored;
    host::PropertyValue fixed;
    int systemColor = 0;
};

// Where the stored value lives; monostate for what the surface holds.
using PropertyField =
    std::variant<std::monostate, std::int32_t ButtonProperties::*, bool ButtonProperties::*,
                 std::string ButtonProperties::*, host::Font ButtonProperties::*, host::PicturePtr ButtonProperties::*>;

struct PropertyInfo {
    PropertyId id;
    std::string_view name;
    ValueType type;
    std::string_view key;         // empty when not stored
    std::string_view reportName;  // the name its assignment reports under
    PropertyField field;
    DefaultValue newInstance;
    DefaultValue load;
    DefaultValue save;
};

// A value of the wrong kind or out of range for a property (the host's type
// mismatch and overflow errors), or an assignment to a read-only property.
class PropertyValueError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

[[nodiscard]] std::span<const PropertyInfo> AllProperties();
[[nodiscard]] const PropertyInfo& PropertyInfoOf(PropertyId id);
[[nodiscard]] const PropertyInfo* FindProperty(std::string_view name);
[[nodiscard]] std::span<const PropertyId> LoadOrder();
[[nodiscard]] std::span<const PropertyId> SaveOrder();

// Throws PropertyValueError naming the property (by its key when stored)
// when value does not fit it.
void CheckValue(const PropertyInfo& info, const host::PropertyValue& value);

// The value in (or into) properties' field for info; info must have one.
[[nodiscard]] host::PropertyValue ReadField(const ButtonProperties& properties, const PropertyInfo& info);
void WriteField(ButtonProperties& properties, const PropertyInfo& info, host::PropertyValue value);

}  // namespace quill::button
