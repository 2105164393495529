#pragma once
// The conversion run: what a press of "Convert Messages" does. It asks for
// the target folder, prepares the target, cuts every selected container into
// messages and turns each into a message file (and, for the Outlook target,
// into a PST item). One run at a time; a stop request ends it after the
// current message with the target closed properly.
//
// What a careful user needs to trust the result:
//  - one message's failure is that message's alone: whatever goes wrong in
//    its work (a full disk, no memory for a huge attachment, damaged mail)
//    is reported with its cause, counted, and the run goes on;
//  - the counts follow the files: a message counts as saved only when it is
//    in a finished file. When the PST cannot be completed, every message
//    that went into it counts as not saved and the report lists them;
//  - the report reaches the user even when it cannot be written where it
//    belongs (RunOutcome::reportText).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "convert/MessageFinisher.h"
#include "convert/OutlookTarget.h"
#include "convert/RunInterfaces.h"
#include "store/IndexedContainer.h"
#include "store/StoreIndex.h"

namespace quill {

inline constexpr const char* kChooseFolderTitle = "Choose Folder to Save Converted Messages...";
inline constexpr const char* kCompletedText = "Conversion Completed !";
// Where messages the store's index marks deleted go: a subfolder of their
// container's folder (EML), a folder under the top folder with one
// subfolder per container (PST).
inline constexpr const char* kDeletedFolderName = "Deleted messages";
// The first line of the box shown when the PST cannot be created; the cause
// and the path follow it.
inline constexpr const char* kPstCreateFailedText = "The Outlook PST file could not be created.";

struct RunFailure {
    std::string container;     // the list entry
    int message = 0;           // 0: the container itself
    std::uint64_t offset = 0;  // in the container
    std::string what;
    std::string why;
};

// Something the user should know that is no failure: an index not used, bytes
// no index record covers, which index was used when there were several.
struct RunNote {
    std::string container;  // empty: the store
    std::string what;
};

// What became of one message's attachment parts.
struct MessageAttachments {
    std::string container;
    int message = 0;
    int restored = 0;
    int kept = 0;
    std::vector<std::string> missing;
    std::vector<std::pair<std::string, std::string>> refused;  // name, why
};

struct RunOutcome {
    enum class End { Cancelled, Refused, OpenFailed, Completed, Stopped };
    End end = End::Cancelled;
    int containers = 0;
    std::uint64_t messagesSaved = 0;
    std::uint64_t messagesFailed = 0;
    int containersFailed = 0;
    std::vector<RunFailure> failures;
    std::vector<RunNote> notes;
    std::string storeIndex;             // the index used ("Containers.db", ...); empty: none
    std::uint64_t messagesExact = 0;    // read where the index placed them
    std::uint64_t messagesDeleted = 0;  // of the saved ones, marked deleted
    std::uint64_t deletedSkipped = 0;   // marked deleted and left out on request
    std::uint64_t messagesCut = 0;      // found by the cut by header lines
    int containersFellBack = 0;         // had an index that failed its check

    std::uint64_t messagesJoinedCut = 0;  // a joined message was cut off (and kept as an attachment)
    std::uint64_t messagesRenamed = 0;    // written as "email-N (k).eml": the plain name was taken
    std::uint64_t messagesMended = 0;     // text that a PST cannot hold was mended (see the notes)
    int attachmentsRestored = 0;
    int attachmentsKept = 0;
    int attachmentsMissing = 0;
    int attachmentsRefused = 0;
    std::vector<MessageAttachments> attachments;  // per message with attachment parts

    std::string targetFolder;
    std::string pstPath;
    bool pstFailed = false;  // the PST could not be completed: its messages are in no file
    std::string pstError;

    std::string reportPath;   // where the report was written
    std::string reportText;   // the report itself, also when it could not be written
    std::string reportError;  // why it could not be written
};

struct RunServices {
    RunView* view = nullptr;
    FolderChooser* chooser = nullptr;
    MessageBoxes* boxes = nullptr;
    EventPump* pump = nullptr;
    Clock* clock = nullptr;
    MessageFinisher* finisher = nullptr;
    std::function<std::unique_ptr<OutlookTarget>()> makeOutlookTarget;
    // Told of each container's progress (the command line draws it): messages
    // saved, bytes read, and the container's size (0 when not known).
    std::function<void(const std::string& container, std::uint64_t messages, std::uint64_t bytes, std::uint64_t total)>
        progress;
};

// The container folder name: the entry without one trailing ".imm" in any
// letter case, made safe as a single folder name.
std::string ContainerFolderName(const std::string& entry);

// An IncrediMail folder label as one folder name of the EML target: no
// separators, no characters Windows refuses, no device names.
std::string SafeFolderName(const std::string& label);

// "d.m.YY H.m.ss": day, month, hour, minute without leading zeros.
std::string FormatRunTime(const LocalTime& t);

// "1-57, 59, 61-120": message numbers as runs.
std::string DescribeNumberRuns(const std::vector<std::pair<int, int>>& runs);

class ConversionRun {
  public:
    explicit ConversionRun(RunServices services) : s_(std::move(services)) {}

    RunOutcome Convert();
    void RequestStop() noexcept { stopRequested_ = true; }
    bool Running() const noexcept { return running_; }

  private:
    struct ContainerWork;
    void ConvertContainer(const std::string& entry, bool outlook, RunOutcome& outcome, OutlookTarget* pst,
                          const std::string& workFolder);
    void ConvertMessage(ContainerWork& work, StoreMessage& m, RunOutcome& outcome);
    // true when the message is saved; a failure it can name it reports through failed.
    bool SaveMessage(ContainerWork& work, StoreMessage& m, RunOutcome& outcome,
                     const std::function<void(const std::string&, const std::string&)>& failed);
    void PstNotCompleted(RunOutcome& outcome, const std::string& why);
    void WriteReport(RunOutcome& outcome);
    std::string CompletionText(const RunOutcome& outcome) const;
    bool Pump();
    const StoreIndex& IndexFor(const std::string& storePath, RunOutcome& outcome);

    RunServices s_;
    std::map<std::string, std::unique_ptr<StoreIndex>> indexes_;  // by store path, for one run
    std::set<std::string> deletedFolders_;                        // names taken in this run
    // Per container, the runs of message numbers now in the open PST: what
    // must be converted again when it cannot be completed.
    std::vector<std::pair<std::string, std::vector<std::pair<int, int>>>> inPst_;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace quill
