// The kestbutton model on a fake host: assignments and their effects, a new
// instance, saving and loading, the life cycle, events and methods.
#include "ButtonFakes.h"
#include "controls/button/AccessKey.h"
#include "controls/button/Kestbutton.h"
#include "controls/host/DesignValues.h"
#include "controls/host/PropertyBag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace quill::button {
namespace {

using enum PropertyId;
using test::ButtonUnderTest;
using test::FakeSystemColors;
using test::Log;

host::PicturePtr APicture() { return std::make_shared<test::FakePicture>(host::PictureSource{{}, 7}); }

// A bag that holds nothing and logs every key read or written, in order.
class KeyLoggingBag final : public host::PropertyBag {
  public:
    host::PropertyValue Read(std::string_view key, const host::PropertyValue& fallback) const override {
        keys.emplace_back(key);
        return fallback;
    }
    void Write(std::string_view key, const host::PropertyValue&, const host::PropertyValue&) override {
        keys.emplace_back(key);
    }
    mutable std::vector<std::string> keys;
};

TEST(KestbuttonAssignment, EffectsComeInTheirOrder) {
    using Setup = std::function<void(Kestbutton&)>;
    const Setup none = [](Kestbutton&) {};
    const Setup withPicture = [](Kestbutton& b) { b.Set(kPictureNormal, APicture()); };
    const Setup checkMode = [](Kestbutton& b) { b.Set(kMode, kModeCheck); };
    struct Case {
        const char* what;
        PropertyId id;
        host::PropertyValue value;
        Setup setup;
        Log effects;
    };
    const Case cases[] = {
        {"colour", kBackColor, 0x123456, none, {"Redraw", "report BackColor"}},
        {"style", kButtonStyle, 9, none, {"UpdateRegion", "Redraw", "report ButtonStyle"}},
        {"caption", kCaption, std::string("E&xit"), none, {"SetAccessKeys x", "Redraw", "report Caption"}},
        {"scheme", kColorScheme, 1, none, {"Redraw", "report ColorScheme"}},
        {"face only", kCaptionEffects, 2, none, {"Redraw", "report CaptionEffects"}},
        {"enabled", kEnabled, false, none, {"SetEnabled 0", "Redraw", "report Enabled"}},
        {"font",
         kFont,
         host::Font{"Arial", 12},
         none,
         {"Refresh", "Redraw", "SetSurfaceFont Arial", "Refresh", "Redraw", "report Font"}},
        {"fore colour", kForeColor, 0x0000FF, none, {"SetForeColor 255", "Redraw", "report ForeColor"}},
        {"hand", kHandPointer, true, none, {"SetMousePointer 0", "LoadHandCursor", "Redraw", "report HandPointer"}},
        {"mode", kMode, kModeOption, none, {"Redraw", "report Value", "report Mode"}},
        {"mouse icon",
         kMouseIcon,
         APicture(),
         none,
         {"SetMouseIcon icon", "report HandPointer", "SetMousePointer 99", "report MouseIcon"}},
        {"no mouse icon",
         kMouseIcon,
         host::PicturePtr{},
         none,
         {"SetMouseIcon none", "SetMousePointer 0", "report MouseIcon"}},
        {"pointer", kMousePointer, 99, none, {"SetMousePointer 99", "report MousePointer"}},
        {"first picture", kPictureNormal, APicture(), none, {"Redraw", "report PictureNormal"}},
        {"no picture",
         kPictureNormal,
         host::PicturePtr{},
         withPicture,
         {"UpdateRegion", "Redraw", "report PictureHot", "report PictureDown"}},
        {"hot, no normal", kPictureHot, APicture(), none, {"report PictureNormal"}},
        {"hot", kPictureHot, APicture(), withPicture, {"report PictureHot", "Redraw"}},
        {"align, no picture", kPictureAlign, 5, none, {"report PictureAlign"}},
        {"align", kPictureAlign, 5, withPicture, {"Redraw", "report PictureAlign"}},
        {"right to left", kRightToLeft, true, none, {"Redraw", "report RightToLeft"}},
        {"focus rectangle", kShowFocusRect, true, none, {"report ShowFocusRect"}},
        {"value, push", kValue, true, none, {"Redraw"}},
        {"value, check", kValue, true, checkMode, {"Redraw", "report Value"}},
        {"tooltip colour", kTooltipBackColor, 1, none, {"Redraw", "report TooltipBackcolor"}},
        {"tooltip icon", kToolTipIcon, 1, none, {"Redraw", "report TooltipIcon"}},
        {"tooltip type", kToolTipType, 1, none, {"Redraw", "report TooltipType"}},
    };
    for (const Case& c : cases) {
        auto b = ButtonUnderTest::New();
        c.setup(*b->button);
        b->log.clear();
        b->button->Set(c.id, c.value);
        EXPECT_EQ(b->log, c.effects) << c.what;
    }
}

TEST(KestbuttonAssignment, LeavesTheStateEachAssignmentPromises) {
    struct Case {
        const char* what;
        std::function<void(Kestbutton&, test::FakeSite&, test::RecordingPlatform&)> act;
        std::function<bool(const ButtonProperties&, const Kestbutton&)> holds;
    };
    const Case cases[] = {
        {"a hot picture without a normal one becomes the normal one",
         [](Kestbutton& b, auto&, auto&) { b.Set(kPictureHot, APicture()); },
         [](const ButtonProperties& p, auto&) { return p.pictureNormal && !p.pictureHot; }},
        {"clearing the normal picture clears hot and down",
         [](Kestbutton& b, auto&, auto&) {
             for (PropertyId id : {kPictureNormal, kPictureHot, kPictureDown}) b.Set(id, APicture());
             b.Set(kPictureNormal, host::PicturePtr{});
         },
         [](const ButtonProperties& p, auto&) { return !p.pictureNormal && !p.pictureHot && !p.pictureDown; }},
        {"a push button keeps Value false", [](Kestbutton& b, auto&, auto&) { b.Set(kValue, true); },
         [](const ButtonProperties& p, auto&) { return !p.value; }},
        {"a check button takes Value",
         [](Kestbutton& b, auto&, auto&) {
             b.Set(kMode, kModeCheck);
             b.Set(kValue, true);
         },
         [](const ButtonProperties& p, auto&) { return p.value; }},
        {"BackColor on style 4 keeps the scheme",
         [](Kestbutton& b, auto&, auto&) {
             b.Set(kButtonStyle, 4);
             b.Set(kBackColor, 0x123456);
         },
         [](const ButtonProperties& p, auto&) { return p.colorScheme == 0 && p.backColor == 0x123456; }},
        {"BackColor on another style makes the scheme the user's",
         [](Kestbutton& b, auto&, auto&) {
             b.Set(kButtonStyle, 8);
             b.Set(kBackColor, 0x123456);
         },
         [](const ButtonProperties& p, auto&) { return p.colorScheme == 3; }},
        {"style 9 on a new control brings its scheme", [](Kestbutton& b, auto&, auto&) { b.Set(kButtonStyle, 9); },
         [](const ButtonProperties& p, auto&) {
             return p.colorScheme == 2 && p.backColor == 0xE1D6D5 && p.showFocusRect;
         }},
        {"style 4 turns PicturePushOnHover on for good",
         [](Kestbutton& b, auto&, auto&) {
             b.Set(kButtonStyle, 4);
             b.Set(kButtonStyle, 2);
         },
         [](const ButtonProperties& p, auto&) { return p.picturePushOnHover; }},
        {"HandPointer stays false without the hand cursor",
         [](Kestbutton& b, auto&, test::RecordingPlatform& platform) {
             platform.handCursorLoads = false;
             b.Set(kHandPointer, true);
         },
         [](const ButtonProperties& p, auto&) { return !p.handPointer; }},
        {"a mouse icon turns HandPointer off",
         [](Kestbutton& b, auto&, auto&) {
             b.Set(kHandPointer, true);
             b.Set(kMouseIcon, APicture());
         },
         [](const ButtonProperties& p, auto&) { return !p.handPointer; }},
        {"push mode shows the normal state again",
         [](Kestbutton& b, auto&, auto&) {
             b.Input().drawState = kDrawDown;
             b.Set(kMode, kModePush);
         },
         [](auto&, const Kestbutton& b) { return b.Input().drawState == kDrawNormal; }},
        {"RightToLeft serves the tooltip too", [](Kestbutton& b, auto&, auto&) { b.Set(kRightToLeft, true); },
         [](const ButtonProperties& p, auto&) { return p.tooltipRightToLeft; }},
    };
    for (const Case& c : cases) {
        auto b = ButtonUnderTest::New();
        c.act(*b->button, b->site, *b->platform);
        EXPECT_TRUE(c.holds(b->button->Properties(), *b->button)) << c.what;
    }
}

TEST(KestbuttonAssignment, ValuesThatDoNotFitAreRefusedAndChangeNothing) {
    struct Case {
        PropertyId id;
        host::PropertyValue value;
    };
    const Case cases[] = {{kCaption, 5},
                          {kEnabled, 1},
                          {kPictureOpacity, 256},
                          {kPictureOpacity, -1},
                          {kMousePointer, 40000},
                          {kFont, std::string("Tahoma")},
                          {kHWnd, 1},
                          {kPictureNormal, false}};
    for (const Case& c : cases) {
        auto b = ButtonUnderTest::New();
        host::PropertyValue before = b->button->Get(c.id);
        EXPECT_THROW(b->button->Set(c.id, c.value), PropertyValueError) << PropertyInfoOf(c.id).name;
        EXPECT_EQ(b->button->Get(c.id), before);
        EXPECT_TRUE(b->log.empty());
    }
}

TEST(KestbuttonAssignment, HostErrorsEndTheAssignmentButMouseIconGoesOn) {
    auto b = ButtonUnderTest::New();
    b->site.failing = "SetEnabled";
    EXPECT_THROW(b->button->Set(kEnabled, false), std::runtime_error);
    EXPECT_FALSE(b->button->Properties().enabled);  // stored before the failing step
    EXPECT_TRUE(b->log.empty());                    // no redraw, no report

    b->site.failing = "SetMouseIcon";
    b->button->Set(kMouseIcon, APicture());
    EXPECT_EQ(b->log, (Log{"report HandPointer", "SetMousePointer 99", "report MouseIcon"}));
}

TEST(KestbuttonNewInstance, StartsWithTheNewInstanceValues) {
    ButtonUnderTest b;
    b.button->InitProperties();
    const ButtonProperties& p = b.button->Properties();
    EXPECT_EQ(p.caption, "kestbutton1");
    EXPECT_EQ(p.buttonStyle, 13);
    EXPECT_EQ(p.colorScheme, 0);
    EXPECT_EQ(p.backColor, FakeSystemColors::kFace);
    EXPECT_EQ(p.foreColor, FakeSystemColors::kText);
    EXPECT_FALSE(p.showFocusRect);  // the scheme of style 13
    EXPECT_TRUE(p.enabled && p.useMaskColor);
    EXPECT_EQ(p.font, (host::Font{"Tahoma", 8.25}));
    EXPECT_EQ(b.site.font.name, "Tahoma");
    EXPECT_EQ(p.maskColor, 0xE0E0E0);
    EXPECT_EQ(p.pictureOpacity + p.pictureOpacityOnOver, 510);
    EXPECT_EQ(p.pictureAlign + p.captionAlign, 2);
    EXPECT_EQ(p.foreColorHover + p.tooltipBackColor + p.pictureEffectOnOver + p.pictureEffectOnDown, 0);
    EXPECT_EQ(b.button->RememberedClientWidth(), 1335 / 15);
    EXPECT_EQ(b.log.back(), "Refresh");
}

TEST(KestbuttonStorage, FirstSaveWritesWhatDiffersFromTheSaveDefaults) {
    auto b = ButtonUnderTest::New();
    host::MemoryPropertyBag bag;
    b->button->WriteProperties(bag);
    std::vector<std::string> keys;
    for (const auto& entry : bag.Entries()) keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"ButtonStyle", "Font", "Caption", "ForeColorHover", "PictureEffectOnOver",
                                              "PictureEffectOnDown", "CaptionEffects", "TooltipBackColor"}));
    EXPECT_EQ(*bag.Find("CaptionEffects"), host::PropertyValue(0));
}

