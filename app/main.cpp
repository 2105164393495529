// Quillmere.exe: the main window is the program. It starts by making and
// showing MainFrm and ends when the window is closed.
#include "app/FormLayout.h"
#include "app/MainFrm.h"
#include "platform/Utf16_win.h"
#include "win32/ComPtr.h"

#include <windows.h>

#include <exception>
#include <string>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // The shell's folder chooser and the opening of web pages want COM on the window's thread.
    quill::ComApartment com;
    try {
        quill::app::MainFrm window;
        window.Create(instance);
        window.Show(showCommand);
        return window.RunMessageLoop();
    } catch (const std::exception& e) {
        const std::wstring title(quill::app::kApplicationTitle);
        ::MessageBoxW(nullptr, quill::platform::Widen(e.what()).c_str(), title.c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }
}
