#include "convert/EmlMessageFile.h"

#include "platform/File.h"

namespace quill {

std::string MessageFileName(int number, int copy) {
    std::string name = "email-" + std::to_string(number);
    if (copy > 1) name += " (" + std::to_string(copy) + ")";
    return name + ".eml";
}

WriteResult WriteMessageFile(const std::string& folder, int number, const std::string& text) {
    WriteResult result;
    constexpr int kMaxCopies = 100000;
    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        result.path = platform::JoinPath(folder, MessageFileName(number, copy));
        try {
            platform::OutputFile file(result.path);  // fails when the name is taken
            file.Write(text);
            file.Close();
            result.ok = true;
            return result;
        } catch (const platform::FileError& e) {
            if (e.kind() == platform::FileError::Kind::Exists) continue;
            result.error = e.what();
            return result;
        }
    }
    result.error = "no free file name for message " + std::to_string(number) + " in \"" + folder + "\"";
    return result;
}

}  // namespace quill