// Every stored property set away from its defaults comes back after a save
// and a load, directly and through the stored text.
TEST(KestbuttonStorage, SaveAndLoadRoundTripEveryProperty) {
    test::FakePictureLoader pictures;
    auto picture = [&](std::int32_t id) { return pictures.Load({host::PictureSource::Kind::kIcon, id}); };
    auto source = ButtonUnderTest::New();
    Kestbutton& b = *source->button;
    b.Set(kMode, kModeCheck);
    const std::pair<PropertyId, host::PropertyValue> values[] = {
        {kButtonStyle, 8},
        {kBackColor, 0xFFD1AD},
        {kCaption, std::string("Convert &Messages")},
        {kCaptionAlign, 2},
        {kDropDownSymbol, 6},
        {kDropDownSeparator, true},
        {kDisabledPictureMode, 1},
        {kEnabled, false},
        {kFont, host::Font{"Tahoma", 14.25, 700, true, true, true, 1}},
        {kForeColor, 0x000080},
        {kForeColorHover, 0x0000FF},
        {kHandPointer, true},
        {kMaskColor, 0x00FF00},
        {kMousePointer, 3},
        {kPictureNormal, picture(101)},
        {kPictureHot, picture(102)},
        {kPictureDown, picture(103)},
        {kPictureAlign, 7},
        {kPictureShadow, true},
        {kPictureEffectOnOver, 2},
        {kPictureEffectOnDown, 1},
        {kPicturePushOnHover, true},
        {kPictureOpacity, 128},
        {kPictureOpacityOnOver, 200},
        {kRightToLeft, true},
        {kCaptionEffects, 5},
        {kShowFocusRect, true},
        {kUseMaskColor, false},
        {kValue, true},
        {kTooltipTitle, std::string("Title")},
        {kToolTip, std::string("Line one\nline two")},
        {kTooltipBackColor, SystemColor(5)},
        {kToolTipIcon, 2},
        {kToolTipType, 1},
        {kColorScheme, 2},
        {kMouseIcon, picture(104)},  // last: it turns HandPointer off
    };
    for (const auto& [id, value] : values) b.Set(id, value);
    host::MemoryPropertyBag saved;
    b.WriteProperties(saved);

    host::FormDesign form{{{"CmdImportMessages", "kestbutton", saved}}};
    host::FormDesign reread = host::ParseDesignValues(host::WriteDesignValues(form), "round trip", pictures);
    ASSERT_EQ(reread, form);

    ButtonUnderTest loaded;
    loaded.button->ReadProperties(reread.controls[0].properties);
    for (const PropertyInfo& info : AllProperties()) {
        if (info.key.empty()) continue;
        EXPECT_EQ(loaded.button->Get(info.id), b.Get(info.id)) << info.key;
    }
    EXPECT_TRUE(loaded.button->Properties().tooltipRightToLeft);  // the tooltip's layout comes back too
    host::MemoryPropertyBag savedAgain;
    loaded.button->WriteProperties(savedAgain);
    EXPECT_EQ(savedAgain, saved);
}

