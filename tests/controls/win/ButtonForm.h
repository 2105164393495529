#pragma once
// Real kestbuttons on a real form window: made from design values written
// in the test, driven with window messages and the real cursor, and watched
// through the form's event log and the buttons' own state.

#include "HostFixtures.h"
#include "controls/button/Kestbutton.h"
#include "controls/button/win/ButtonWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace quill::test {

class ButtonForm : public ::testing::Test {
  protected:
    explicit ButtonForm(host::HostForm::Options options = {})
        : events_(log), form(window.Get(), events_, std::move(options)) {
        button::RegisterKestbutton(types);
        ::SetForegroundWindow(window.Get());
        ::SetActiveWindow(window.Get());
    }

    // A kestbutton placed at left, top in pixels, 80 x 24 unless told,
    // with extra design values.
    button::Kestbutton& AddButton(const std::string& name, int left, int top,
                                  std::vector<std::pair<std::string, host::PropertyValue>> values = {},
                                  HWND container = nullptr, int width = 80, int height = 24) {
        host::ControlDesign design{name, "kestbutton", {}};
        design.properties.Set("Left", left * 15);
        design.properties.Set("Top", top * 15);
        design.properties.Set("Width", width * 15);
        design.properties.Set("Height", height * 15);
        design.properties.Set("Caption", name);
        for (auto& [key, value] : values) design.properties.Set(key, std::move(value));
        return static_cast<button::Kestbutton&>(form.Load(design, types, container));
    }

    static HWND Hwnd(const button::Kestbutton& b) { return reinterpret_cast<HWND>(b.HWnd()); }
    static button::Win32ButtonPlatform& PlatformOf(button::Kestbutton& b) {
        return dynamic_cast<button::Win32ButtonPlatform&>(b.Platform());
    }

    // The real cursor over a point of the button, or over the form away from
    // every button.
    static void CursorOver(const button::Kestbutton& b, int x = 10, int y = 5) {
        POINT at{x, y};
        ::ClientToScreen(Hwnd(b), &at);
        ::SetCursorPos(at.x, at.y);
    }
    void CursorAway() const {
        POINT at{790, 520};
        ::ClientToScreen(window.Get(), &at);
        ::SetCursorPos(at.x, at.y);
    }

    static LRESULT Send(const button::Kestbutton& b, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageW(Hwnd(b), message, wParam, lParam);
    }

    // The events the form heard since the last call, as "Name".
    std::vector<std::string> TakeEvents(const std::string& control) {
        std::vector<std::string> heard;
        const std::string prefix = "event " + control + " ";
        for (const std::string& line : log) {
            if (line.rfind(prefix, 0) == 0) heard.push_back(line.substr(prefix.size()));
        }
        log.clear();
        return heard;
    }

    // Lets posted messages and timers run for a while.
    static void Pump(DWORD milliseconds) {
        const DWORD start = ::GetTickCount();
        MSG message;
        do {
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            ::Sleep(5);
        } while (::GetTickCount() - start < milliseconds);
    }

    Log log;
    FormWindow window;
    LoggingFormEvents events_;
    host::HostForm form;
    host::ControlTypes types;
};

}  // namespace quill::test
