#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "pst/PstError.h"
#include "pst/messaging/NewMessage.h"

// Writes a new Unicode PST file ([MS-PST]) as a stream: every message goes to disk as it is
// added, and the indexes, the map pages and, last of all, the header follow at Close. Until then
// the file has no header, so no reader takes it for a complete file; one that is never closed is
// removed again.
namespace quill::pst {

using FolderId = std::uint32_t;  // the folder's NID

class PstWriter {
  public:
    // Creates the file; it never replaces one (PstError naming the path when it exists).
    PstWriter(const std::string& path, std::string_view storeDisplayName);
    ~PstWriter();
    PstWriter(const PstWriter&) = delete;
    PstWriter& operator=(const PstWriter&) = delete;

    // The top of the folder tree that mail programs show ("Top of Personal Folders").
    [[nodiscard]] FolderId TopFolder() const;
    // A new folder under `parent`; PstError for an unknown parent, an empty or over-long name,
    // or when the NID space is used up.
    [[nodiscard]] FolderId AddFolder(FolderId parent, std::string_view name,
                                     std::string_view containerClass = "IPF.Note");
    // The folder of that name directly under `parent`, matched without regard to letter case.
    [[nodiscard]] std::optional<FolderId> FindFolder(FolderId parent, std::string_view name) const;

    void AddMessage(FolderId folder, const NewMessage& message);

    // Writes the indexes, map pages and header. After a failure the file is removed.
    //
    // Every failure is a PstError naming the file, with the node being written and where the file
    // stood (PstError.h); a refused folder or message leaves the file as it was, any other failure
    // stops it.
    void Close();
    [[nodiscard]] const std::string& Path() const;
    [[nodiscard]] std::uint64_t BytesWritten() const;

  private:
    class Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace quill::pst