// Both Caption defaults are "kestbutton": a caption equal to them is left
// out when saving and comes back when loading.
TEST(KestbuttonStorage, CaptionEqualToItsDefaultSurvivesSaveAndLoad) {
    for (const char* caption : {"kestbutton", "kestbutton1", ""}) {
        auto source = ButtonUnderTest::New();
        source->button->Set(kCaption, std::string(caption));
        host::MemoryPropertyBag bag;
        source->button->WriteProperties(bag);
        ButtonUnderTest loaded;
        loaded.button->ReadProperties(bag);
        EXPECT_EQ(loaded.button->Properties().caption, caption);
    }
}

TEST(KestbuttonStorage, KeysAreReadAndWrittenInTheirOrder) {
    const std::vector<std::string> loadOrder = {"ButtonStyle",
                                                "ShowFocusRect",
                                                "Font",
                                                "BackColor",
                                                "Enabled",
                                                "Caption",
                                                "Value",
                                                "MousePointer",
                                                "HandPointer",
                                                "MouseIcon",
                                                "PictureNormal",
                                                "PictureHot",
                                                "PictureDown",
                                                "PictureShadow",
                                                "PictureOpacity",
                                                "PictureOpacityOnOver",
                                                "DisabledPictureMode",
                                                "PicturePushOnHover",
                                                "PictureEffectOnOver",
                                                "PictureEffectOnDown",
                                                "MaskColor",
                                                "UseMaskColor",
                                                "CaptionEffects",
                                                "Mode",
                                                "PictureAlign",
                                                "CaptionAlign",
                                                "ForeColor",
                                                "ForeColorHover",
                                                "DropDownSeparator",
                                                "TooltipTitle",
                                                "ToolTip",
                                                "TooltipIcon",
                                                "TooltipType",
                                                "TooltipBackColor",
                                                "RightToLeft",
                                                "RightToLeft",
                                                "DropDownSymbol",
                                                "ColorScheme"};
    const std::vector<std::string> saveOrder = {"ButtonStyle",
                                                "ShowFocusRect",
                                                "Enabled",
                                                "Font",
                                                "BackColor",
                                                "Caption",
                                                "ForeColor",
                                                "ForeColorHover",
                                                "Mode",
                                                "Value",
                                                "MousePointer",
                                                "HandPointer",
                                                "MouseIcon",
                                                "PictureNormal",
                                                "PictureHot",
                                                "PictureDown",
                                                "PictureAlign",
                                                "PictureEffectOnOver",
                                                "PictureEffectOnDown",
                                                "PicturePushOnHover",
                                                "PictureShadow",
                                                "PictureOpacity",
                                                "PictureOpacityOnOver",
                                                "DisabledPictureMode",
                                                "CaptionEffects",
                                                "UseMaskColor",
                                                "MaskColor",
                                                "CaptionAlign",
                                                "ToolTip",
                                                "TooltipType",
                                                "TooltipIcon",
                                                "TooltipTitle",
                                                "TooltipBackColor",
                                                "RightToLeft",
                                                "DropDownSymbol",
                                                "DropDownSeparator",
                                                "ColorScheme"};

    ButtonUnderTest b;
    KeyLoggingBag reading;
    b.button->ReadProperties(reading);
    EXPECT_EQ(reading.keys, loadOrder);
    KeyLoggingBag writing;
    b.button->WriteProperties(writing);
    EXPECT_EQ(writing.keys, saveOrder);
}

