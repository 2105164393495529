#pragma once
// The stored design values of a form, as readable text. The program keeps
// one such text per form among its resources and makes the form's controls
// from it. Each control is a block of key = value lines:
//
//     # The two Browse buttons share everything but their names.
//     control CmdStoreBrowse kestbutton
//         Left = 10440
//         Top = 2280
//         Width = 1335
//         Height = 375
//         ButtonStyle = 8
//         BackColor = 0xFFD1AD
//         Caption = "Browse..."
//         CaptionEffects = 0
//         Font = Font("Tahoma", 8.25)
//         PictureNormal = Icon(102)
//     end
//
// Values: true and false; integers in decimal or as 0x followed by up to
// eight hex digits (the 32-bit pattern, so 0x8000000F is a system colour);
// texts in double quotes with the escapes \\ \" \n \r \t and \xHH; fonts as
// Font("face", size in points[, bold][, italic][, underline][, strikethrough]
// [, weight=N][, charset=N]); pictures as Icon(id), Bitmap(id) or Cursor(id),
// resources of the program by number, or None. '#' starts a comment outside
// texts. A key missing from a block takes the control's default. Which keys
// a block holds is the business of the control and of the host (Left, Top,
// Width and Height place the control, in twips).

#include "controls/host/PropertyBag.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quill::host {

struct ControlDesign {
    std::string name;
    std::string type;  // the kind of control, e.g. "kestbutton"
    MemoryPropertyBag properties;

    bool operator==(const ControlDesign&) const = default;
};

struct FormDesign {
    std::vector<ControlDesign> controls;  // in the order written

    [[nodiscard]] const ControlDesign* Find(std::string_view name) const;
    bool operator==(const FormDesign&) const = default;
};

// Names the text and the place in it (1-based; line 0 when writing).
class DesignValuesError : public std::runtime_error {
  public:
    DesignValuesError(const std::string& source, int line, int column, const std::string& what);
    [[nodiscard]] int Line() const noexcept { return line_; }
    [[nodiscard]] int Column() const noexcept { return column_; }

  private:
    int line_;
    int column_;
};

// Reads a form's design values. source names the text in errors; pictures
// makes the picture objects. Throws DesignValuesError.
[[nodiscard]] FormDesign ParseDesignValues(std::string_view text, const std::string& source, PictureLoader& pictures);

// Writes the text that ParseDesignValues reads back to the same values.
// Throws DesignValuesError for what the text cannot hold: a picture made at
// run time, or a name that is not an identifier.
[[nodiscard]] std::string WriteDesignValues(const FormDesign& form);

}  // namespace quill::host
