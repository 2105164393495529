#include "app/StoreDiscovery.h"

#include "platform/Utf16_win.h"

namespace quill {

void DiscoverStore(StoreView& view, const DiscoverySources& sources) {
    view.pump.Pump();
    std::optional<StoreFolders> folders = FindStore(sources);
    if (!folders) return;
    view.pump.Pump();
    view.storePath.SetText(folders->store);
    view.storePath.SetToolTip(folders->store);
    view.attachmentPath.SetText(folders->attachments);
    view.attachmentPath.SetToolTip(folders->attachments);
    ListContainers(view);
}

void ListContainers(StoreView& view) {
    view.containers.Clear();
    for (const std::string& name : StoreContainers(view.storePath.Text())) {
        view.pump.Pump();
        view.containers.Append(platform::Widen(name));
    }
    const int count = view.containers.Count();
    if (count == 0) return;
    for (int i = 0; i < count; ++i) {
        view.pump.Pump();
        view.containers.Select(i);
    }
    view.convert.SetEnabled(true);
}

}  // namespace quill
