#pragma once
// Finding the current user's message store and listing its containers,
// against the few controls of the window that discovery touches.

#include "convert/RunInterfaces.h"

#include <windows.h>

#include <optional>
#include <string>

namespace quill {

// txtStorePath and txtAttachmentPath: a text box that also carries its text
// as its tooltip.
class PathField {
  public:
    virtual ~PathField() = default;
    virtual std::wstring Text() = 0;
    virtual void SetText(const std::wstring& text) = 0;
    virtual void SetToolTip(const std::wstring& text) = 0;
};

// ListIMM: container file names with a selection.
class ContainerList {
  public:
    virtual ~ContainerList() = default;
    virtual void Clear() = 0;
    virtual void Append(const std::wstring& name) = 0;
    virtual int Count() = 0;
    virtual void Select(int index) = 0;
};

// CmdImportMessages, as far as discovery cares.
class CommandButton {
  public:
    virtual ~CommandButton() = default;
    virtual void SetEnabled(bool enabled) = 0;
};

struct StoreView {
    PathField& storePath;
    PathField& attachmentPath;
    ContainerList& containers;
    CommandButton& convert;
    EventPump& pump;
};

// Where discovery reads the mail program's settings. Tests point it at a
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

// Discovery as the window runs it once on load: finds the store, shows both
// folders with their tooltips and lists the containers. Without a store the
// fields and the list are left as they are.
void DiscoverStore(StoreView& view, const DiscoverySources& sources = {});

// Replaces the list with the containers of the folder in the store path
// field, selects them all and enables Convert when there is any. Never
// disables Convert. A folder that cannot be read lists nothing.
void ListContainers(StoreView& view);

}  // namespace quill
