#include "controls/button/PropertyTable.h"

#include <array>
#include <cstdint>
#include <limits>
#include <utility>

namespace quill::button {
namespace {

using P = ButtonProperties;
using Kind = DefaultValue::Kind;

DefaultValue Fixed(host::PropertyValue value) { return {Kind::kFixed, std::move(value), 0}; }
DefaultValue System(int index) { return {Kind::kSystemColor, {}, index}; }
DefaultValue Of(Kind kind) { return {kind, {}, 0}; }

// A row whose three defaults are one fixed value.
PropertyInfo Plain(PropertyId id, std::string_view name, ValueType type, PropertyField field,
                   host::PropertyValue value) {
    DefaultValue d = Fixed(std::move(value));
    return {id, name, type, name, name, field, d, d, d};
}

PropertyInfo Row(PropertyId id, std::string_view name, ValueType type, PropertyField field, DefaultValue newInstance,
                 DefaultValue load, DefaultValue save) {
    return {id, name, type, name, name, field, std::move(newInstance), std::move(load), std::move(save)};
}

const host::PicturePtr kNoPicture;
const std::string kEmpty;

std::array<PropertyInfo, kPropertyCount> MakeTable() {
    using enum PropertyId;
    using V = ValueType;
    const DefaultValue face = System(kColorButtonFace);
    const DefaultValue text = System(kColorButtonText);
    // A Caption equal to the save default is left out, and loading must then
    // give it back: so both defaults are the same text.
    const DefaultValue caption = Fixed(std::string("kestbutton"));
    PropertyInfo tooltipBackColor = Row(kTooltipBackColor, "TooltipBackColor", V::kColor, &P::tooltipBackColor,
                                        Fixed(0), System(kColorTooltipBack), System(kColorTooltipBack));
    tooltipBackColor.reportName = "TooltipBackcolor";
    PropertyInfo toolTipIcon = Plain(kToolTipIcon, "ToolTipIcon", V::kEnum, &P::toolTipIcon, 0);
    toolTipIcon.key = toolTipIcon.reportName = "TooltipIcon";
    PropertyInfo toolTipType = Plain(kToolTipType, "ToolTipType", V::kEnum, &P::toolTipType, 0);
    toolTipType.key = toolTipType.reportName = "TooltipType";

    return {{
        Row(kBackColor, "BackColor", V::kColor, &P::backColor, face, face, face),
        Row(kButtonStyle, "ButtonStyle", V::kEnum, &P::buttonStyle, Fixed(13), Fixed(1), Fixed(1)),
        Row(kCaption, "Caption", V::kString, &P::caption, Of(Kind::kDisplayName), caption, caption),
        Plain(kCaptionAlign, "CaptionAlign", V::kEnum, &P::captionAlign, 1),
        Plain(kDropDownSymbol, "DropDownSymbol", V::kEnum, &P::dropDownSymbol, 0),
        Plain(kDropDownSeparator, "DropDownSeparator", V::kBool, &P::dropDownSeparator, false),
        Plain(kDisabledPictureMode, "DisabledPictureMode", V::kEnum, &P::disabledPictureMode, 0),
        Plain(kEnabled, "Enabled", V::kBool, &P::enabled, true),
        Row(kFont, "Font", V::kFont, &P::font, Of(Kind::kSurfaceFontTahoma), Of(Kind::kAmbientFont),
            Of(Kind::kAmbientFont)),
        Row(kForeColor, "ForeColor", V::kColor, &P::foreColor, text, text, text),
        Row(kForeColorHover, "ForeColorHover", V::kColor, &P::foreColorHover, Fixed(0), text, text),
        Plain(kHandPointer, "HandPointer", V::kBool, &P::handPointer, false),
        {kHWnd, "hWnd", V::kHandle, "", "", std::monostate{}, {}, {}, {}},
        Plain(kMaskColor, "MaskColor", V::kColor, &P::maskColor, 0xE0E0E0),
        Plain(kMode, "Mode", V::kEnum, &P::mode, kModePush),
        Plain(kMouseIcon, "MouseIcon", V::kPicture, std::monostate{}, kNoPicture),
        Plain(kMousePointer, "MousePointer", V::kInt16, std::monostate{}, 0),
        Plain(kPictureNormal, "PictureNormal", V::kPicture, &P::pictureNormal, kNoPicture),
        Plain(kPictureHot, "PictureHot", V::kPicture, &P::pictureHot, kNoPicture),
        Plain(kPictureDown, "PictureDown", V::kPicture, &P::pictureDown, kNoPicture),
        Plain(kPictureAlign, "PictureAlign", V::kEnum, &P::pictureAlign, 1),
        Plain(kPictureShadow, "PictureShadow", V::kBool, &P::pictureShadow, false),
        Row(kPictureEffectOnOver, "PictureEffectOnOver", V::kEnum, &P::pictureEffectOnOver, Fixed(0), Fixed(1),
            Fixed(1)),
        Row(kPictureEffectOnDown, "PictureEffectOnDown", V::kEnum, &P::pictureEffectOnDown, Fixed(0), Fixed(2),
            Fixed(2)),
        Plain(kPicturePushOnHover, "PicturePushOnHover", V::kBool, &P::picturePushOnHover, false),
        Plain(kPictureOpacity, "PictureOpacity", V::kByte, &P::pictureOpacity, 255),
        Plain(kPictureOpacityOnOver, "PictureOpacityOnOver", V::kByte, &P::pictureOpacityOnOver, 255),
        Plain(kRightToLeft, "RightToLeft", V::kBool, &P::rightToLeft, false),
        // Saved against a text, which a number never equals: always written.
        Row(kCaptionEffects, "CaptionEffects", V::kEnum, &P::captionEffects, Fixed(0), Fixed(0), Fixed(kEmpty)),
        Plain(kShowFocusRect, "ShowFocusRect", V::kBool, &P::showFocusRect, false),
        Plain(kUseMaskColor, "UseMaskColor", V::kBool, &P::useMaskColor, true),
        Plain(kValue, "Value", V::kBool, &P::value, false),
        Plain(kTooltipTitle, "TooltipTitle", V::kString, &P::tooltipTitle, kEmpty),
        Plain(kToolTip, "ToolTip", V::kString, &P::toolTip, kEmpty),
        std::move(tooltipBackColor),
        std::move(toolTipIcon),
        std::move(toolTipType),
        Plain(kColorScheme, "ColorScheme", V::kEnum, &P::colorScheme, 0),
    }};
}

const std::array<PropertyInfo, kPropertyCount>& Table() {
    static const std::array<PropertyInfo, kPropertyCount> table = [] {
        auto t = MakeTable();
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (static_cast<std::size_t>(t[i].id) != i) throw std::logic_error("property table out of order");
        }
        return t;
    }();
    return table;
}

using enum PropertyId;

constexpr PropertyId kLoadOrder[] = {
    kButtonStyle,
    kShowFocusRect,
    kFont,
    kBackColor,
    kEnabled,
    kCaption,
    kValue,
    kMousePointer,
    kHandPointer,
    kMouseIcon,
    kPictureNormal,
    kPictureHot,
    kPictureDown,
    kPictureShadow,
    kPictureOpacity,
    kPictureOpacityOnOver,
    kDisabledPictureMode,
    kPicturePushOnHover,
    kPictureEffectOnOver,
    kPictureEffectOnDown,
    kMaskColor,
    kUseMaskColor,
    kCaptionEffects,
    kMode,
    kPictureAlign,
    kCaptionAlign,
    kForeColor,
    kForeColorHover,
    kDropDownSeparator,
    kTooltipTitle,
    kToolTip,
    kToolTipIcon,
    kToolTipType,
    kTooltipBackColor,
    kRightToLeft,
    kDropDownSymbol,
    kColorScheme,
};

constexpr PropertyId kSaveOrder[] = {
    kButtonStyle,
    kShowFocusRect,
    kEnabled,
    kFont,
    kBackColor,
    kCaption,
    kForeColor,
    kForeColorHover,
    kMode,
    kValue,
    kMousePointer,
    kHandPointer,
    kMouseIcon,
    kPictureNormal,
    kPictureHot,
    kPictureDown,
    kPictureAlign,
    kPictureEffectOnOver,
    kPictureEffectOnDown,
    kPicturePushOnHover,
    kPictureShadow,
    kPictureOpacity,
    kPictureOpacityOnOver,
    kDisabledPictureMode,
    kCaptionEffects,
    kUseMaskColor,
    kMaskColor,
    kCaptionAlign,
    kToolTip,
    kToolTipType,
    kToolTipIcon,
    kTooltipTitle,
    kTooltipBackColor,
    kRightToLeft,
    kDropDownSymbol,
    kDropDownSeparator,
    kColorScheme,
};

std::string Describe(const PropertyInfo& info) { return std::string(info.key.empty() ? info.name : info.key); }

}  // namespace

