#pragma once
// UTF-8 inside, UTF-16 at the Windows edge. Windows builds only.

#include <string>

namespace quill::platform {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

}  // namespace quill::platform
