#include "app/FormLayout.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace quill::app {
namespace {

using enum ControlKind;

constexpr OleColor kRed = Rgb(192, 0, 0);
constexpr OleColor kNavy = Rgb(0, 0, 128);
constexpr OleColor kBand = Rgb(248, 235, 144);
constexpr OleColor kBandBorder = Rgb(128, 128, 128);
constexpr OleColor kLink = Rgb(0, 0, 255);
constexpr FontSpec kTitleFont{L"Verdana", 14.25, true};
constexpr FontSpec kPathFont{L"Tahoma", 9.75};

constexpr std::wstring_view kHelpText =
    L"Software will automatically find Incredimail installation location and lists mail store location alongwith "
    L"attachments folder location. If you have saved or copied incredimail (*.imm) files to some other location then "
    L"you can also browse required folder having incredimail files and attachments folder.";

// clang-format off
constexpr LayoutEntry kLayout[] = {
    // name                 kind         in          caption
    //     left   top   width height  font        fore         back          border       flags                        tab
    {"Shape1",              kShape,      "",         L"",
         0,     0, 12015, 1215,  kTahoma,     kButtonText, kBand,        kBandBorder},
    {"Shape2",              kShape,      "",         L"",
      7320,   240,  4470,  735,  kTahoma,     kButtonText, kWindowColor, Rgb(0, 0, 0)},
    {"Shape3",              kShape,      "",         L"",
         0,  7200, 12015,  495,  kTahoma,     kButtonText, kBand,        kBandBorder},
    {"Line1",               kLine,       "",         L"",
         0,  2160, 12000,    0,  kTahoma,     kButtonText, kWhite,       Rgb(224, 224, 224)},
    {"Image2",              kImage,      "",         L"",
       240,  1320,   720,  720},
    {"Label1",              kLabel,      "",         L"Quillmere for Incredimail v2.0",
       240,   120,  8655,  375,  kTitleFont,  kRed,        kWhite,       0,           kTransparent,                 0},
    {"Label8",              kLabel,      "",         L"\u00AE",
      1745,    50,   375,  255,  kTahoma,     kRed,        kWhite,       0,           kTransparent,                14},
    {"Label3",              kLabel,      "",         L"Email Migration Solution for Incredimail Users",
       240,   480,  8655,  375,  kVerdana,    Rgb(64, 64, 64), kWhite,   0,           kTransparent,                 2},
    {"Label2",              kLabel,      "",         L"Supports Incredimail Versions - 1.x , 2.x",
      7680,   360,  4095,  255,  kVerdana,    kRed,        kWhite,       0,           kTransparent,                 1},
    {"Label6",              kLabel,      "",         L"Supports File Extension - [*.imm] [*.iml]",
      7680,   600,  3615,  255,  kVerdana,    kRed,        kWhite,       0,           kTransparent,                 5},
    {"Label12",             kLabel,      "",         kHelpText,
      1080,  1320, 10695,  615,  kVerdana,    kNavy,       kWhite,       0,           kTransparent | kWordWrap,    22},
    {"Label7",              kLabel,      "",         L"Messages Store        :",
       240,  2340,  1935,  255,  kTahomaBold, kButtonText, kWhite,       0,           kTransparent,                 6},
    {"Label9",              kLabel,      "",         L"Attachments Store  :",
       240,  2820,  1935,  255,  kTahomaBold, kButtonText, kWhite,       0,           kTransparent,                 7},
    {"txtStorePath",        kTextBox,    "",         L"",
      2160,  2280,  8055,  375,  kPathFont,   kNavy,       kWindowColor, 0,           kNoFlags,                     8},
    {"txtAttachmentPath",   kTextBox,    "",         L"",
      2160,  2760,  8055,  375,  kPathFont,   kNavy,       kWindowColor, 0,           kNoFlags,                     9},
    {"CmdStoreBrowse",      kButton,     "",         L"Browse...",
     10440,  2280,  1335,  375,  kTahoma,     kButtonText, kWhite,       0,           kNoFlags,                    10},
    {"CmdAttachmentBrowse", kButton,     "",         L"Browse...",
     10440,  2760,  1335,  375,  kTahoma,     kButtonText, kWhite,       0,           kNoFlags,                    11},
    {"Frame1",              kFrame,      "",         L"Incredimail Files (*.imm)",
       240,  3240,  6975,  3735, kTahomaBold, kButtonText, kWhite,       0,           kNoFlags,                    12},
    {"ListIMM",             kCheckList,  "Frame1",   L"",
       240,   360,  6495,  3180, kTahoma,     kWindowText, kWhite,       0,           kNoFlags,                    13},
    {"Frame2",              kFrame,      "",         L"Saving Options",
      7320,  3240,  4455,  3735, kTahomaBold, kButtonText, kWhite,       0,           kNoFlags,                    15},
    {"Picture1",            kPictureBox, "Frame2",   L"",
       120,   360,  4215,   375, kTahoma,     kButtonText, kWhite,       0,           kNoFlags,                    25},
    {"OptEML",              kOption,     "Picture1", L"Save as EML",
         0,     0,  1455,   255, kTahoma,     kButtonText, kWhite,       0,           kSelectedAtStart,            27},
    {"OptOutlook",          kOption,     "Picture1", L"Save in Outlook",
      2040,     0,  2055,   255, kTahoma,     kButtonText, kWhite,       0,           kNoFlags,                    26},
    {"Label10",             kLabel,      "Frame2",   L"Processing",
       120,   720,  1095,   255, kTahomaBold, kButtonText, kWhite,       0,           kTransparent,                17},
    {"LblIMMFile",          kLabel,      "Frame2",   L"",
      1200,   720,  3135,   255, kTahoma,     kRed,        kWhite,       0,           kTransparent,                18},
    {"Label11",             kLabel,      "Frame2",   L"Messages Log",
       120,   960,  1575,   255, kTahoma,     kButtonText, kWhite,       0,           kTransparent,                19},
    {"txtLog",              kTextBox,    "Frame2",   L"",
       120,  1200,  4215,   975, kTahoma,     kWindowText, kWindowColor, 0,           kNoFlags,                    20},
    // 90 twips wider than first designed: beside its check mark the caption needs them at every DPI.
    {"ChkAdvanceMode",      kCheck,      "Frame2",   L"Enable Advance Mode",
       120,  2280,  2025,   255, kTahoma,     kButtonText, kWhite,       0,           kNoFlags,                    21},
    {"Image1",              kImage,      "Frame2",   L"",
      2160,  2280,   240,   240},
    {"CmdImportMessages",   kButton,     "Frame2",   L"Convert Messages",
       120,  2640,  4215,   890, {L"Tahoma", 14.25}, kButtonText, kWhite, 0,          kNoFlags,                    16},
    {"LblWebsite",          kLabel,      "",         L"quillmere.example",
       240,  7320,  2295,   375, kVerdana,    kLink,       kWhite,       0,           kTransparent | kHandCursor,  23},
    {"LblHelp",             kLabel,      "",         L"Online Product Help",
     10080,  7320,  1695,   375, kVerdana,    kLink,       kWhite,       0,  kTransparent | kAlignRight | kHandCursor, 24},
};
// clang-format on

}  // namespace

std::span<const LayoutEntry> FormLayout() { return kLayout; }

const LayoutEntry& LayoutOf(std::string_view name) {
    for (const LayoutEntry& entry : kLayout) {
        if (entry.name == name) return entry;
    }
    throw std::out_of_range("the form has no control " + std::string(name));
}

int PixelsFromTwips(int twips, int dpi) {
    // Rounded half away from zero, as MulDiv rounds, so these agree with the host's placement.
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch : -((-scaled + half) / kTwipsPerInch));
}

PixelRect PixelsOf(const LayoutEntry& entry, int dpiX, int dpiY) {
    const int left = PixelsFromTwips(entry.left, dpiX);
    const int top = PixelsFromTwips(entry.top, dpiY);
    return {left, top, left + PixelsFromTwips(entry.width, dpiX), top + PixelsFromTwips(entry.height, dpiY)};
}

}  // namespace quill::app