std::span<const PropertyInfo> AllProperties() { return Table(); }

const PropertyInfo& PropertyInfoOf(PropertyId id) { return Table().at(static_cast<std::size_t>(id)); }

const PropertyInfo* FindProperty(std::string_view name) {
    for (const PropertyInfo& info : Table()) {
        if (info.name == name) return &info;
    }
    return nullptr;
}

std::span<const PropertyId> LoadOrder() { return kLoadOrder; }
std::span<const PropertyId> SaveOrder() { return kSaveOrder; }

void CheckValue(const PropertyInfo& info, const host::PropertyValue& value) {
    auto wrongKind = [&](std::string_view expected) {
        throw PropertyValueError(Describe(info) + ": " + std::string(host::KindName(value)) + " where " +
                                 std::string(expected) + " was expected");
    };
    switch (info.type) {
        case ValueType::kHandle:
            throw PropertyValueError(Describe(info) + " is read-only");
        case ValueType::kBool:
            if (!std::holds_alternative<bool>(value)) wrongKind("a boolean");
            return;
        case ValueType::kString:
            if (!std::holds_alternative<std::string>(value)) wrongKind("a text");
            return;
        case ValueType::kFont:
            if (!std::holds_alternative<host::Font>(value)) wrongKind("a font");
            return;
        case ValueType::kPicture:
            if (!std::holds_alternative<host::PicturePtr>(value)) wrongKind("a picture");
            return;
        case ValueType::kColor:
        case ValueType::kEnum:
        case ValueType::kInt16:
        case ValueType::kByte:
            break;
    }
    const std::int32_t* n = std::get_if<std::int32_t>(&value);
    if (n == nullptr) wrongKind("a number");
    bool inRange = info.type == ValueType::kByte    ? (*n >= 0 && *n <= 255)
                   : info.type == ValueType::kInt16 ? (*n >= std::numeric_limits<std::int16_t>::min() &&
                                                       *n <= std::numeric_limits<std::int16_t>::max())
                                                    : true;
    if (!inRange) throw PropertyValueError(Describe(info) + ": " + std::to_string(*n) + " is out of range");
}

host::PropertyValue ReadField(const ButtonProperties& properties, const PropertyInfo& info) {
    return std::visit(
        [&](auto member) -> host::PropertyValue {
            if constexpr (std::is_same_v<decltype(member), std::monostate>) {
                throw std::logic_error(Describe(info) + " is held by the control surface");
            } else {
                return properties.*member;
            }
        },
        info.field);
}

void WriteField(ButtonProperties& properties, const PropertyInfo& info, host::PropertyValue value) {
    std::visit(
        [&](auto member) {
            if constexpr (std::is_same_v<decltype(member), std::monostate>) {
                throw std::logic_error(Describe(info) + " is held by the control surface");
            } else {
                using T = std::remove_reference_t<decltype(properties.*member)>;
                properties.*member = std::get<T>(std::move(value));
            }
        },
        info.field);
}

}  // namespace quill::button
