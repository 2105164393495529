#include "mime/MediaTypes.h"

#include "platform/Ascii.h"

namespace quill::mime {
namespace {

struct ExtensionType {
    std::string_view extension;
    std::string_view type;
};

constexpr ExtensionType kTypes[] = {
    {"txt", "text/plain"},
    {"log", "text/plain"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"css", "text/css"},
    {"csv", "text/csv"},
    {"xml", "application/xml"},
    {"json", "application/json"},
    {"ics", "text/calendar"},
    {"vcf", "text/vcard"},
    {"rtf", "application/rtf"},
    {"pdf", "application/pdf"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"jpe", "image/jpeg"},
    {"gif", "image/gif"},
    {"png", "image/png"},
    {"bmp", "image/bmp"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"ico", "image/x-icon"},
    {"svg", "image/svg+xml"},
    {"webp", "image/webp"},
    {"mp3", "audio/mpeg"},
    {"wav", "audio/wav"},
    {"wma", "audio/x-ms-wma"},
    {"mid", "audio/midi"},
    {"midi", "audio/midi"},
    {"mp4", "video/mp4"},
    {"avi", "video/x-msvideo"},
    {"mov", "video/quicktime"},
    {"wmv", "video/x-ms-wmv"},
    {"mpg", "video/mpeg"},
    {"mpeg", "video/mpeg"},
    {"swf", "application/x-shockwave-flash"},
    {"zip", "application/zip"},
    {"rar", "application/vnd.rar"},
    {"7z", "application/x-7z-compressed"},
    {"gz", "application/gzip"},
    {"tar", "application/x-tar"},
    {"doc", "application/msword"},
    {"dot", "application/msword"},
    {"xls", "application/vnd.ms-excel"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"pps", "application/vnd.ms-powerpoint"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"odt", "application/vnd.oasis.opendocument.text"},
    {"ods", "application/vnd.oasis.opendocument.spreadsheet"},
};

}  // namespace

std::string ContentTypeForFileName(std::string_view fileName) {
    std::size_t dot = fileName.rfind('.');
    if (dot != std::string_view::npos) {
        std::string_view ext = fileName.substr(dot + 1);
        for (const auto& entry : kTypes)
            if (platform::EqualsIgnoreCase(entry.extension, ext)) return std::string(entry.type);
    }
    return "application/octet-stream";
}

}  // namespace quill::mime
