#pragma once
// A real form window for the host tests, a form owner that logs what it
// hears, and a probe control that logs what the host delivers.

#include "controls/host/win/HostForm.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill::test {

using Log = std::vector<std::string>;

// A shown top-level window with a child frame, destroyed at scope end.
class FormWindow {
  public:
    FormWindow() {
        static const ATOM registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = L"QuillmereTestForm";
            return ::RegisterClassExW(&wc);
        }();
        EXPECT_NE(registered, 0);
        window_ = ::CreateWindowExW(0, L"QuillmereTestForm", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 820, 560, nullptr,
                                    nullptr, ::GetModuleHandleW(nullptr), nullptr);
        frame_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 480, 216, 297, 249, window_, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        ::ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    ~FormWindow() {
        if (::IsWindow(window_)) ::DestroyWindow(window_);
    }

    HWND Get() const { return window_; }
    HWND Frame() const { return frame_; }

  private:
    HWND window_ = nullptr;
    HWND frame_ = nullptr;
};

class LoggingFormEvents final : public host::FormEvents {
  public:
    explicit LoggingFormEvents(Log& log) : log_(log) {}
    void OnControlEvent(std::string_view control, const host::ControlEvent& event) override {
        log_.push_back("event " + std::string(control) + " " + std::string(event.name));
    }
    void OnPropertyChanged(std::string_view control, std::string_view name) override {
        log_.push_back("changed " + std::string(control) + " " + std::string(name));
    }
    void OnControlError(std::string_view control, const std::exception& error) override {
        log_.push_back("error " + std::string(control) + " " + error.what());
    }

  private:
    Log& log_;
};

// Logs every call, with the name its site knows it by.
class Probe final : public host::UserControl {
  public:
    Probe(host::ControlSite& site, Log& log) : site_(site), log_(log) {}

    host::ControlSite& Site() { return site_; }
    std::string caption;

    void InitProperties() override { Note("Init"); }
    void ReadProperties(const host::PropertyBag& bag) override {
        Note("Read");
        host::PropertyValue value = bag.Read("Caption", std::string());
        if (!std::holds_alternative<std::string>(value)) throw std::invalid_argument("Caption: a text was expected");
        caption = std::get<std::string>(value);
    }
    void WriteProperties(host::PropertyBag& bag) override { bag.Write("Caption", caption, std::string()); }
    void Resize() override { Note("Resize"); }
    void Paint() override { Note("Paint"); }
    void Show() override { Note("Show"); }
    void Hide() override { Note("Hide"); }
    void AmbientChanged(std::string_view name) override { Note("Ambient " + std::string(name)); }
    void Terminate() override {
        Note(::IsWindow(reinterpret_cast<HWND>(site_.Window())) ? "Terminate, window alive" : "Terminate, no window");
    }
    void MouseDown(std::int16_t b, std::int16_t s, float x, float y) override { Mouse("MouseDown", b, s, x, y); }
    void MouseMove(std::int16_t b, std::int16_t s, float x, float y) override { Mouse("MouseMove", b, s, x, y); }
    void MouseUp(std::int16_t b, std::int16_t s, float x, float y) override { Mouse("MouseUp", b, s, x, y); }
    void DblClick() override { Note("DblClick"); }
    void KeyDown(std::int16_t key, std::int16_t shift) override {
        Note("KeyDown " + std::to_string(key) + " " + std::to_string(shift));
    }
    void KeyUp(std::int16_t key, std::int16_t) override {
        Note("KeyUp " + std::to_string(key));
        throw std::runtime_error("a failing handler");
    }
    void KeyPress(std::int16_t key) override {
        Note("KeyPress " + std::to_string(key));
        site_.RaiseEvent({"Click", -600, {}});
        site_.PropertyChanged("Caption");
    }
    void AccessKeyPress(std::int16_t key) override { Note("AccessKeyPress " + std::to_string(key)); }
    void GotFocus() override { Note("GotFocus"); }
    void LostFocus() override { Note("LostFocus"); }

  private:
    void Note(const std::string& what) { log_.push_back(site_.AmbientDisplayName() + " " + what); }
    void Mouse(const char* what, std::int16_t b, std::int16_t s, float x, float y) {
        Note(std::string(what) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
             std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
    }

    host::ControlSite& site_;
    Log& log_;
};

}  // namespace quill::test
