// Finishing on arbitrary bytes, against a small attachments folder: nothing
// may crash; the cheap look may never pass over a message that finishing
// changes, nor over a joined message it then cuts; every part finishing has no business with (kept attachments,
// leaves that are neither body nor attachment) saves byte for byte; and the
// finished message loads and saves back again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

#include "convert/AttachmentFolder.h"
#include "convert/EmlFinish.h"
#include "mime/MimeMessage.h"

namespace {

const quill::AttachmentFolder& Folder() {
    static const std::string path = [] {
        namespace fs = std::filesystem;
        fs::path dir = fs::temp_directory_path() / "quill_finish_fuzz";
        fs::create_directories(dir);
        for (const char* name : {"a.txt", "image001.png", "R\xc3\xa9sum\xc3\xa9.txt", "x.eml"})
            std::ofstream(dir / fs::path(std::u8string(reinterpret_cast<const char8_t*>(name))))
                << "--b\r\nfile " << name;
        return dir.string();
    }();
    static const quill::AttachmentFolder folder(path);
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const quill::FinishHints hints = quill::LookBeforeFinishing(input);
    const bool needs = hints.Any();

    quill::mime::MimeMessage message;
    message.Load(input);
    // What finishing must leave alone, as it stands before.
    std::map<const quill::mime::Part*, std::string> alone;
    const auto bodies = message.Bodies();
    const auto slots = message.AttachmentSlots();
    for (const auto* leaf : bodies.leaves) alone[leaf] = leaf->Serialize();
    for (const auto& slot : slots)
        if (slot.referenceLine || slot.emptyBody) alone.erase(slot.part);

    quill::FinishResult result = quill::FinishMessage(message, Folder());
    if (!needs && result.changed) std::abort();
    if (!hints.mayHoldJoined && result.cutApplied) std::abort();
    for (const auto& [part, bytes] : alone)
        if (part->Serialize() != bytes) std::abort();

    const std::string saved = message.Save();
    quill::mime::MimeMessage again;
    again.Load(saved);
    if (again.Save() != saved) std::abort();
    return 0;
}
