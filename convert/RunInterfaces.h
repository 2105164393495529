#pragma once
// What the conversion run needs from its surroundings. The window implements
// these; so do the command line and the tests. The run never touches a
// window itself.

#include <string>

#include "platform/Clock.h"

namespace quill {

// The window's controls as the run reads and writes them.
class RunView {
  public:
    virtual ~RunView() = default;
    virtual int ListCount() = 0;  // ListIMM
    virtual bool Selected(int index) = 0;
    virtual std::string List(int index) = 0;   // a bare container file name
    virtual std::string StorePath() = 0;       // txtStorePath, ends in a separator
    virtual std::string AttachmentPath() = 0;  // txtAttachmentPath
    virtual bool OptOutlook() = 0;             // true: the Outlook target
    virtual bool AdvanceMode() = 0;            // ChkAdvanceMode
    // Messages the store's index marks deleted are left out (the window
    // has no such choice: it keeps them apart).
    virtual bool SkipDeleted() { return false; }
    virtual void SetIMMFileLabel(const std::string& text) = 0;  // LblIMMFile
    virtual void SetLog(const std::string& text) = 0;           // txtLog
};

class FolderChooser {
  public:
    virtual ~FolderChooser() = default;
    // The chosen folder without a trailing separator (a root keeps its own);
    // empty on cancel.
    virtual std::string BrowseForFolder(const std::string& title) = 0;
};

enum class BoxIcon { None, Information };

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void Show(const std::string& text, BoxIcon icon) = 0;
};

class EventPump {
  public:
    virtual ~EventPump() = default;
    // Lets pending window events run.
    virtual void Pump() = 0;
};

using LocalTime = platform::LocalTime;

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
};

}  // namespace quill
