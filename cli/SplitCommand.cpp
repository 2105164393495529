#include "cli/Commands.h"

#include "cli/CommandLine.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "store/ContainerReader.h"

namespace quill::cli {

int RunSplit(const SplitOptions& options, std::ostream& out, std::ostream& err) {
    const bool advance = options.advance;
    const std::string& container = options.container;
    const std::string& outDir = options.outDir;

    std::string marker;
    try {
        marker = ReadIMMFile(container);
    } catch (const platform::FileError& e) {
        err << kProgramName << " split: " << e.what() << "\n";
        return kExitFailed;
    }
    if (std::string why; !platform::MakeDirectories(outDir, &why)) {
        err << kProgramName << " split: " << why << "\n";
        return kExitFailed;
    }

    // A file that is already there stops the run: nothing of the user's is replaced.
    std::string writeError;
    std::uint64_t written = 0;
    auto sink = [&](SplitMessage& m) {
        if (!writeError.empty()) return;
        std::string path = platform::JoinPath(outDir, "email-" + std::to_string(m.number) + ".eml");
        try {
            platform::OutputFile file(path);
            file.Write(m.text);
            file.Close();
        } catch (const platform::FileError& e) {
            writeError = e.what();
            return;
        }
        ++written;
        out << m.number << "\t" << m.offset << "\t" << m.text.size() << "\n";
    };
    SplitResult result = SplitIMMFile(container, marker, advance, sink);

    out << "messages " << written << ", bytes delivered " << result.stats.bytesDelivered << ", bytes skipped "
        << result.stats.bytesSkipped << "\n";
    if (!writeError.empty()) {
        err << kProgramName << " split: " << writeError << "\n";
        return kExitFailed;
    }
    if (!result.complete) {
        err << kProgramName << " split: " << result.error << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace quill::cli
