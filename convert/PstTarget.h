#pragma once
// The run's Outlook target on the project's own PST writer: no mail program
// is needed. Open creates "Quillmere<time>.pst" in the target folder (never
// over an existing file: a second run in the same second gets " (2)" and so
// on), with the top folder shown as "IncrediMail Messages : Created - <time>";
// each container becomes a mail folder under the top folder, and each
// finished message is mapped and written as it comes.
//
// Until Close completes it, the file is "<name>.pst.partial": a run that is
// killed or fails leaves nothing that looks like a finished PST.

#include <memory>
#include <string>

#include "convert/OutlookTarget.h"

namespace quill {
namespace pst {
class PstWriter;
}

inline constexpr const char* kPartialSuffix = ".partial";

class PstTarget : public OutlookTarget {
  public:
    PstTarget();
    ~PstTarget() override;

    [[nodiscard]] TargetResult Open(const std::string& targetFolder, Clock& clock) override;
    // A folder of that name already there is not an error: the messages go
    // into it, as the lookup by path finds it.
    [[nodiscard]] TargetResult AddFolder(const FolderPath& folder) override;
    using OutlookTarget::Import;
    [[nodiscard]] TargetResult ImportMessage(const FolderPath& folder, const mime::MimeMessage& message,
                                             const ImportDetails& details) override;
    [[nodiscard]] TargetResult Close() override;
    // The finished file's name (while open, the file is this plus ".partial").
    std::string Path() const override { return path_; }
    const std::string& DisplayName() const { return displayName_; }

  private:
    std::unique_ptr<pst::PstWriter> writer_;
    std::string path_;
    std::string displayName_;
};

}  // namespace quill
