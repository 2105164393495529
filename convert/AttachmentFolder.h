#pragma once
// IncrediMail's attachments folder, as the finisher looks a name up in it.
//
// The folder is listed once. A name matches the entry of exactly that name
// first, otherwise the entry whose name is the same to a person: Unicode
// composed and decomposed forms and letter case do not matter (FileNameKey),
// as they do not when Windows looks a name up. Only a regular file that is
// itself in the folder is ever taken: a symbolic link, junction, folder or
// special file of a matching name is refused, so no lookup leads outside the
// folder or waits on a device. Names are first made safe (SafeAttachmentName):
// never a path, a drive or a device name.

#include <map>
#include <string>
#include <vector>

namespace quill {

struct AttachmentLookup {
    enum class Outcome { Found, Missing, Refused };
    Outcome outcome = Outcome::Missing;
    std::string path;  // Found: the file
    std::string name;  // the reading that matched (Found, Refused), else the first one tried
    std::string why;   // Missing, Refused: in words, for the report and the note
};

class AttachmentFolder {
  public:
    explicit AttachmentFolder(std::string path);

    const std::string& Path() const noexcept { return path_; }
    // Tries each reading of a name in turn (see mime::AttachmentSlot).
    [[nodiscard]] AttachmentLookup Find(const std::vector<std::string>& readings) const;

  private:
    void List() const;

    struct Entry {
        std::string name;
        bool regular = false;
        std::string kind;  // what it is when it is not a regular file
    };
    std::string path_;
    mutable bool listed_ = false;
    mutable std::string listError_;
    mutable std::map<std::string, Entry> byName_;
    mutable std::multimap<std::string, const Entry*> byKey_;
};

}  // namespace quill
