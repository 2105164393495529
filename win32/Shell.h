#pragma once
// The `modMain` module: the shell helper the window's link labels call.

#include <windows.h>

#include <string>

namespace quill {

// Opens the address with the shell's "open" verb (the default browser for a
// web address), owner owning any message the shell shows. An empty address
// does nothing; shell failures are ignored.
void OpenWebPage(const std::wstring& address, HWND owner = nullptr);

}  // namespace quill
