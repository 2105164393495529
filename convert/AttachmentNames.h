#pragma once
// Attachment file names: one set of rules for both targets.
//
// Both take a name's last path component, so a name from mail never chooses
// a folder, and both know the same characters as unfit for a file name:
// controls and <>:"|?* (IsUnfitInFileName). They differ in what they do with
// an unfit name, because they serve different ends:
//  - SafeAttachmentName gives the name the message-file finisher looks for in
//    the attachments folder. A name that cannot be a file there gives nothing
//    (an unfit character, a device name such as CON or LPT1 with any
//    extension, nothing left after trailing blanks and dots), so no lookup
//    ever leaves the folder or opens a device. A drive ("C:") before the name
//    is dropped.
//  - AttachmentDisplayName gives the name a PST attachment shows and is saved
//    under. Every attachment keeps a name there, so unfit characters are
//    mended: controls (and DEL) dropped, the others turned into '_'; blanks
//    at the start and blanks and dots at the end go. Device names are left to
//    the program that saves the file.

#include <string>
#include <string_view>

#include "mime/Part.h"

namespace quill {

// A control character or one of <>:"|?*: never part of a Windows file name.
[[nodiscard]] bool IsUnfitInFileName(char c) noexcept;

[[nodiscard]] std::string SafeAttachmentName(const std::string& name);
[[nodiscard]] std::string AttachmentDisplayName(std::string_view name);

// The name a PST attachment gets: the one the part gives (made displayable);
// for an attached message without one, its subject (at most 120 bytes) and
// ".eml"; otherwise "image001.png" or "attachment002.dat" (the extension from
// the type; unnamed counts the parts named so, in order). An attached message's
// name without an extension gets ".eml". content is the part's decoded body.
[[nodiscard]] std::string PstAttachmentName(const mime::Part& part, std::string_view content, std::string_view charset,
                                            int& unnamed);

// An 8.3 name for a long file name ("Long name.text" -> "LONGNA~1.TEX");
// serial picks the "~N" digit.
[[nodiscard]] std::string ShortFileName(std::string_view longName, int serial = 1);

}  // namespace quill
