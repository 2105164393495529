#include "platform/Console.h"

#include <windows.h>
#include <shellapi.h>
#include <io.h>

#include "platform/Utf16_win.h"

namespace quill::platform {

bool StderrIsTerminal() { return _isatty(2) != 0; }

std::vector<std::string> CommandLineArguments(int, char**) {
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return out;
}

}  // namespace quill::platform