TEST(KestbuttonStorage, LoadingSetsUpTheSurfaceWithoutApplyingASchemeOrRoutingInADesigner) {
    for (bool runMode : {true, false}) {
        ButtonUnderTest b;
        b.site.userMode = runMode;
        b.site.widthTwips = b.site.heightTwips = 100;
        b.platform->handCursorLoads = false;
        host::MemoryPropertyBag bag;
        bag.Set("ButtonStyle", 9);  // scheme 2 would bring 0xE1D6D5
        bag.Set("BackColor", 0x00FF00);
        bag.Set("Caption", std::string("&Browse"));
        bag.Set("Enabled", false);
        bag.Set("HandPointer", true);
        bag.Set("ForeColor", 0x000080);
        b.button->ReadProperties(bag);
        const ButtonProperties& p = b.button->Properties();
        EXPECT_EQ(p.backColor, 0x00FF00);
        EXPECT_EQ(p.colorScheme, 0);
        EXPECT_FALSE(p.handPointer);
        EXPECT_EQ(b.site.accessKeys, "b");
        EXPECT_FALSE(b.site.enabled);
        EXPECT_EQ(b.site.foreColor, 0x000080);
        EXPECT_EQ(b.site.font, b.site.ambientFont);
        EXPECT_EQ(b.site.widthTwips, Kestbutton::kMinimumTwips);
        EXPECT_EQ(b.site.heightTwips, Kestbutton::kMinimumTwips);
        EXPECT_EQ(b.button->ParentWindow(), 0x42u);
        EXPECT_EQ(std::count(b.log.begin(), b.log.end(), "StartRouting"), runMode ? 1 : 0);
    }
}

