#pragma once
// A host site, a platform and pictures that write what is done to them into
// one log, so a test can check both what a control did and in which order.

#include "controls/button/ButtonPlatform.h"
#include "controls/button/Kestbutton.h"
#include "controls/host/ControlSite.h"

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill::test {

using Log = std::vector<std::string>;

class FakePicture final : public host::Picture {
  public:
    explicit FakePicture(std::optional<host::PictureSource> source = std::nullopt) : source_(source) {}
    host::PictureType Type() const override { return host::PictureType::kIcon; }
    host::NativeHandle Handle() const override { return 0; }
    std::int32_t Width() const override { return 16; }
    std::int32_t Height() const override { return 16; }
    std::optional<host::PictureSource> Source() const override { return source_; }

  private:
    std::optional<host::PictureSource> source_;
};

// One picture object per source, so values read twice compare equal.
class FakePictureLoader final : public host::PictureLoader {
  public:
    host::PicturePtr Load(const host::PictureSource& source) override {
        if (source.id == kMissing) throw std::runtime_error("no such resource");
        auto key = std::pair(static_cast<int>(source.kind), source.id);
        auto& picture = loaded_[key];
        if (!picture) picture = std::make_shared<FakePicture>(source);
        return picture;
    }
    static constexpr std::int32_t kMissing = 404;

  private:
    std::map<std::pair<int, std::int32_t>, host::PicturePtr> loaded_;
};

// The system colours of the fake platform: distinct values for the ones the
// button names, a pattern for the rest, none past 30.
class FakeSystemColors final : public button::SystemColorSource {
  public:
    static constexpr button::Color kFace = 0xD8E9EC;
    static constexpr button::Color kText = 0x101010;
    static constexpr button::Color kTooltip = 0xE1FFFF;

    std::optional<button::Color> SystemColorValue(int index) const override {
        switch (index) {
            case button::kColorButtonFace:
                return kFace;
            case button::kColorButtonText:
                return kText;
            case button::kColorTooltipBack:
                return kTooltip;
            default:
                return index <= 30 ? std::optional<button::Color>(index * 0x010101) : std::nullopt;
        }
    }
};

class FakeSite final : public host::ControlSite {
  public:
    explicit FakeSite(Log& log) : log_(log) {}

    // The operation named here ("SetEnabled", ...) throws.
    std::string failing;
    std::int32_t widthTwips = 1335;
    std::int32_t heightTwips = 375;
    bool enabled = true;
    host::Font font{"MS Sans Serif", 8.25};
    host::Font ambientFont{"Verdana", 9};
    std::int32_t foreColor = 0;
    std::int16_t pointer = 0;
    host::PicturePtr icon;
    std::string accessKeys;
    std::string toolTipText = "host tip";
    bool userMode = true;
    bool displayAsDefault = false;
    host::NativeHandle window = 0x1234;
    host::NativeHandle container = 0x99;

    host::NativeHandle Window() const override { return window; }
    host::NativeHandle DeviceContext() const override { return 0; }
    std::int32_t ScaleWidth() const override { return widthTwips / 15; }
    std::int32_t ScaleHeight() const override { return heightTwips / 15; }
    std::int32_t Width() const override { return widthTwips; }
    std::int32_t Height() const override { return heightTwips; }
    void SetWidth(std::int32_t twips) override {
        Note("SetWidth", std::to_string(twips));
        widthTwips = twips;
    }
    void SetHeight(std::int32_t twips) override {
        Note("SetHeight", std::to_string(twips));
        heightTwips = twips;
    }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool on) override {
        Note("SetEnabled", on ? "1" : "0");
        enabled = on;
    }
    const host::Font& SurfaceFont() const override { return font; }
    void SetSurfaceFont(const host::Font& f) override {
        Note("SetSurfaceFont", f.name);
        font = f;
    }
    std::int32_t ForeColor() const override { return foreColor; }
    void SetForeColor(std::int32_t c) override {
        Note("SetForeColor", std::to_string(c));
        foreColor = c;
    }
    std::int16_t MousePointer() const override { return pointer; }
    void SetMousePointer(std::int16_t p) override {
        Note("SetMousePointer", std::to_string(p));
        pointer = p;
    }
    host::PicturePtr MouseIcon() const override { return icon; }
    void SetMouseIcon(host::PicturePtr p) override {
        Note("SetMouseIcon", p ? "icon" : "none");
        icon = p;
    }
    std::string AccessKeys() const override { return accessKeys; }
    void SetAccessKeys(std::string keys) override {
        Note("SetAccessKeys", keys);
        accessKeys = keys;
    }
    host::NativeHandle ContainerWindow() const override { return container; }
    std::int32_t SurfaceBackColor() const override { return 0xFFFFFF; }
    void SetSurfaceBackColor(std::int32_t) override { Note("SetSurfaceBackColor"); }
    void Clear() override { Note("Clear"); }
    void Refresh() override { Note("Refresh"); }

    std::string AmbientDisplayName() const override { return "kestbutton1"; }
    host::Font AmbientFont() const override { return ambientFont; }
    std::int32_t AmbientBackColor() const override { return 0xFFFFFF; }
    bool AmbientDisplayAsDefault() const override { return displayAsDefault; }
    bool AmbientUserMode() const override { return userMode; }

    std::string ExtenderToolTipText() const override { return toolTipText; }
    void SetExtenderToolTipText(std::string text) override { toolTipText = text; }

    host::NativeHandle ParentWindow() const override { return 0x42; }
    bool ParentIsMdiChild() const override { return false; }
    std::vector<host::FormControl> ParentControls() const override { return controls; }

    void PropertyChanged(std::string_view name) override { Note("report", std::string(name)); }
    void RaiseEvent(const host::ControlEvent& event) override {
        Note("event", std::string(event.name));
        events.push_back(event);
        if (whileEvent) whileEvent(event);
    }
    void ShowPopupMenu(host::NativeHandle menu, float x, float y, std::int32_t flags,
                       std::optional<std::uint32_t> defaultItem) override {
        Note("ShowPopupMenu", std::to_string(menu) + " " + std::to_string(static_cast<int>(x)) + " " +
                                  std::to_string(static_cast<int>(y)) + " " + std::to_string(flags) + " " +
                                  (defaultItem ? std::to_string(*defaultItem) : "-"));
        if (whileMenuShows) whileMenuShows();
    }
    void ProcessPendingEvents() override {
        Note("ProcessPendingEvents");
        if (whilePending) whilePending();
    }

    std::vector<host::ControlEvent> events;
    // The parent form's Controls collection.
    std::vector<host::FormControl> controls;
    // Run inside the modal menu and inside the pending events: what the form
    // does meanwhile.
    std::function<void()> whileMenuShows;
    std::function<void()> whilePending;
    // The form's handler of every event.
    std::function<void(const host::ControlEvent&)> whileEvent;

  private:
    void Note(const std::string& what, const std::string& detail = {}) const {
        if (what == failing) throw std::runtime_error(what + " failed");
        log_.push_back(detail.empty() ? what : what + " " + detail);
    }
    Log& log_;
};

