#pragma once
// The window's store discovery: the store found by the lookup in win32/ is
// shown, and its containers listed, in the few controls discovery touches.

#include "convert/RunInterfaces.h"
#include "win32/StoreLookup.h"

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

// Discovery as the window runs it once on load: finds the store, shows both
// folders with their tooltips and lists the containers. Without a store the
// fields and the list are left as they are.
void DiscoverStore(StoreView& view, const DiscoverySources& sources = {});

// Replaces the list with the containers of the folder in the store path
// field, selects them all and enables Convert when there is any. Never
// disables Convert. A folder that cannot be read lists nothing.
void ListContainers(StoreView& view);

}  // namespace quill