TEST(KestbuttonStorage, StoredValuesOfTheWrongKindAreReportedByKey) {
    struct Case {
        const char* key;
        host::PropertyValue value;
    };
    for (const Case& c : {Case{"Caption", 5}, {"TooltipIcon", std::string("1")}, {"PictureOpacity", 300}}) {
        ButtonUnderTest b;
        host::MemoryPropertyBag bag;
        bag.Set(c.key, c.value);
        try {
            b.button->ReadProperties(bag);
            ADD_FAILURE() << c.key << " was accepted";
        } catch (const PropertyValueError& e) {
            EXPECT_NE(std::string(e.what()).find(c.key), std::string::npos) << e.what();
        }
    }
}

TEST(KestbuttonLifecycle, ShowHideAmbientAndEnd) {
    auto b = ButtonUnderTest::New();
    b->button->Set(kToolTip, std::string("Convert"));
    b->button->Show();
    EXPECT_EQ(b->site.toolTipText, "");
    b->button->Hide();
    EXPECT_EQ(b->site.toolTipText, "Convert");

    b->site.displayAsDefault = true;
    for (const char* ambient : {"DisplayAsDefault", "BackColor", "Font"}) {
        b->log.clear();
        b->button->AmbientChanged(ambient);
        EXPECT_TRUE(b->button->DisplayAsDefault());
        EXPECT_EQ(b->log.size(), std::string(ambient) == "Font" ? 0u : 1u) << ambient;
    }

    b->button->SetPopupMenu(0x77, 1, 32, 5);
    EXPECT_TRUE(b->button->Menu().attached);
    b->platform->routingFails = true;
    b->log.clear();
    b->button->Terminate();  // a failing routing removal is passed over
    EXPECT_FALSE(b->button->Menu().attached);
    EXPECT_EQ(b->log, (Log{"DestroyToolTip", "StopRouting"}));
}

