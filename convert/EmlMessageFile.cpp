#include "convert/EmlMessageFile.h"

#include "platform/File.h"
#include "platform/NumberedName.h"
#include "platform/Path.h"

namespace quill {

std::string MessageFileName(int number, int copy) {
    return platform::NumberedName("email-" + std::to_string(number), ".eml", copy);
}

WriteResult WriteMessageFile(const std::string& folder, int number, const std::string& text) {
    WriteResult result;
    try {
        auto path = platform::CreateUnderFreeName(platform::JoinPath(folder, "email-" + std::to_string(number)), ".eml",
                                                  [&](const std::string& candidate) {
                                                      result.path = candidate;
                                                      return platform::WriteNewFile(candidate, text);
                                                  });
        result.ok = path.has_value();
        if (!result.ok)
            result.error = "no free file name for message " + std::to_string(number) + " in \"" + folder + "\"";
    } catch (const platform::FileError& e) {
        result.error = e.what();
    }
    return result;
}

}  // namespace quill