class RecordingPlatform final : public button::ButtonPlatform {
  public:
    explicit RecordingPlatform(Log& log) : log_(log) {}

    bool handCursorLoads = true;
    bool routingFails = false;
    bool cursorOver = false;  // the window under the cursor is the button's
    bool visualStyles = true;
    std::vector<button::ToolTipSetup> toolTips;

    button::Color TranslateColor(button::Color value) const override {
        return button::TranslateColor(value, systemColors_);
    }
    bool IsUnicodePlatform() const override { return true; }
    void Redraw(button::Kestbutton&) override { log_.push_back("Redraw"); }
    bool VisualStylesActive() override { return visualStyles; }
    void UpdateRegion(button::Kestbutton&) override { log_.push_back("UpdateRegion"); }
    void StartRouting(button::Kestbutton&) override {
        log_.push_back("StartRouting");
        if (routingFails) throw std::runtime_error("no routing");
    }
    void StopRouting(button::Kestbutton&) override {
        log_.push_back("StopRouting");
        if (routingFails) throw std::runtime_error("no routing");
    }
    bool LoadHandCursor() override {
        log_.push_back("LoadHandCursor");
        return handCursorLoads;
    }
    void OpenDocument(host::NativeHandle owner, const std::string& address) override {
        log_.push_back("OpenDocument " + std::to_string(owner) + " " + address);
    }
    void ShowInformation(host::NativeHandle owner, const std::string& title, const std::string& text) override {
        log_.push_back("ShowInformation " + std::to_string(owner) + " " + title + ": " + text);
    }
    bool CursorOverButton() override { return cursorOver; }
    void ShowHandCursor() override { log_.push_back("ShowHandCursor"); }
    void TrackMouseLeave() override { log_.push_back("TrackMouseLeave"); }
    void CreateToolTip(const button::ToolTipSetup& setup) override {
        log_.push_back("CreateToolTip");
        toolTips.push_back(setup);
    }
    void DestroyToolTip() override { log_.push_back("DestroyToolTip"); }
    void CaptureMouse() override { log_.push_back("CaptureMouse"); }
    void TakeCapture() override { log_.push_back("TakeCapture"); }
    void ReleaseCapture() override { log_.push_back("ReleaseCapture"); }
    void MoveFocus(bool previous) override { log_.push_back(previous ? "FocusPrevious" : "FocusNext"); }
    void CloseMenu() override { log_.push_back("CloseMenu"); }

  private:
    Log& log_;
    FakeSystemColors systemColors_;
};

// A button on a fake site, with the log they share.
struct ButtonUnderTest {
    Log log;
    FakeSite site{log};
    RecordingPlatform* platform = nullptr;
    std::unique_ptr<button::Kestbutton> button;

    ButtonUnderTest() {
        auto owned = std::make_unique<RecordingPlatform>(log);
        platform = owned.get();
        button = std::make_unique<button::Kestbutton>(site, std::move(owned));
    }
    // A control placed new, with the log cleared.
    static std::unique_ptr<ButtonUnderTest> New() {
        auto b = std::make_unique<ButtonUnderTest>();
        b->button->InitProperties();
        b->log.clear();
        return b;
    }
};

}  // namespace quill::test