TEST(KestbuttonEvents, ReachTheFormWithTheirIdentifiersAndArguments) {
    struct Case {
        ButtonEvent event;
        const char* name;
        std::int32_t id;
        std::vector<host::EventArgument> arguments;
    };
    const std::vector<host::EventArgument> mouse = {std::int16_t{1}, std::int16_t{2}, 3.5f, 4.5f};
    const std::vector<host::EventArgument> key = {std::int16_t{13}, std::int16_t{0}};
    const Case cases[] = {{ButtonEvent::kClick, "Click", -600, {}},
                          {ButtonEvent::kDblClick, "DblClick", -601, {}},
                          {ButtonEvent::kMouseEnter, "MouseEnter", 1, {}},
                          {ButtonEvent::kMouseLeave, "MouseLeave", 2, {}},
                          {ButtonEvent::kMouseMove, "MouseMove", -606, mouse},
                          {ButtonEvent::kMouseUp, "MouseUp", -607, mouse},
                          {ButtonEvent::kMouseDown, "MouseDown", -605, mouse},
                          {ButtonEvent::kKeyDown, "KeyDown", -602, key},
                          {ButtonEvent::kKeyUp, "KeyUp", -604, key},
                          {ButtonEvent::kKeyPress, "KeyPress", -603, {std::int16_t{97}}}};
    for (const Case& c : cases) {
        auto b = ButtonUnderTest::New();
        b->button->RaiseEvent(c.event, c.arguments);
        ASSERT_EQ(b->site.events.size(), 1u);
        EXPECT_EQ(b->site.events[0].name, c.name);
        EXPECT_EQ(b->site.events[0].dispatchId, c.id);
        EXPECT_EQ(b->site.events[0].arguments, c.arguments);
        EXPECT_THROW(b->button->RaiseEvent(c.event, {std::int16_t{1}, std::int16_t{1}, std::int16_t{1}}),
                     std::invalid_argument);
    }
}

TEST(KestbuttonMethods, AboutAndOpenWebsiteAskThePlatformWithTheSurfaceAsOwner) {
    auto b = ButtonUnderTest::New();
    b->button->About();
    b->button->OpenWebsite("https://example.org/");
    EXPECT_EQ(b->log, (Log{"ShowInformation 4660 About: KestButton v 1.02", "OpenDocument 4660 https://example.org/"}));
}

TEST(AccessKey, FirstMarkedCharacterPassingOneLiteralPair) {
    struct Case {
        const char* caption;
        const char* key;
    };
    for (Case c : {Case{"Save && E&xit", "x"},
                   {"Fish && Chips", ""},
                   {"&", ""},
                   {"a&&b&&c&d", ""},
                   {"&Browse", "b"},
                   {"Brow&", ""},
                   {"&&", ""},
                   {"x&&&y", "y"},
                   {"x&&y&", ""},
                   {"&\xC3\x89t\xC3\xA9", "\xC3\x89"},
                   {"", ""}}) {
        EXPECT_EQ(AccessKeyOf(c.caption), c.key) << c.caption;
    }
}

}  // namespace
}  // namespace quill::button
