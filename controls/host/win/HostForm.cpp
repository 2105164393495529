#include "controls/host/win/HostForm.h"

#include "controls/host/win/SurfaceWindow.h"
#include "platform/Utf16_win.h"

#include <stdexcept>

namespace quill::host {
namespace {

std::int32_t PlacementValue(const ControlDesign& design, std::string_view key) {
    PropertyValue value = design.properties.Read(key, std::int32_t{0});
    if (const std::int32_t* twips = std::get_if<std::int32_t>(&value)) return *twips;
    throw std::runtime_error(design.name + ": " + std::string(key) + " must be a number of twips");
}

}  // namespace

void FormEvents::OnControlError(std::string_view control, const std::exception& error) {
    std::string text = std::string(control) + ": " + error.what() + "\n";
    ::OutputDebugStringW(platform::Widen(text).c_str());
}

HostForm::HostForm(HWND window, FormEvents& events) : HostForm(window, events, Options{}) {}

HostForm::HostForm(HWND window, FormEvents& events, Options options)
    : window_(window), events_(events), options_(std::move(options)) {}

HostForm::~HostForm() {
    while (!surfaces_.empty()) surfaces_.pop_back();  // the last made ends first
}

UserControl& HostForm::Load(const ControlDesign& design, const ControlTypes& types, HWND container) {
    auto type = types.find(design.type);
    if (type == types.end()) throw std::runtime_error(design.name + ": unknown control type " + design.type);
    TwipsRect place{PlacementValue(design, kLeft), PlacementValue(design, kTop), PlacementValue(design, kWidth),
                    PlacementValue(design, kHeight)};
    if (container == nullptr) container = window_;
    return Place(std::make_unique<SurfaceWindow>(*this, design.name, design.type, container, place), type->second,
                 &design.properties);
}

void HostForm::LoadAll(const FormDesign& design, const ControlTypes& types,
                       const std::function<HWND(std::string_view)>& containerOf) {
    for (const ControlDesign& control : design.controls) {
        Load(control, types, containerOf ? containerOf(control.name) : nullptr);
    }
}

UserControl& HostForm::Add(const std::string& name, const std::string& type, const ControlFactory& factory,
                           HWND container, TwipsRect place) {
    if (container == nullptr) container = window_;
    return Place(std::make_unique<SurfaceWindow>(*this, name, type, container, place), factory, nullptr);
}

UserControl& HostForm::Place(std::unique_ptr<SurfaceWindow> surface, const ControlFactory& factory,
                             const PropertyBag* stored) {
    if (SurfaceNamed(surface->Name()) != nullptr) {
        throw std::runtime_error(surface->Name() + ": the form has a control of that name already");
    }
    SurfaceWindow& site = *surface;
    surfaces_.push_back(std::move(surface));
    try {
        site.Attach(factory(site));
        if (site.Control() == nullptr) throw std::runtime_error("its type made no control");
        if (stored != nullptr) {
            site.Control()->ReadProperties(*stored);
        } else {
            site.Control()->InitProperties();
        }
        site.Control()->Resize();  // it has its place now
    } catch (const std::exception& e) {
        std::string what = site.Name() + ": " + e.what();
        surfaces_.pop_back();  // ends it and destroys its window
        throw std::runtime_error(what);
    }
    ::ShowWindow(site.Hwnd(), SW_SHOWNA);
    return *site.Control();
}

ControlDesign HostForm::Save(std::string_view name) const {
    SurfaceWindow* site = SurfaceNamed(name);
    if (site == nullptr) throw std::runtime_error(std::string(name) + ": no such control");
    const TwipsRect place = site->Placement();
    ControlDesign design{site->Name(), site->Type(), {}};
    design.properties.Set(kLeft, place.left);
    design.properties.Set(kTop, place.top);
    design.properties.Set(kWidth, place.width);
    design.properties.Set(kHeight, place.height);
    site->Control()->WriteProperties(design.properties);
    return design;
}

void HostForm::Remove(std::string_view name) {
    std::erase_if(surfaces_, [name](const std::unique_ptr<SurfaceWindow>& s) { return s->Name() == name; });
}

UserControl* HostForm::Find(std::string_view name) const {
    SurfaceWindow* site = SurfaceNamed(name);
    return site != nullptr ? site->Control() : nullptr;
}

HWND HostForm::SurfaceOf(std::string_view name) const {
    SurfaceWindow* site = SurfaceNamed(name);
    return site != nullptr ? site->Hwnd() : nullptr;
}

void HostForm::SetDefaultControl(std::string_view name) {
    defaultControl_ = std::string(name);
    AmbientChanged("DisplayAsDefault");
}

void HostForm::AmbientChanged(std::string_view name) {
    for (const auto& site : surfaces_) site->NotifyAmbientChanged(name);
}

bool HostForm::PreTranslateMessage(const MSG& message) {
    if (message.message != WM_SYSCHAR || (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    wchar_t typed = static_cast<wchar_t>(message.wParam);
    ::CharLowerBuffW(&typed, 1);
    for (const auto& site : surfaces_) {
        if (!::IsWindowVisible(site->Hwnd()) || !::IsWindowEnabled(site->Hwnd())) continue;
        std::wstring keys = platform::Widen(site->AccessKeys());
        ::CharLowerBuffW(keys.data(), static_cast<DWORD>(keys.size()));
        if (keys.find(typed) != std::wstring::npos) {
            site->PressAccessKey(static_cast<std::int16_t>(message.wParam));
            return true;
        }
    }
    return false;
}

std::vector<FormControl> HostForm::Controls() const {
    std::vector<FormControl> controls;
    for (const auto& site : surfaces_) {
        controls.push_back(
            {site->Name(), reinterpret_cast<NativeHandle>(site->Hwnd()), site->ContainerWindow(), site->Control()});
    }
    return controls;
}

SurfaceWindow* HostForm::SurfaceNamed(std::string_view name) const {
    for (const auto& site : surfaces_) {
        if (site->Name() == name) return site.get();
    }
    return nullptr;
}

}  // namespace quill::host
