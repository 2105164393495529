#include "cli/Commands.h"

#include "platform/File.h"
#include "platform/Path.h"
#include "store/ContainerReader.h"

namespace quill::cli {

int SplitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool advance = false;
    std::vector<std::string> paths;
    for (const auto& a : args) {
        if (a == "--advance") {
            advance = true;
        } else if (a.size() > 1 && a[0] == '-') {
            err << "quillmere split: unknown option \"" << a << "\"\n";
            return kExitUsage;
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2) {
        err << "usage: quillmere split [--advance] CONTAINER OUTDIR\n";
        return kExitUsage;
    }
    const std::string& container = paths[0];
    const std::string& outDir = paths[1];

    std::string marker;
    try {
        marker = ReadIMMFile(container);
    } catch (const platform::FileError& e) {
        err << "quillmere split: " << e.what() << "\n";
        return kExitFailed;
    }
    if (!platform::MakeDirectories(outDir)) {
        err << "quillmere split: cannot create folder \"" << outDir << "\"\n";
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
        err << "quillmere split: " << writeError << "\n";
        return kExitFailed;
    }
    if (!result.complete) {
        err << "quillmere split: " << result.error << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace quill::cli
