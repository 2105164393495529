#pragma once
// The conversion run: what a press of "Convert Messages" does. It asks for
// the target folder, prepares the target, cuts every selected container into
// messages and turns each into a message file (and, for the Outlook target,
// into a PST item). One run at a time; a stop request ends it after the
// current message with the target closed properly.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/MessageFinisher.h"
#include "convert/OutlookTarget.h"
#include "convert/RunInterfaces.h"

namespace quill {

inline constexpr const char* kChooseFolderTitle = "Choose Folder to Save Converted Messages...";
inline constexpr const char* kCompletedText = "Conversion Completed !";

struct RunFailure {
    std::string container;     // the list entry
    int message = 0;           // 0: the container itself
    std::uint64_t offset = 0;  // in the container
    std::string what;
    std::string why;
};

struct RunOutcome {
    enum class End { Cancelled, Refused, OpenFailed, Completed, Stopped };
    End end = End::Cancelled;
    int containers = 0;
    std::uint64_t messagesSaved = 0;
    std::uint64_t messagesFailed = 0;
    int containersFailed = 0;
    std::vector<RunFailure> failures;
    std::string targetFolder;
    std::string reportPath;  // written only when something failed
    std::string pstPath;
};

struct RunServices {
    RunView* view = nullptr;
    FolderChooser* chooser = nullptr;
    MessageBoxes* boxes = nullptr;
    EventPump* pump = nullptr;
    Clock* clock = nullptr;
    MessageFinisher* finisher = nullptr;
    std::function<std::unique_ptr<OutlookTarget>()> makeOutlookTarget;
    // Told of each container's progress (the command line draws it).
    std::function<void(const std::string& container, std::uint64_t messages, std::uint64_t bytes)> progress;
};

// The container folder name: the entry without one trailing ".imm" in any
// letter case, made safe as a single folder name.
std::string ContainerFolderName(const std::string& entry);

// "d.m.YY H.m.ss": day, month, hour, minute without leading zeros.
std::string FormatRunTime(const LocalTime& t);

class ConversionRun {
  public:
    explicit ConversionRun(RunServices services) : s_(std::move(services)) {}

    RunOutcome Convert();
    void RequestStop() noexcept { stopRequested_ = true; }
    bool Running() const noexcept { return running_; }

  private:
    void ConvertContainer(const std::string& entry, bool outlook, RunOutcome& outcome, OutlookTarget* pst,
                          const std::string& workFolder);
    void WriteReport(RunOutcome& outcome);
    bool Pump();

    RunServices s_;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace quill
