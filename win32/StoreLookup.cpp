#include "win32/StoreLookup.h"

#include "platform/File.h"
#include "platform/Utf16_win.h"
#include "store/StoreListing.h"
#include "win32/DiscoverStoreFolder.h"
#include "win32/Registry.h"

#include <exception>

namespace quill {

std::vector<std::string> StoreContainers(const std::wstring& folder) {
    if (folder.empty()) return {};  // an empty pattern would list the current folder
    try {
        return quill::ListContainers(platform::Narrow(folder));
    } catch (const std::exception&) {
        return {};  // an unreadable folder lists nothing, as a missing one does
    }
}

namespace {

constexpr const wchar_t* kMessageStore = L"\\Message Store\\";

bool IsFolder(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring Environment(const wchar_t* name) {
    DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    DWORD written = ::GetEnvironmentVariableW(name, value.data(), needed);
    if (written == 0 || written >= needed) return {};
    value.resize(written);
    return value;
}

StoreFolders FoldersFor(const std::wstring& store) { return {store, store + L"Attachments\\"}; }

// The mail program's data folders where it puts them by default, newest
// system first.
std::vector<std::wstring> DefaultDataFolders() {
    std::vector<std::wstring> folders;
    if (std::wstring local = Environment(L"LOCALAPPDATA"); !local.empty()) folders.push_back(local + L"\\IM");
    if (std::wstring profile = Environment(L"USERPROFILE"); !profile.empty()) {
        folders.push_back(profile + L"\\Local Settings\\Application Data\\IM");
    }
    return folders;
}

std::optional<std::wstring> DefaultStore(const std::wstring& identity) {
    for (const std::wstring& data : DefaultDataFolders()) {
        const std::wstring identities = data + L"\\Identities\\";
        if (!identity.empty()) {
            std::wstring store = identities + identity + kMessageStore;
            if (IsFolder(store)) return store;
            continue;
        }
        std::vector<platform::DirEntry> entries;
        try {
            entries = platform::ListDirectory(platform::Narrow(identities));
        } catch (const std::exception&) {
            continue;
        }
        for (const auto& entry : entries) {
            if (entry.regular) continue;
            std::wstring store = identities + platform::Widen(entry.name) + kMessageStore;
            if (!StoreContainers(store).empty()) return store;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<StoreFolders> FindStore(const DiscoverySources& sources) {
    const std::wstring identitiesKey = sources.productKey + L"\\Identities";
    std::wstring identity;
    std::optional<std::wstring> described;
    if (RegKeyExists(sources.root, identitiesKey)) {
        identity = RegValueText(RegReadValue(sources.root, identitiesKey, L""));
        std::wstring applicationPath = RegValueText(RegReadValue(sources.root, sources.productKey, L"ApplicationPath"));
        // No identity gives no path: a store folder with an empty segment
        // would never be the user's.
        if (!identity.empty() && !applicationPath.empty()) {
            described = applicationPath + L"\\Identities\\" + identity + kMessageStore;
        }
    }
    if (described && IsFolder(*described)) return FoldersFor(*described);
    if (auto store = DefaultStore(identity)) return FoldersFor(*store);
    if (described) return FoldersFor(*described);
    return std::nullopt;
}

std::string DiscoverStoreFolder() {
    try {
        std::optional<StoreFolders> folders = FindStore();
        return folders ? platform::Narrow(folders->store) : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace quill
