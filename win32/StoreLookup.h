#pragma once
// Finding the current user's message store from IncrediMail's settings and
// its default data folders: the lookup behind the window's store discovery
// and the command line's default store.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace quill {

// Where the lookup reads the mail program's settings. Tests point it at a
// throwaway key; the program uses the defaults.
struct DiscoverySources {
    HKEY root = HKEY_CURRENT_USER;
    std::wstring productKey = L"SOFTWARE\\IncrediMail";
};

struct StoreFolders {
    std::wstring store;        // ends in a backslash
    std::wstring attachments;  // store + "Attachments\"
};

// The store the registry describes, if its folder exists; otherwise the one
// in the default data folder (%LOCALAPPDATA%, then the older "Local
// Settings\Application Data" of the profile), for the registry's identity or,
// without one, the first identity folder holding containers; otherwise the
// registry's store even though its folder is missing. Nothing without one.
[[nodiscard]] std::optional<StoreFolders> FindStore(const DiscoverySources& sources = {});

// The container names (UTF-8) of a store folder. An empty path or a folder
// that cannot be read lists nothing, as a missing one does.
[[nodiscard]] std::vector<std::string> StoreContainers(const std::wstring& folder);

}  // namespace quill
