#pragma once
// The run's and discovery's interfaces over the main window's real controls.
// Each adapter reads and writes its controls when asked, never caching, so
// the run sees what stands in the window at that moment.

#include "app/StoreDiscovery.h"
#include "convert/RunInterfaces.h"

#include <windows.h>

#include <functional>
#include <string>

namespace quill::button {
class Kestbutton;
}

namespace quill::app {

[[nodiscard]] std::wstring WindowText(HWND window);

// txtStorePath and txtAttachmentPath: an edit box, with a tool of the form's
// tooltip window that shows the path.
class EditPathField final : public PathField {
  public:
    EditPathField(HWND edit, HWND tooltip) : edit_(edit), tooltip_(tooltip) {}
    std::wstring Text() override { return WindowText(edit_); }
    void SetText(const std::wstring& text) override;
    void SetToolTip(const std::wstring& text) override;

  private:
    HWND edit_;
    HWND tooltip_;
};

// The tooltip text of a tool that is a window, as its tooltip window holds it.
[[nodiscard]] std::wstring ToolTipText(HWND tooltip, HWND tool);

// ListIMM: a list view with a check box per entry; "selected" is checked.
// Changes made here are the program's own, so the list's click handling
// does not take them for the user's.
class CheckList final : public ContainerList {
  public:
    CheckList(HWND list, int& ownChanges) : list_(list), ownChanges_(ownChanges) {}
    void Clear() override;
    void Append(const std::wstring& name) override;
    int Count() override;
    void Select(int index) override;
    [[nodiscard]] bool Checked(int index) const;
    [[nodiscard]] std::wstring Entry(int index) const;

  private:
    HWND list_;
    int& ownChanges_;
};

// CmdImportMessages as discovery enables it.
class ButtonEnabling final : public CommandButton {
  public:
    explicit ButtonEnabling(std::function<button::Kestbutton*()> button) : button_(std::move(button)) {}
    void SetEnabled(bool enabled) override;

  private:
    std::function<button::Kestbutton*()> button_;
};

// The controls the run reads and writes.
struct RunControls {
    CheckList& list;
    HWND storePath;
    HWND attachmentPath;
    HWND optOutlook;
    HWND advanceMode;
    HWND log;
    std::function<void(const std::wstring&)> setIMMFileLabel;
};

class WindowRunView final : public RunView {
  public:
    explicit WindowRunView(RunControls controls) : c_(std::move(controls)) {}
    int ListCount() override { return c_.list.Count(); }
    bool Selected(int index) override { return c_.list.Checked(index); }
    std::string List(int index) override;
    std::string StorePath() override;
    std::string AttachmentPath() override;
    bool OptOutlook() override;
    bool AdvanceMode() override;
    void SetIMMFileLabel(const std::string& text) override;
    void SetLog(const std::string& text) override;

  private:
    RunControls c_;
};

// The shell's folder chooser, modal to the window.
using BrowseFunction = std::function<std::wstring(HWND owner, const std::wstring& title)>;

class WindowFolderChooser final : public FolderChooser {
  public:
    WindowFolderChooser(HWND owner, BrowseFunction browse) : owner_(owner), browse_(std::move(browse)) {}
    std::string BrowseForFolder(const std::string& title) override;

  private:
    HWND owner_;
    BrowseFunction browse_;
};

// Real message boxes, owned by the window, under the program's title.
class WindowMessageBoxes final : public MessageBoxes {
  public:
    explicit WindowMessageBoxes(HWND owner) : owner_(owner) {}
    void Show(const std::string& text, BoxIcon icon) override;

  private:
    HWND owner_;
};

class SystemClock final : public Clock {
  public:
    LocalTime Now() override;
};

}  // namespace quill::app
